#include "client/word_listing.h"

#include "client/edition.h"

namespace zrt::client {

bool ListByRoot(EngineHandle* h, const std::string& root, const std::string& fieldNames,
                std::vector<WordRow>* rows, bool* cut, std::string* error) {
  rows->clear();
  if (ZRT_SetQueryByRoot(h, root.c_str(), fieldNames.empty() ? nullptr : fieldNames.c_str()) != 0) {
    *error = ErrorMessage(h);
    return false;
  }
  const int count = ZRT_GetNumFoundWords(h);
  for (int i = 0; i < count; ++i) {
    WordRow row;
    const char* word = ZRT_GetDctRow(h, i, &row.documents, &row.occurrences);
    if (!word) break;
    row.word = word;
    rows->push_back(std::move(row));
  }
  if (cut) *cut = ZRT_GetDctCut(h) == 1;
  return true;
}

bool ListAllWords(EngineHandle* h, const std::string& prefix, std::vector<WordRow>* rows,
                  std::string* error) {
  rows->clear();
  auto add = [](void* context, const char* word, uint32_t mask, int32_t documents,
                int32_t occurrences) {
    static_cast<std::vector<WordRow>*>(context)->push_back({word, mask, documents, occurrences});
  };
  if (ZRT_ListWords(h, prefix.c_str(), add, rows) >= 0) return true;
  *error = ErrorMessage(h);
  return false;
}

}  // namespace zrt::client
