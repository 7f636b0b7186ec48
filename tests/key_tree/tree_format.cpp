#include "key_tree/tree_format.h"

#include <gtest/gtest.h>

#include <set>

#include "fixture/fixture_writer.h"

namespace keytree_test {

namespace {

bool KeyLess(const std::string& a, const std::string& b) {
  // std::string compares char_traits<char>, i.e. unsigned bytes.
  return a < b;
}

struct Checker {
  const Format& f;
  const std::string& b;
  int height;
  std::set<int64_t> seen;
  std::vector<Entry> out;

  void Visit(int64_t offset, int level) {
    SCOPED_TRACE("page " + std::to_string(offset) + " level " + std::to_string(level));
    ASSERT_TRUE(seen.insert(offset).second) << "page reached twice";
    if (offset != 0) {
      ASSERT_GE(offset, kHead);
      ASSERT_EQ((offset - kHead) % kPage, 0);
      ASSERT_LE(offset + kPage, static_cast<int64_t>(b.size()));
      ASSERT_EQ(static_cast<int32_t>(GetU32(b, offset)), offset) << "own offset";
    } else {
      ASSERT_EQ(GetU32(b, 0), 0u);
    }
    uint32_t used = GetU32(b, offset + 4);
    ASSERT_LE(used, kArea);
    ASSERT_EQ(used % 4, 0u);
    bool leaf = level == height - 1;
    int32_t leftmost = static_cast<int32_t>(GetU32(b, offset + 8));
    if (leaf) {
      ASSERT_EQ(leftmost, -1);
    } else {
      Visit(leftmost, level + 1);
    }
    size_t area = offset + 12;
    uint32_t at = 0;
    while (at < used) {
      size_t keyAt = area + at + f.keyOffset;
      size_t nul = b.find('\0', keyAt);
      ASSERT_NE(nul, std::string::npos);
      Entry e;
      e.key = b.substr(keyAt, nul - keyAt);
      ASSERT_LE(e.key.size(), 63u);
      uint32_t size = ItemSize(f, e.key);
      ASSERT_LE(at + size, used) << "item overruns used";
      for (size_t i = nul; i < area + at + size; ++i) ASSERT_EQ(b[i], 0) << "key padding";
      e.payload = b.substr(area + at + 4, f.keyOffset - 4);
      e.child = static_cast<int32_t>(GetU32(b, area + at));
      if (leaf) {
        ASSERT_EQ(e.child, -1);
      }
      out.push_back(e);
      if (!leaf) Visit(e.child, level + 1);
      at += size;
    }
    for (size_t i = area + used; i < static_cast<size_t>(offset) + kPage; ++i)
      ASSERT_EQ(b[i], 0) << "bytes past used";
  }
};

}  // namespace

std::vector<Entry> CheckTree(const Format& f, const std::string& b, bool allowDuplicates,
                             int* heightOut) {
  std::vector<Entry> none;
  EXPECT_GE(b.size(), kHead);
  if (b.size() < kHead) return none;
  EXPECT_EQ((b.size() - kHead) % kPage, 0u) << "file size off the page grid";
  int height = static_cast<int>(GetU32(b, 1028));
  EXPECT_GE(height, 1);
  EXPECT_LE(height, 10);
  if (heightOut) *heightOut = height;
  Checker c{f, b, height, {}, {}};
  c.Visit(0, 0);
  EXPECT_EQ(c.seen.size(), (b.size() - kHead) / kPage + 1) << "pages not in the tree";
  for (size_t i = 1; i < c.out.size(); ++i) {
    if (allowDuplicates)
      EXPECT_FALSE(KeyLess(c.out[i].key, c.out[i - 1].key)) << "order at " << i;
    else
      EXPECT_TRUE(KeyLess(c.out[i - 1].key, c.out[i].key)) << "order at " << i;
  }
  return c.out;
}

// ---- reference writer ------------------------------------------------------------------

ReferenceTree::ReferenceTree(Format f, bool allowDuplicates) : f_(f), dups_(allowDuplicates) {
  pages_[0] = Page{};
}

uint32_t ReferenceTree::Used(const Page& p) const {
  uint32_t n = 0;
  for (const auto& e : p.items) n += ItemSize(f_, e.key);
  return n;
}

int ReferenceTree::Add(const std::string& key, const std::string& payload) {
  // Descend: at each level the index of the equal item, else of the last smaller one.
  std::vector<std::pair<int64_t, int>> path;
  bool equal = false;
  int64_t offset = 0;
  for (int level = 0; level < height_; ++level) {
    const Page& p = pages_.at(offset);
    int idx = -1;
    for (size_t i = 0; i < p.items.size(); ++i) {
      if (key < p.items[i].key) break;
      idx = static_cast<int>(i);
      if (key == p.items[i].key) {
        equal = true;
        break;
      }
    }
    path.emplace_back(offset, idx);
    if (level + 1 < height_) offset = idx < 0 ? p.leftmost : p.items[idx].child;
  }
  if (equal && !dups_) return 0;

  Entry x{key, payload, -1};
  for (int level = height_ - 1;; --level) {
    Page& p = pages_.at(path[level].first);
    size_t place = static_cast<size_t>(path[level].second + 1);
    uint32_t used = Used(p);
    if (used + ItemSize(f_, x.key) <= kArea) {
      p.items.insert(p.items.begin() + place, x);
      return 1;
    }
    size_t mid = 0;
    uint32_t start = 0;
    for (size_t i = 0; i < p.items.size(); ++i) {
      if (start < used / 2 + 4) mid = i;
      start += ItemSize(f_, p.items[i].key);
    }
    std::vector<Entry> left(p.items.begin(), p.items.begin() + mid);
    std::vector<Entry> right;
    Entry z;
    if (place == mid) {
      z = x;
      right.assign(p.items.begin() + mid, p.items.end());
    } else {
      z = p.items[mid];
      right.assign(p.items.begin() + mid + 1, p.items.end());
      if (place < mid)
        left.insert(left.begin() + place, x);
      else
        right.insert(right.begin() + (place - mid - 1), x);
    }
    int64_t rightOffset = end_;
    end_ += kPage;
    pages_[rightOffset] = Page{z.child, right};
    z.child = static_cast<int32_t>(rightOffset);
    p.items = left;  // std::map keeps references valid across insertions
    if (level == 0) {
      int64_t leftOffset = end_;
      end_ += kPage;
      pages_[leftOffset] = Page{p.leftmost, left};
      Page& root = pages_.at(0);
      root.leftmost = static_cast<int32_t>(leftOffset);
      root.items = {z};
      ++height_;
      return 1;
    }
    x = z;
  }
}

std::string ReferenceTree::Bytes() const {
  std::string b(static_cast<size_t>(end_), '\0');
  for (const auto& [offset, p] : pages_) {
    PutU32(b, offset, static_cast<uint32_t>(offset));
    PutU32(b, offset + 4, Used(p));
    PutU32(b, offset + 8, static_cast<uint32_t>(p.leftmost));
    size_t at = offset + 12;
    for (const auto& e : p.items) {
      PutU32(b, at, static_cast<uint32_t>(e.child));
      b.replace(at + 4, e.payload.size(), e.payload);
      b.replace(at + f_.keyOffset, e.key.size(), e.key);
      at += ItemSize(f_, e.key);
    }
  }
  PutU32(b, 1024, 0xFFFFFFFFu);
  PutU32(b, 1028, static_cast<uint32_t>(height_));
  return b;
}

}  // namespace keytree_test
