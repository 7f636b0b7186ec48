// The morphology dictionary file, read whole into memory at open.
//
// Layout (all integers 32-bit little-endian; letters Windows-1251 lower case, а = E0):
//   0..8447  offset table of 2112 entries:
//            entries 2a, 2a+1 (a = 0..31, first letter а..я): start and end of the stem
//            records found through their first letter;
//            entries 64 + 2(32a + b), 65 + 2(32a + b): start and end of the records found
//            through their first two letters a, b.
//            A start of 0, or an end not above the start, means no records.
//   records  length L (1 byte), stem (L bytes), paradigm code, slot mask, feature bits,
//            fourth value, link (offset of the next record of the same lexeme; 0 = none).
//            Within a range the stems are sorted by unsigned bytes.
// A lexeme is the ring of records joined by their links; a lexeme of one record links to
// itself.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace zrt::morph {

constexpr int kTableEntries = 2112;
constexpr uint32_t kTableBytes = kTableEntries * 4;
constexpr uint32_t kRecordFixed = 21;  // length byte and five values
constexpr uint32_t kMaxFileSize = 1u << 30;

struct StemRecord {
  uint32_t offset = 0;
  std::string_view stem;  // into the dictionary's bytes
  uint32_t code = 0, mask = 0, features = 0, fourth = 0, link = 0;
};

class Dictionary {
public:
  // Reads the file through the file layer. A file shorter than the table, or larger than
  // kMaxFileSize, is refused; ranges that point outside the file are treated as empty,
  // and a range ends at the first record that does not fit in it.
  static Status Open(const std::string& path, std::unique_ptr<Dictionary>* out);
  // The same over bytes already in memory.
  static Status FromBytes(std::string bytes, std::unique_ptr<Dictionary>* out);

  const std::array<uint32_t, kTableEntries>& table() const { return table_; }

  // The record at a file offset; false when it does not lie wholly inside the file.
  bool ReadRecord(uint32_t offset, StemRecord* record) const;

  // Offsets of the records whose stems begin `word`, first-letter range first, each
  // range in file order; at most kMaxCandidates. The word must begin with two letters
  // E0-FF (the caller checks).
  void Candidates(std::string_view word, std::vector<uint32_t>* out) const;

private:
  struct Range {
    std::vector<uint32_t> offsets;  // records in file order
    bool sorted = true;             // stems ascending: candidates found by bisection
  };
  void IndexRange(uint32_t start, uint32_t end, Range* range) const;
  void ScanRange(const Range& range, std::string_view word, std::vector<uint32_t>* out) const;
  std::string_view StemAt(uint32_t offset) const;

  std::string bytes_;
  std::array<uint32_t, kTableEntries> table_{};
  std::vector<Range> ranges_;  // 32 first-letter ranges, then 1024 two-letter ranges
};

}  // namespace zrt::morph
