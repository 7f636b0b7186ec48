// Types shared by the two word indexes and their readers.
#pragma once

#include <cstdint>

namespace zrt {

// One occurrence of a word: the record, the source field number of the field that holds
// it, and the word's position among the indexed words of that field (1-based, wrapping
// after 255). 6 bytes in ".cdh" and in update-index entries.
struct Occurrence {
  int32_t record;
  uint8_t field;
  uint8_t position;
};

// A dictionary row: a ".cdd" entry, and a row of the dictionary listing.
struct DictionaryRow {
  char word[30];          // code page 866 upper case, blank-padded, no terminator
  uint32_t groupMask;     // bit f-1 for a word in a field of field byte f (1-32)
  uint32_t documents;     // distinct records holding the word
  uint32_t occurrences;   // occurrences in all
  uint32_t offset;        // of the first occurrence in ".cdh", counted from its magic's end
};

}  // namespace zrt
