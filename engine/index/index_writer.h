// Writes a static word index (page index, dictionary, occurrences) from occurrences
// that arrive in dictionary order: by word, then record, field byte and position.
// Packing feeds it from the merge of the old static index and the update index; a bulk
// load feeds it directly from the documents it has just stored.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/file.h"
#include "base/status.h"
#include "index/postings.h"

namespace zrt {

class StaticIndexWriter {
public:
  StaticIndexWriter();
  ~StaticIndexWriter();
  // Creates the three files (page index, dictionary, occurrences) at the given paths.
  Status Create(const std::string& pagePath, const std::string& dictionaryPath,
                const std::string& occurrencePath);
  // word: exactly 30 bytes, code page 866, blank-padded. Record numbers are written as
  // given; the caller renumbers.
  Status Add(const char* word, const Occurrence& occurrence);
  // Writes the last entries and the page-index count, and flushes every file to disk.
  Status Finish();
  // Removes the files after a failure.
  void Abandon();

  uint32_t words() const { return wordCount_; }

private:
  class Output;
  Status FlushWord();
  Status FlushPair();
  Status FlushLetter();

  std::unique_ptr<Output> pages_, dictionary_, occurrences_;
  std::string paths_[3];
  uint16_t pageEntries_ = 0;

  bool haveWord_ = false;
  DictionaryRow current_{};
  int32_t lastRecord_ = 0;
  uint32_t wordCount_ = 0;

  bool havePair_ = false;
  uint8_t pair_[2] = {0, 0};
  uint32_t pairWords_ = 0, pairOffset_ = 0;
  uint32_t letterWords_ = 0, letterOffset_ = 0;
};

}  // namespace zrt
