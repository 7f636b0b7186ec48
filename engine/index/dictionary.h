// Reading the static index for a query term: the dictionary rows that the term selects,
// and the occurrences of a row.
//
// A term's rows are found through the page index: the entry of the prefix's first two
// bytes (a one-byte prefix uses its letter's summary, or, for an exact term, the entry
// of the one-letter word) gives the run of ".cdd" rows to scan. An empty term, or one
// that starts with a wildcard, lists the dictionary's first words.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/status.h"
#include "index/postings.h"
#include "index/record_bitmap.h"
#include "index/static_index.h"
#include "index/term_match.h"

namespace zrt {

// Rows one term may select.
inline constexpr size_t kMaxTermRows = 301;
inline constexpr uint32_t kAllGroups = 0xFFFFFFFFu;

// Appends the rows that `term` selects among the words of the fields in `groupMask`
// (kAllGroups: any field), at most kMaxTermRows and no more than the page-index entry
// counts. A dictionary that ends inside the scanned rows gives Corruption.
Status LookupDictionary(const StaticIndex& index, const TermMatcher& term, uint32_t groupMask,
                        std::vector<DictionaryRow>* rows);

// Occurrences a reading leaves out.
struct OccurrenceFilter {
  const RecordBitmap* staleRecords = nullptr;  // records whose occurrences no longer count
  const bool* fields = nullptr;                // 256 entries: the field bytes kept
};

// Appends the occurrences of one row that pass `filter`; *ascending (when given) tells
// whether they came strictly in set order, as an undamaged file has them. The row's
// offset and count come from the file, so they are checked against the occurrence
// file's size before anything is read. `merge`, strictly ascending and only without a
// field filter, is merged in as the row is read (an occurrence in both once); the
// result is in set order when *ascending is true.
Status ReadOccurrences(const StaticIndex& index, const DictionaryRow& row,
                       std::vector<Occurrence>* out, const OccurrenceFilter& filter = {},
                       bool* ascending = nullptr, std::span<const Occurrence> merge = {});

}  // namespace zrt
