// Types and format widths shared by the two word indexes, their writers and readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/bytes.h"

namespace zrt {

// Word keys: code page 866, upper case, at most this many bytes (blank-padded in ".cdd").
inline constexpr size_t kWordKeyLength = 30;
// An occurrence on disk: record u32, field byte, position byte.
inline constexpr size_t kOccurrenceSize = 6;
inline constexpr size_t kOccurrenceFieldAt = 4;
inline constexpr size_t kOccurrencePositionAt = 5;

// One occurrence of a word: the record, the source field number of the field that holds
// it, and the word's position among the indexed words of that field (1-based, wrapping
// after 255). 6 bytes in ".cdh" and in update-index entries.
struct Occurrence {
  int32_t record;
  uint8_t field;
  uint8_t position;
};

// The set order of occurrences as one integer, so that every comparison in the merges is
// a single compare the compiler sees: record (sign bit flipped, so that negative records
// come first), field byte, position.
inline uint64_t SortKey(const Occurrence& o) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(o.record) ^ 0x80000000u) << 16) |
         (static_cast<uint64_t>(o.field) << 8) | o.position;
}

inline Occurrence DecodeOccurrence(const void* bytes) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  return {static_cast<int32_t>(GetU32(p)), p[kOccurrenceFieldAt], p[kOccurrencePositionAt]};
}

inline void EncodeOccurrence(const Occurrence& o, void* bytes) {
  auto* p = static_cast<unsigned char*>(bytes);
  PutU32(p, static_cast<uint32_t>(o.record));
  p[kOccurrenceFieldAt] = o.field;
  p[kOccurrencePositionAt] = o.position;
}

// A dictionary row: a ".cdd" entry, and a row of the dictionary listing.
struct DictionaryRow {
  char word[kWordKeyLength];  // code page 866 upper case, blank-padded, no terminator
  uint32_t groupMask;         // bit f-1 for a word in a field of field byte f (1-32)
  uint32_t documents;         // distinct records holding the word
  uint32_t occurrences;       // occurrences in all
  uint32_t offset;            // of the first occurrence in ".cdh", counted from its magic's end
};

// The ".cdd" form of a key: the first kWordKeyLength bytes, padded with blanks.
inline void PadWordKey(const std::string& key, char* word) {
  std::memset(word, ' ', kWordKeyLength);
  std::memcpy(word, key.data(), key.size() < kWordKeyLength ? key.size() : kWordKeyLength);
}

// A ".cdd" entry: the fields of DictionaryRow in order, the word first.
inline constexpr size_t kRowGroupMaskAt = kWordKeyLength;  // 30
inline constexpr size_t kRowDocumentsAt = kRowGroupMaskAt + 4;
inline constexpr size_t kRowOccurrencesAt = kRowDocumentsAt + 4;
inline constexpr size_t kRowOffsetAt = kRowOccurrencesAt + 4;
inline constexpr size_t kDictionaryRowSize = kRowOffsetAt + 4;  // 46

inline DictionaryRow DecodeDictionaryRow(const void* bytes) {
  const auto* e = static_cast<const unsigned char*>(bytes);
  DictionaryRow row;
  std::memcpy(row.word, e, kWordKeyLength);
  row.groupMask = GetU32(e + kRowGroupMaskAt);
  row.documents = GetU32(e + kRowDocumentsAt);
  row.occurrences = GetU32(e + kRowOccurrencesAt);
  row.offset = GetU32(e + kRowOffsetAt);
  return row;
}

inline void EncodeDictionaryRow(const DictionaryRow& row, void* bytes) {
  auto* e = static_cast<unsigned char*>(bytes);
  std::memcpy(e, row.word, kWordKeyLength);
  PutU32(e + kRowGroupMaskAt, row.groupMask);
  PutU32(e + kRowDocumentsAt, row.documents);
  PutU32(e + kRowOccurrencesAt, row.occurrences);
  PutU32(e + kRowOffsetAt, row.offset);
}

}  // namespace zrt
