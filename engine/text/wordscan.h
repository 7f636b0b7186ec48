// The word scanner that cuts a field's text into index words. The indexer and the
// highlighter must get the same words in the same order, so both use this scanner.
#pragma once

#include <cstdint>

namespace zrt {

class WordScanner {
public:
  // Starts a new scan of `text`, which is modified in place (word ends become NUL).
  explicit WordScanner(char* text = nullptr) { Reset(text); }
  void Reset(char* text);
  // Returns the next index word (NUL-terminated, inside the scanned text, «ё» folded to
  // «е» in place) or nullptr at the end. Adds one to *counter for each word returned and stores the word's byte offset
  // from the start of the text in *offset. Words are skipped by the rules of the index:
  // one-byte words of "$", "@", a digit or a byte 80-FF, empty markup pairs, pure numbers
  // after the first word, and stop words.
  char* Next(uint8_t* counter, int32_t* offset);

private:
  char* start_ = nullptr;
  char* pos_ = nullptr;
  bool first_ = true;
};

}  // namespace zrt
