// The static word index made when an edition is built or packed:
//   ".cdp" page index: "ASDP" (8-byte entries) or "ASDp" (12-byte entries), entry count
//          (u16) at 4, entries from 6, one per pair of first two letters of the words in
//          ascending order, each letter's entries followed by a summary (second letter 255).
//            ASDP: first u8, second u8, word count u16, ".cdd" offset u32
//            ASDp: first u8, second u8, 2 ignored bytes, word count u32, ".cdd" offset u32
//   ".cdd" dictionary: "ASDD", then 46-byte entries in key order (see DictionaryRow).
//   ".cdh" occurrences: "ASDH", then each word's 6-byte occurrences in one run.
// Offsets into ".cdd" and ".cdh" count from the end of the file's magic.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/file.h"
#include "base/status.h"
#include "index/postings.h"

namespace zrt {

inline constexpr char kPageIndexMagic[] = "ASDP";
inline constexpr char kWidePageIndexMagic[] = "ASDp";
inline constexpr char kDictionaryMagic[] = "ASDD";
inline constexpr char kOccurrenceMagic[] = "ASDH";
inline constexpr size_t kPageIndexCountAt = 4;
inline constexpr size_t kPageIndexEntriesAt = 6;
inline constexpr size_t kPageIndexEntrySize = 8;
inline constexpr size_t kWidePageIndexEntrySize = 12;
inline constexpr uint8_t kPageIndexSummary = 255;  // second letter of a first-letter summary

struct PageIndexEntry {
  uint8_t first = 0;
  uint8_t second = 0;  // 255 for the summary of a first letter
  uint32_t wordCount = 0;
  uint32_t offset = 0;  // of the first word in ".cdd"
};

class StaticIndex {
public:
  // Reads the page index and opens the dictionary and occurrence files of `base` (the
  // store name without extension).
  Status Open(const std::string& base);
  void Close();
  bool isOpen() const { return dictionary_ != nullptr; }

  bool newForm() const { return newForm_; }
  const std::vector<PageIndexEntry>& pages() const { return pages_; }
  File* dictionary() const { return dictionary_.get(); }
  File* occurrences() const { return occurrences_.get(); }

  // Every dictionary entry in order with its occurrences, for packing. Reads both files
  // sequentially through buffers; a damaged entry ends the walk with Corruption.
  class Scan {
  public:
    explicit Scan(const StaticIndex& index);
    // False at the end (or after an error, which status() then holds).
    bool Next(DictionaryRow* row, std::vector<Occurrence>* occurrences);
    const Status& status() const { return status_; }

  private:
    bool Fill(uint64_t at, size_t n, std::string* out);
    const StaticIndex& index_;
    uint64_t entries_ = 0, next_ = 0;
    long long occurrenceBytes_ = -1;
    Status status_;
  };

private:
  bool newForm_ = false;
  std::vector<PageIndexEntry> pages_;
  std::unique_ptr<File> dictionary_;
  std::unique_ptr<File> occurrences_;
};

}  // namespace zrt
