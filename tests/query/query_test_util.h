// Shared pieces of the query tests: temporary folders, handles, and editions whose word
// index is made from the records by the word scanner, as the indexer makes it.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fixture/fixture_writer.h"
#include "fixture/scratch.h"
#include "text/charset.h"
#include "text/wordscan.h"
#include "zrteng.h"

namespace querytest {

using fixture::FoundRecords;
using fixture::Handle;
using fixture::TempDir;

struct OpCodes {
  OpCodes() { CWordOpCode_build(&list); }
  ~OpCodes() { CWordOpCode_destroy(&list); }
  operator CWordOpCode*() { return &list; }
  CWordOpCode list{};
};

// The index words of a record's fields: (upper-case ANSI word, field, position).
struct IndexWord {
  std::string word;
  uint32_t record;
  uint8_t field;
  uint8_t position;
};

inline std::vector<IndexWord> ScanWords(const fixture::Edition& e) {
  std::vector<IndexWord> out;
  for (size_t r = 0; r < e.records.size(); ++r) {
    for (const auto& [field, text] : e.records[r].fields) {
      std::string copy = text;
      zrt::WordScanner scanner(copy.data());
      uint8_t counter = 0;
      int32_t offset = 0;
      while (char* w = scanner.Next(&counter, &offset)) {
        std::string word = w;
        zrt::AnsiUpper(word.data());
        out.push_back({word, static_cast<uint32_t>(r + 1), field, counter});
      }
    }
  }
  return out;
}

inline std::vector<fixture::Word> ToFixtureWords(const std::vector<IndexWord>& words) {
  std::vector<fixture::Word> out;
  for (const IndexWord& w : words) {
    auto it = std::find_if(out.begin(), out.end(), [&](const fixture::Word& f) { return f.key == w.word; });
    if (it == out.end()) {
      out.push_back({w.word, {}});
      it = out.end() - 1;
    }
    it->occurrences.push_back({w.record, w.field, w.position});
  }
  return out;
}

// Sets the query parameters for a test and restores the defaults after it.
struct QueryParamsScope {
  QueryParamsScope(char cut, int ignorePoint, int ignoreOperators, int autoCut) {
    CDat_SetQParam(cut, ignorePoint, ignoreOperators, autoCut);
  }
  ~QueryParamsScope() { CDat_SetQParam('$', 0, 0, 0); }
};

}  // namespace querytest
