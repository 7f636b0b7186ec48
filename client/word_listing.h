// The index words of an edition with their counts, as the dictionary window lists them:
// one merge of the static and the update index, the engine's (ZRT_SetQueryByRoot and
// ZRT_ListWords count alike), so every client shows the same numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zrteng.h"

namespace zrt::client {

struct WordRow {
  std::string word;        // Windows-1251
  uint32_t fieldMask = 0;  // bit n - 1: occurs in source field n (1-32); 0 from a root listing
  int32_t documents = 0;
  int32_t occurrences = 0;
};

// The words a root selects (a query term: ROOT$, ROOT$2, "?"; empty: the first words) in
// the named fields (empty: all), at most the engine's listing limits; *cut tells whether
// they left words out. False with *error.
bool ListByRoot(EngineHandle* h, const std::string& root, const std::string& fieldNames,
                std::vector<WordRow>* rows, bool* cut, std::string* error);

// Every word that begins with `prefix` (Windows-1251, no wildcards), without limits.
bool ListAllWords(EngineHandle* h, const std::string& prefix, std::vector<WordRow>* rows,
                  std::string* error);

}  // namespace zrt::client
