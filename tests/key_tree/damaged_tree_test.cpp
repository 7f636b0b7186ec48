// Damaged tree files: crafted faults of each kind, then random truncations and byte flips.
// Nothing may crash or read outside a page; a walk ends early, an open fails cleanly.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fixture/fixture_writer.h"
#include "key_tree/test_support.h"
#include "key_tree/tree_format.h"
#include "btree/key_tree.h"

namespace keytree_test {
namespace {

using zrt::ItemLayout;
using zrt::KeyTree;

// A height-2 full-item tree: root "b" over left "a" (2056) and right "c", "d" (1032).
std::string SmallTree(const TempDir& dir) {
  std::string path = dir / "small";
  KeyTree tree(ItemLayout::Full());
  EXPECT_TRUE(tree.Create(path, false).ok());
  for (const char* k : {"a", "b", "c", "d"})
    EXPECT_EQ(tree.Add(ItemBuffer(ItemLayout::Full(), k, k).data()), 1);
  EXPECT_EQ(tree.Close(), 0);
  return fixture::ReadFile(path);
}

// Opens `bytes` read-only; -1 when the open fails, else the number of items walked.
int Walk(const TempDir& dir, const std::string& bytes, ItemLayout layout = ItemLayout::Full()) {
  std::string path = dir / "damaged";
  fixture::WriteFile(path, bytes);
  KeyTree tree(layout);
  if (!tree.OpenForReading(path).ok()) return -1;
  ItemBuffer out(layout);
  int n = 0;
  tree.First();
  while (tree.Next(out.data()) && n < 1000000) ++n;
  return n;
}

TEST(DamagedTree, HeadFaultsFailTheOpen) {
  TempDir dir;
  std::string good = SmallTree(dir);
  ASSERT_EQ(Walk(dir, good), 4);
  EXPECT_EQ(Walk(dir, good.substr(0, 1031)), -1) << "shorter than the head";
  EXPECT_EQ(Walk(dir, ""), -1);
  const struct {
    const char* what;
    size_t at;
    uint32_t value;
  } cases[] = {{"height 0", 1028, 0},
               {"height 11", 1028, 11},
               {"height -1", 1028, 0xFFFFFFFFu},
               {"root used past the item area", 4, 1016},
               {"root item overruns used", 4, 268}};
  for (const auto& c : cases) {
    std::string b = good;
    PutU32(b, c.at, c.value);
    EXPECT_EQ(Walk(dir, b), -1) << c.what;
  }
  std::string b = good;
  std::fill(b.begin() + 12 + 260, b.begin() + 12 + 264 + 64, 'K');
  PutU32(b, 4, 264 + 64 + 8);
  EXPECT_EQ(Walk(dir, b), -1) << "root key without a NUL within 64 bytes";
  KeyTree tree(ItemLayout::Full());
  EXPECT_FALSE(tree.OpenForReading(dir / "missing").ok());
  EXPECT_FALSE(tree.OpenForReading(dir.path().string()).ok()) << "a folder";
}

TEST(DamagedTree, BadChildrenEndTheWalk) {
  TempDir dir;
  std::string good = SmallTree(dir);
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
  } cases[] = {
      {"leftmost misaligned", 8, 2057},
      {"leftmost past the file", 8, 3080},
      {"leftmost is the root", 8, 0},
      {"leftmost in the head", 8, 1024},
      {"leftmost none in an inner page", 8, 0xFFFFFFFFu},
      {"child negative", 12, 0x80000000u},
      {"own offset wrong", 2056, 1032},
      {"leaf used too large", 2060, 1020},
      {"leaf item overruns used", 2060, 260},
  };
  for (const Case& c : cases) {
    std::string b = good;
    PutU32(b, c.at, c.value);
    int n = Walk(dir, b);
    EXPECT_GE(n, 0) << c.what;
    EXPECT_LT(n, 4) << c.what;
  }
  // Both children of the root lead to the same leaf: every item is still read once per
  // path, and the walk ends.
  std::string b = good;
  PutU32(b, 12, 2056);
  EXPECT_EQ(Walk(dir, b), 3);
}

// A page reachable from many parents (here every child of every level is the next page)
// would unfold into an exponential walk; the walk stops after the number of items the
// file could hold.
TEST(DamagedTree, SharedPagesDoNotUnfold) {
  TempDir dir;
  const int height = 10;
  std::string b(1032 + (height - 1) * 1024, '\0');
  for (int level = 0; level < height; ++level) {
    size_t page = level == 0 ? 0 : 1032 + (level - 1) * 1024;
    uint32_t child = level == height - 1 ? 0xFFFFFFFFu : 1032 + level * 1024;
    PutU32(b, page, static_cast<uint32_t>(page));
    PutU32(b, page + 4, 3 * 264);
    PutU32(b, page + 8, child);
    for (int i = 0; i < 3; ++i) {
      PutU32(b, page + 12 + i * 264, child);
      b[page + 12 + i * 264 + 260] = static_cast<char>('a' + i);
    }
  }
  PutU32(b, 1024, 0xFFFFFFFFu);
  PutU32(b, 1028, height);
  int n = Walk(dir, b);
  EXPECT_GT(n, 0);
  EXPECT_LE(n, 10 * 3 + 1);
}

// Random damage to trees of both layouts: every open, walk and lookup on the
// damaged file ends without a crash (the sanitizer build checks the bounds).
TEST(DamagedTree, RandomTruncationsAndFlips) {
  TempDir dir;
  std::mt19937 rng(99);
  for (ItemLayout layout : {ItemLayout::Full(), ItemLayout::Compact()}) {
    std::string path = dir / "source";
    std::vector<std::string> keys;
    {
      KeyTree tree(layout);
      ASSERT_TRUE(tree.Create(path, true).ok());
      for (int i = 0; i < (layout.dataText ? 300 : 2000); ++i) {
        std::string k = "k" + std::to_string(rng() % 5000);
        keys.push_back(k);
        ASSERT_EQ(tree.Add(ItemBuffer(layout, k, "payload").data()), 1);
      }
      ASSERT_EQ(tree.Close(), 0);
    }
    const std::string good = fixture::ReadFile(path);
    for (int round = 0; round < 300; ++round) {
      std::string b = good;
      if (round % 4 == 0) {
        b.resize(rng() % b.size());
      } else {
        int flips = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < flips; ++i) {
          size_t page = (rng() % 2 == 0) ? 0 : 1032 + (rng() % ((b.size() - 1032) / 1024)) * 1024;
          // Mostly the page head and the first items, where the structure lives.
          size_t at = page + (rng() % 3 == 0 ? rng() % 1024 : rng() % 24);
          if (page == 0 && rng() % 4 == 0) at = 1024 + rng() % 8;
          b[at] = static_cast<char>(rng() % 3 == 0 ? 0xFF : rng());
        }
      }
      std::string damaged = dir / "damaged";
      fixture::WriteFile(damaged, b);
      KeyTree tree(layout);
      if (tree.OpenForReading(damaged).ok()) {
        ItemBuffer out(layout);
        tree.First();
        for (int n = 0; tree.Next(out.data()) && n < 1000000; ++n) {
        }
        for (int i = 0; i < 20; ++i) {
          ItemBuffer probe(layout, keys[rng() % keys.size()].substr(0, 1 + rng() % 3), "");
          tree.FindKey(probe.data());
          tree.Next(out.data());
          tree.Search(probe.data());
        }
        tree.Close();
      }
    }
  }
}

}  // namespace
}  // namespace keytree_test
