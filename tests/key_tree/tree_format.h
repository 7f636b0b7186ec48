// Test-side knowledge of the key tree file, written from the format tables and not from
// the engine: a checking reader that walks a file and a reference writer that builds the
// file an insertion sequence must produce, byte for byte.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fixture/fixture_writer.h"

namespace keytree_test {

constexpr uint32_t kPage = 1024;
constexpr uint32_t kHead = 1032;
constexpr uint32_t kArea = 1012;

// Where the key starts in an item: 260 for full items, 8 for compact ones.
struct Format {
  uint32_t keyOffset;
};
constexpr Format kFull{260};
constexpr Format kCompact{8};

struct Entry {
  std::string key;
  std::string payload;  // bytes 4 up to the key, as stored
  int32_t child = -1;
};

inline uint32_t ItemSize(const Format& f, const std::string& key) {
  return (f.keyOffset + static_cast<uint32_t>(key.size()) + 1 + 3) & ~3u;
}

using fixture::GetU32;
using fixture::PutU32;

// Walks the tree in `bytes` and checks every invariant of a sound file: file size on
// the page grid, each page reached once at its level, own offsets, used sizes, item
// sizes, zero bytes past `used`, keys in order (strictly without duplicates), leaves
// exactly at the recorded height. Failures are reported through gtest; returns the
// items in key order.
std::vector<Entry> CheckTree(const Format& f, const std::string& bytes, bool allowDuplicates,
                             int* height = nullptr);

// A second, independent rendering of the insertion algorithm over pages held as lists
// of entries; Bytes() gives the file after ORTree_Close.
class ReferenceTree {
 public:
  ReferenceTree(Format f, bool allowDuplicates);
  // 1 inserted, 0 refused as a duplicate.
  int Add(const std::string& key, const std::string& payload);
  std::string Bytes() const;
  int height() const { return height_; }

 private:
  struct Page {
    int32_t leftmost = -1;
    std::vector<Entry> items;
  };
  uint32_t Used(const Page& p) const;

  Format f_;
  bool dups_;
  std::map<int64_t, Page> pages_;
  int height_ = 1;
  int64_t end_ = kHead;
};

}  // namespace keytree_test
