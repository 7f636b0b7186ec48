// The exported ORTree functions: a table of contents written and read through them, the
// edition's way of handing out its tree, and handles that are null, empty or closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fixture/fixture_writer.h"
#include "key_tree/test_support.h"
#include "key_tree/tree_format.h"
#include "btree/key_tree.h"
#include "zrteng.h"

namespace keytree_test {
namespace {

ORTreeItem Probe(const char* key) {
  ORTreeItem item;
  std::memset(&item, 0, sizeof item);
  std::strcpy(item.key, key);
  return item;
}

TEST(ORTreeExports, DeadHandlesFailQuietly) {
  ORTreeItem item = Probe("k");
  for (ORTree* t : {static_cast<ORTree*>(nullptr), new ORTree{}}) {
    EXPECT_EQ(ORTree_First(t), -1);
    EXPECT_EQ(ORTree_Next(t, &item), 0);
    EXPECT_EQ(ORTree_Add(t, &item), -1);
    EXPECT_EQ(ORTree_AddS(t, "d", "k"), -1);
    EXPECT_EQ(ORTree_FindORKey(t, &item), 0);
    EXPECT_EQ(ORTree_Search(t, &item), 0);
    EXPECT_EQ(ORTree_ReplaceORKey(t, &item), -1);
    EXPECT_EQ(ORTree_Close(t), -1);
    delete t;
  }
  TempDir dir;
  ORTree t{};
  EXPECT_EQ(ORTree_Create(&t, dir.path().c_str(), 0), -1) << "a folder cannot be created as a file";
  EXPECT_EQ(t.impl, nullptr);
  EXPECT_EQ(ORTree_Create(&t, nullptr, 0), -1);
  EXPECT_EQ(ORTree_Create(nullptr, (dir / "x").c_str(), 0), -1);
}

// A table of contents as the database builder writes it: dotted section codes as keys.
TEST(ORTreeExports, TableOfContentsRoundTrip) {
  TempDir dir;
  std::string path = dir / "ed.cdj";
  ORTree t{};
  ASSERT_EQ(ORTree_Create(&t, path.c_str(), 0), 0);
  ASSERT_NE(t.impl, nullptr);
  std::vector<std::string> codes;
  for (int a = 1; a <= 12; ++a) {
    codes.push_back(std::to_string(a));
    for (int b = 1; b <= 9; ++b) codes.push_back(std::to_string(a) + "." + std::to_string(b));
  }
  ReferenceTree ref(kFull, false);
  for (const auto& code : codes) {
    std::string title = "Section " + code;
    ASSERT_EQ(ORTree_AddS(&t, title.c_str(), code.c_str()), 1);
    title.resize(256, '\0');
    ref.Add(code, title);
  }
  EXPECT_EQ(ORTree_AddS(&t, "again", "1.1"), 0) << "no duplicates";
  EXPECT_EQ(ORTree_AddS(&t, "x", std::string(64, 'k').c_str()), -1) << "key over 63 bytes";
  EXPECT_EQ(ORTree_AddS(&t, "x", nullptr), -1);
  ASSERT_EQ(ORTree_AddS(&t, nullptr, "zz"), 1);
  ref.Add("zz", std::string(256, '\0'));
  std::string longTitle(300, 'T');
  ASSERT_EQ(ORTree_AddS(&t, longTitle.c_str(), "zzz"), 1);
  ref.Add("zzz", std::string(255, 'T') + '\0');

  ORTreeItem item = Probe("3.4");
  ASSERT_EQ(ORTree_FindORKey(&t, &item), 1);
  EXPECT_STREQ(item.data, "Section 3.4");
  EXPECT_EQ(item.child, -1);
  ORTreeItem absent = Probe("3.45");
  std::memcpy(absent.data, "untouched", 10);
  EXPECT_EQ(ORTree_FindORKey(&t, &absent), 0);
  EXPECT_STREQ(absent.data, "untouched");
  EXPECT_STREQ(absent.key, "3.45");

  ASSERT_EQ(ORTree_Close(&t), 0);
  EXPECT_EQ(t.impl, nullptr);
  EXPECT_EQ(ORTree_Close(&t), -1) << "closing twice";
  std::string bytes = fixture::ReadFile(path);
  EXPECT_EQ(bytes, ref.Bytes());
  EXPECT_EQ(CheckTree(kFull, bytes, false).size(), codes.size() + 2);

  // The edition opens the file itself and hands out a handle to its own tree object.
  auto contents = std::make_unique<ZrtKeyTree>();
  ASSERT_TRUE(contents->tree.OpenForReading(path).ok());
  ORTree h{contents.get()};
  ASSERT_EQ(ORTree_First(&h), 0);
  std::vector<std::string> walked;
  while (ORTree_Next(&h, &item) == 1) walked.push_back(item.key);
  EXPECT_EQ(ORTree_Next(&h, &item), 0);
  std::vector<std::string> want = codes;
  want.push_back("zz");
  want.push_back("zzz");
  std::sort(want.begin(), want.end());
  EXPECT_EQ(walked, want);

  // A probe equal to a stored code gives the entry after it: here its first subsection.
  item = Probe("1");
  EXPECT_EQ(ORTree_Search(&h, &item), 1);
  EXPECT_STREQ(item.key, "1.1");
  item = Probe("12.");
  EXPECT_EQ(ORTree_Search(&h, &item), 1);
  EXPECT_STREQ(item.key, "12.1");
  item = Probe("12.9");
  EXPECT_EQ(ORTree_Search(&h, &item), 0);
  EXPECT_STREQ(item.key, "2");
  item = Probe("zzz");
  EXPECT_EQ(ORTree_FindORKey(&h, &item), 1);
  EXPECT_EQ(std::strlen(item.data), 255u);
  EXPECT_EQ(ORTree_AddS(&h, "d", "new"), -1) << "the edition's tree is read-only";

  // Closing the edition's handle closes its tree but leaves the object to its owner.
  EXPECT_EQ(ORTree_Close(&h), 0);
  EXPECT_EQ(h.impl, nullptr);
  EXPECT_FALSE(contents->tree.IsOpen());
  EXPECT_EQ(fixture::ReadFile(path), bytes);
}

TEST(ORTreeExports, AddReplaceAndReuseOfTheHandle) {
  TempDir dir;
  ORTree t{};
  ASSERT_EQ(ORTree_Create(&t, (dir / "a").c_str(), 1), 0);
  ORTreeItem item = Probe("k");
  item.child = 12345;  // ignored: added items are leaves
  std::strcpy(item.data, "first");
  ASSERT_EQ(ORTree_Add(&t, &item), 1);
  std::strcpy(item.data, "second");
  ASSERT_EQ(ORTree_Add(&t, &item), 1) << "duplicates allowed";
  std::strcpy(item.data, "second, replaced");
  ASSERT_EQ(ORTree_ReplaceORKey(&t, &item), 1);

  // Creating again on a live handle closes the first file and reuses the object.
  ZrtKeyTree* before = t.impl;
  ASSERT_EQ(ORTree_Create(&t, (dir / "b").c_str(), 0), 0);
  EXPECT_EQ(t.impl, before);
  ASSERT_EQ(ORTree_Close(&t), 0);

  std::vector<Entry> entries = CheckTree(kFull, fixture::ReadFile(dir / "a"), true);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_STREQ(entries[0].payload.c_str(), "first");
  EXPECT_STREQ(entries[1].payload.c_str(), "second, replaced");
  EXPECT_EQ(entries[1].child, -1);
  EXPECT_EQ(CheckTree(kFull, fixture::ReadFile(dir / "b"), false).size(), 0u);
}

}  // namespace
}  // namespace keytree_test
