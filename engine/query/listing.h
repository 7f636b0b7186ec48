// The dictionary listing: the index words that begin with a root, from the static
// dictionary and the update index, with their document and occurrence counts.
#pragma once

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
Status SearchByRoot(const SearchContext& context, const char* root, const char* fieldNames,
                    std::vector<DictionaryRow>* listing);

// The word of a row as Windows-1251 text without its padding.
std::string RowWord(const DictionaryRow& row);

}  // namespace zrt
