// What a query reads from its edition, and the per-edition query state.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/status.h"
#include "core/fields.h"
#include "index/postings.h"
#include "index/record_bitmap.h"
#include "index/static_index.h"
#include "query/found_set.h"
#include "text/qparams.h"

namespace zrt {

// The update index as the query side sees it: the words of documents added or changed
// since the last pack. The edition implements it over its update index.
class UpdateSource {
public:
  virtual ~UpdateSource() = default;
  // True when the edition has an update index and it could be opened.
  virtual bool Available() = 0;
  // Appends the occurrences of the keys that `term` matches (see TermMatcher) to *out, in
  // runs each in set order, and the offset where each run begins to *runs.
  virtual Status Lookup(const char* term, std::vector<Occurrence>* out, std::vector<size_t>* runs,
                        bool* found) = 0;
  // Listing rows of the keys matching `root` in the fields of `groupMask`, sorted by word.
  virtual Status List(const char* root, uint32_t groupMask, std::vector<DictionaryRow>* rows) = 0;
  // Records whose static-index occurrences no longer count.
  virtual const RecordBitmap& Changed() = 0;
};

// Word occurrences a query may hold in its pending found sets at once (8 bytes each, and
// as much again while two sets are merged). A disjunction of hundreds of truncated
// terms keeps every occurrence of each, so it is refused before it exhausts memory.
inline constexpr size_t kMaxQueryOccurrences = size_t{1} << 24;

struct SearchContext {
  const StaticIndex& index;
  UpdateSource* updates;  // null: the edition has none
  Fields fields;
  QueryParams params;
  FoundSetBuffers* buffers = nullptr;  // reused by the found sets; null: none kept
  size_t maxOccurrences = kMaxQueryOccurrences;
};

// Called once per evaluated term with (dictionary rows, records, occurrences, term);
// (0, 0, 0) for a term found nowhere, (-1, -1, -1) for a stop word. Returning false
// stops the query: it fails after that term.
using QueryProgress = std::function<bool(int32_t, int32_t, int32_t, const char*)>;

// The query results an edition keeps: the last query's found set, reduced to records,
// and the dictionary listing of the last search by root.
struct QueryState {
  FoundSet found;
  std::vector<DictionaryRow> listing;
  bool listingCut = false;  // the listing stopped at a row limit; a longer root lists the rest
  std::string text;  // the last query's text with its limits, as it was parsed
  bool stopRequested = false;  // the running query's progress callback asked it to stop
  FoundSetBuffers buffers;

  void ClearListing() {
    listing.clear();
    listing.shrink_to_fit();
    listingCut = false;
  }
  // The found set's memory stays for the next query; Release gives it all back.
  void ClearFound() { found.Recycle(&buffers); }
  void Release() {
    found.Clear();
    buffers.Release();
  }
};

}  // namespace zrt
