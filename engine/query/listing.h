// The dictionary listing: the index words that begin with a root, from the static
// dictionary and the update index, with their document and occurrence counts.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/status.h"
#include "index/postings.h"
#include "query/search_context.h"

namespace zrt {

inline constexpr size_t kMaxListingRows = 1250;
inline constexpr size_t kMaxFieldNamesBytes = 127;

// Replaces *listing. `root` follows the rules of a query term (empty: the first words
// of the dictionary); `fieldNames` (null or empty: all fields) restricts the words to
// those occurring in the named fields' index groups.
// *cut (may be null) tells whether a row limit left words out.
Status SearchByRoot(const SearchContext& context, const char* root, const char* fieldNames,
                    std::vector<DictionaryRow>* listing, bool* cut = nullptr);

class UpdateIndex;

// Every word whose index key begins with `keyPrefix` (code page 866, upper case; empty:
// every word), in key order and without row limits, the static and the update index
// merged as SearchByRoot merges them, so that each row has the counts the listing shows.
// `updates` may be null or closed.
Status ListAllWords(const StaticIndex& index, UpdateIndex* updates, const std::string& keyPrefix,
                    std::vector<DictionaryRow>* rows);

// The word of a row as Windows-1251 text without its padding.
std::string RowWord(const DictionaryRow& row);

}  // namespace zrt
