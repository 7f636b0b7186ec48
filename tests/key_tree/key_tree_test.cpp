// The key tree against a reference writer (byte for byte), a std::multimap model and an
// independent reader of the file format.
#include "btree/key_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fixture/fixture_writer.h"
#include "key_tree/test_support.h"
#include "key_tree/tree_format.h"

namespace keytree_test {
namespace {

using zrt::ItemLayout;
using zrt::KeyTree;

std::string Payload(const Format& f, int n) {
  if (f.keyOffset == kCompact.keyOffset) {
    std::string v(4, '\0');
    PutU32(v, 0, static_cast<uint32_t>(n) * 2654435761u);
    return v;
  }
  std::string d = "data " + std::to_string(n);
  d.resize(256, '\0');
  return d;
}

std::string RandomKey(std::mt19937& rng, size_t maxLength = 63) {
  std::string k(std::uniform_int_distribution<size_t>(0, maxLength)(rng), '\0');
  for (char& c : k) c = static_cast<char>(std::uniform_int_distribution<int>(1, 255)(rng));
  return k;
}

// The first differing byte, so that a mismatch is readable.
void ExpectSameBytes(const std::string& got, const std::string& want) {
  ASSERT_EQ(got.size(), want.size()) << "file sizes differ";
  auto diff = std::mismatch(got.begin(), got.end(), want.begin());
  EXPECT_TRUE(diff.first == got.end())
      << "first difference at byte " << (diff.first - got.begin()) << " (page at "
      << kHead + ((diff.first - got.begin() - kHead) / kPage) * kPage << ")";
}

struct RandomCase {
  const char* name;
  bool compact;
  bool duplicates;
  int count;
  int keyPool;  // 0: fresh random keys; else draw from this many keys (many equal keys)
};

void PrintTo(const RandomCase& c, std::ostream* os) { *os << c.name; }

class RandomTree : public ::testing::TestWithParam<RandomCase> {};

// Thousands of inserts: the file must equal the reference writer's byte for byte, pass
// the format check, and read back (iteration, find, search) as the model says.
TEST_P(RandomTree, MatchesReferenceModelAndReader) {
  const RandomCase& c = GetParam();
  Format f = c.compact ? kCompact : kFull;
  ItemLayout layout = c.compact ? ItemLayout::Compact() : ItemLayout::Full();
  TempDir dir;
  std::string path = dir / "tree.cdj";
  std::mt19937 rng(12345);
  std::vector<std::string> pool;
  for (int i = 0; i < c.keyPool; ++i) pool.push_back(RandomKey(rng));

  KeyTree tree(layout);
  ASSERT_TRUE(tree.Create(path, c.duplicates).ok());
  ReferenceTree ref(f, c.duplicates);
  std::multimap<std::string, std::string> model;
  for (int i = 0; i < c.count; ++i) {
    std::string key = pool.empty() ? RandomKey(rng) : pool[rng() % pool.size()];
    std::string payload = Payload(f, i);
    ItemBuffer item(layout, key, payload);
    int got = tree.Add(item.data());
    ASSERT_EQ(got, ref.Add(key, payload)) << "insert " << i;
    if (got == 1) {
      model.emplace(key, payload);
      // The cursor must rest on the inserted item itself: replacing it by an equal copy
      // changes no byte, while replacing any other item would.
      if (i % 3 == 0) {
        ASSERT_EQ(tree.ReplaceKey(item.data()), 1);
      } else if (i % 3 == 1 && !c.duplicates) {
        // ... and a walk goes on from there with the next greater key.
        ItemBuffer next(layout);
        auto after = model.upper_bound(key);
        ASSERT_EQ(tree.Next(next.data()), after != model.end());
        if (after != model.end()) {
          ASSERT_EQ(next.key(), after->first);
        }
      }
    } else {
      ASSERT_EQ(model.count(key), 1u);
    }
  }
  ASSERT_EQ(tree.Close(), 0);

  std::string bytes = fixture::ReadFile(path);
  ExpectSameBytes(bytes, ref.Bytes());
  int height = 0;
  std::vector<Entry> entries = CheckTree(f, bytes, c.duplicates, &height);
  EXPECT_GE(height, 3);
  EXPECT_EQ(height, ref.height());
  ASSERT_EQ(entries.size(), model.size());
  // Equal keys come back as a group holding the same payloads as the model's.
  for (auto it = model.begin(); it != model.end();) {
    auto range = model.equal_range(it->first);
    std::vector<std::string> want, got;
    size_t first = std::distance(model.begin(), range.first);
    for (auto j = range.first; j != range.second; ++j) want.push_back(j->second);
    for (size_t j = first; j < first + want.size(); ++j) {
      EXPECT_EQ(entries[j].key, it->first);
      got.push_back(entries[j].payload);
    }
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want) << "payloads of one key";
    it = range.second;
  }

  // Reopened read-only, iteration gives exactly the checked order.
  ASSERT_TRUE(tree.OpenForReading(path).ok());
  ASSERT_EQ(tree.First(), 0);
  ItemBuffer out(layout);
  for (size_t i = 0; i < entries.size(); ++i) {
    ASSERT_TRUE(tree.Next(out.data())) << i;
    ASSERT_EQ(out.key(), entries[i].key) << i;
    ASSERT_EQ(out.payload(), entries[i].payload) << i;
    ASSERT_EQ(out.child(), entries[i].child);
  }
  EXPECT_FALSE(tree.Next(out.data()));
  EXPECT_FALSE(tree.Next(out.data()));

  // Find: every stored key is found with one of its payloads; absent keys leave the
  // buffer alone.
  for (int i = 0; i < 300; ++i) {
    auto it = model.begin();
    std::advance(it, rng() % model.size());
    ItemBuffer probe(layout, it->first, "");
    ASSERT_TRUE(tree.FindKey(probe.data())) << i;
    EXPECT_EQ(probe.key(), it->first);
    bool known = false;
    auto range = model.equal_range(it->first);
    for (auto j = range.first; j != range.second; ++j) known |= j->second == probe.payload();
    EXPECT_TRUE(known);
    // After a find, Next continues with an item whose key is not smaller.
    if (tree.Next(out.data())) {
      EXPECT_FALSE(out.key() < it->first);
    }
  }
  for (int i = 0; i < 300; ++i) {
    std::string key = RandomKey(rng);
    if (model.count(key)) continue;
    ItemBuffer probe(layout, key, Payload(f, -1));
    ItemBuffer before = probe;
    EXPECT_FALSE(tree.FindKey(probe.data()));
    EXPECT_EQ(probe.bytes(), before.bytes());
  }

  // Search: the item after the probe's place, and whether it begins with the probe.
  if (!c.duplicates) {
    std::vector<std::string> keys;
    for (const auto& e : entries) keys.push_back(e.key);
    for (int i = 0; i < 400; ++i) {
      const std::string& base = keys[rng() % keys.size()];
      std::string probe = base.substr(0, rng() % (base.size() + 1));
      auto next = std::upper_bound(keys.begin(), keys.end(), probe);
      if (!std::binary_search(keys.begin(), keys.end(), probe))
        next = std::lower_bound(keys.begin(), keys.end(), probe);
      bool want = next != keys.end() && next->compare(0, probe.size(), probe) == 0;
      ItemBuffer buf(layout, probe, "");
      EXPECT_EQ(tree.Search(buf.data()), want) << "probe length " << probe.size();
      if (next != keys.end()) {
        EXPECT_EQ(buf.key(), *next);
      }
    }
  }
  EXPECT_EQ(tree.Close(), 0);
  EXPECT_EQ(fixture::ReadFile(path), bytes) << "a read-only tree writes nothing";
}

INSTANTIATE_TEST_SUITE_P(Layouts, RandomTree,
                         ::testing::Values(RandomCase{"FullUnique", false, false, 3000, 0},
                                           RandomCase{"FullDuplicates", false, true, 3000, 150},
                                           RandomCase{"FullRefusedDuplicates", false, false, 2000,
                                                      400},
                                           RandomCase{"CompactUnique", true, false, 6000, 0},
                                           RandomCase{"CompactDuplicates", true, true, 6000, 300}),
                         [](const auto& info) { return std::string(info.param.name); });

// Four full items overflow the root: "b" (the last item starting before byte 400 of 792)
// goes up, the right half is written first at 1032, the left half at 2056.
TEST(KeyTreeFormat, FirstRootSplitByHand) {
  TempDir dir;
  std::string path = dir / "t.cdj";
  KeyTree tree(ItemLayout::Full());
  ASSERT_TRUE(tree.Create(path, false).ok());
  std::string empty = fixture::ReadFile(path);
  std::string want(1032, '\0');
  PutU32(want, 8, 0xFFFFFFFFu);
  PutU32(want, 1024, 0xFFFFFFFFu);
  PutU32(want, 1028, 1);
  EXPECT_EQ(empty, want) << "the empty tree is written at once";

  for (const char* k : {"a", "b", "c", "d"}) {
    ItemBuffer item(ItemLayout::Full(), k, std::string("t-") + k);
    ASSERT_EQ(tree.Add(item.data()), 1);
  }
  EXPECT_EQ(tree.height(), 2);
  ASSERT_EQ(tree.Close(), 0);

  auto item = [](std::string& b, size_t at, int32_t child, const std::string& data,
                 const std::string& key) {
    PutU32(b, at, static_cast<uint32_t>(child));
    b.replace(at + 4, data.size(), data);
    b.replace(at + 260, key.size(), key);
  };
  std::string b(1032 + 2 * 1024, '\0');
  // root: leftmost = left half at 2056, one item "b" whose child is the right half
  PutU32(b, 0, 0);
  PutU32(b, 4, 264);
  PutU32(b, 8, 2056);
  item(b, 12, 1032, "t-b", "b");
  PutU32(b, 1024, 0xFFFFFFFFu);
  PutU32(b, 1028, 2);
  // right half: "c", "d"
  PutU32(b, 1032, 1032);
  PutU32(b, 1036, 528);
  PutU32(b, 1040, 0xFFFFFFFFu);
  item(b, 1044, -1, "t-c", "c");
  item(b, 1044 + 264, -1, "t-d", "d");
  // left half: "a"
  PutU32(b, 2056, 2056);
  PutU32(b, 2060, 264);
  PutU32(b, 2064, 0xFFFFFFFFu);
  item(b, 2068, -1, "t-a", "a");
  ExpectSameBytes(fixture::ReadFile(path), b);
}

TEST(KeyTreeOrder, EmptyTreeAndUnsignedOrder) {
  TempDir dir;
  KeyTree tree(ItemLayout::Full());
  ASSERT_TRUE(tree.Create(dir / "t", false).ok());
  ItemBuffer out(ItemLayout::Full());
  EXPECT_EQ(tree.First(), 0);
  EXPECT_FALSE(tree.Next(out.data()));
  EXPECT_FALSE(tree.Next(out.data()));
  ItemBuffer probe(ItemLayout::Full(), "x", "");
  EXPECT_FALSE(tree.FindKey(probe.data()));
  EXPECT_FALSE(tree.Search(probe.data()));
  EXPECT_EQ(tree.ReplaceKey(probe.data()), -1) << "no item under the cursor";

  for (const char* k : {"\xC0\xE1", "zz", "", "A", "\xFF", "Az", "\x01"})
    ASSERT_EQ(tree.Add(ItemBuffer(ItemLayout::Full(), k, "d").data()), 1);
  std::vector<std::string> got;
  tree.First();
  while (tree.Next(out.data())) got.push_back(out.key());
  EXPECT_EQ(got, (std::vector<std::string>{"", "\x01", "A", "Az", "zz", "\xC0\xE1", "\xFF"}));
}

// Keys over 63 bytes and items that cannot be taken are refused with -1 and change nothing.
TEST(KeyTreeLimits, LongKeysAndReadOnlyTrees) {
  TempDir dir;
  std::string path = dir / "t";
  KeyTree tree(ItemLayout::Full());
  ItemBuffer ok(ItemLayout::Full(), std::string(63, 'k'), "d");
  EXPECT_EQ(tree.Add(ok.data()), -1) << "not open";
  ASSERT_TRUE(tree.Create(path, false).ok());
  ItemBuffer tooLong(ItemLayout::Full());
  std::fill(tooLong.bytes().begin() + 260, tooLong.bytes().end(), 'x');  // no NUL in 64 bytes
  EXPECT_EQ(tree.Add(tooLong.data()), -1);
  EXPECT_FALSE(tree.FindKey(tooLong.data()));
  EXPECT_EQ(tree.Add(ok.data()), 1);
  EXPECT_EQ(tree.ReplaceKey(tooLong.data()), -1);
  // Data text without a NUL is stored and returned terminated.
  ItemBuffer unterminated(ItemLayout::Full(), "u", "");
  std::fill(unterminated.bytes().begin() + 4, unterminated.bytes().begin() + 260, 'D');
  EXPECT_EQ(tree.Add(unterminated.data()), 1);
  ASSERT_EQ(tree.Close(), 0);
  EXPECT_EQ(tree.Close(), -1) << "closing twice";

  std::string before = fixture::ReadFile(path);
  ASSERT_TRUE(tree.OpenForReading(path).ok());
  EXPECT_EQ(tree.Add(ItemBuffer(ItemLayout::Full(), "new", "d").data()), -1);
  ItemBuffer probe(ItemLayout::Full(), "u", "");
  ASSERT_TRUE(tree.FindKey(probe.data()));
  EXPECT_EQ(probe.bytes()[259], 0);
  EXPECT_EQ(probe.payload().find('\0'), 255u);
  EXPECT_EQ(tree.ReplaceKey(probe.data()), -1) << "read-only";
  EXPECT_EQ(tree.Close(), 0);
  EXPECT_EQ(fixture::ReadFile(path), before);
}

// Replacing while walking: every item gets a longer key (order kept by appending 0x01),
// which splits pages at every level under a cursor that is not in a leaf.
TEST(KeyTreeReplace, LongerKeysDuringWalk) {
  TempDir dir;
  std::string path = dir / "t";
  std::mt19937 rng(7);
  KeyTree tree(ItemLayout::Compact());
  ASSERT_TRUE(tree.Create(path, false).ok());
  std::set<std::string> keys;
  while (keys.size() < 1500) {
    std::string k = RandomKey(rng, 40);
    if (keys.insert(k).second) {
      ASSERT_EQ(tree.Add(ItemBuffer(ItemLayout::Compact(), k, "abcd").data()), 1);
    }
  }
  ItemBuffer out(ItemLayout::Compact());
  std::vector<std::string> seen;
  tree.First();
  while (tree.Next(out.data())) {
    seen.push_back(out.key());
    std::string longer = out.key() + std::string(20, '\x01');
    ASSERT_EQ(tree.ReplaceKey(ItemBuffer(ItemLayout::Compact(), longer, "wxyz").data()), 1);
  }
  EXPECT_EQ(seen, std::vector<std::string>(keys.begin(), keys.end()))
      << "each item visited once, in order";
  ASSERT_EQ(tree.Close(), 0);
  std::vector<Entry> entries = CheckTree(kCompact, fixture::ReadFile(path), false);
  ASSERT_EQ(entries.size(), keys.size());
  auto it = keys.begin();
  for (const auto& e : entries) {
    EXPECT_EQ(e.key, *it++ + std::string(20, '\x01'));
    EXPECT_EQ(e.payload, "wxyz");
  }
}

// Find then replace the found item in place, at whatever level it sits.
TEST(KeyTreeReplace, FoundItemsAtEveryLevel) {
  TempDir dir;
  std::string path = dir / "t";
  KeyTree tree(ItemLayout::Full());
  ASSERT_TRUE(tree.Create(path, false).ok());
  std::vector<std::string> keys;
  for (int i = 0; i < 400; ++i) keys.push_back("key" + std::to_string(1000 + i));
  for (const auto& k : keys)
    ASSERT_EQ(tree.Add(ItemBuffer(ItemLayout::Full(), k, "old").data()), 1);
  for (const auto& k : keys) {
    ItemBuffer probe(ItemLayout::Full(), k, "");
    ASSERT_TRUE(tree.FindKey(probe.data()));
    ASSERT_EQ(tree.ReplaceKey(ItemBuffer(ItemLayout::Full(), k, "new " + k).data()), 1);
  }
  ASSERT_EQ(tree.Close(), 0);
  std::vector<Entry> entries = CheckTree(kFull, fixture::ReadFile(path), false);
  ASSERT_EQ(entries.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(entries[i].key, keys[i]);
    EXPECT_EQ(entries[i].payload.c_str(), "new " + keys[i]);
  }
}

}  // namespace
}  // namespace keytree_test
