#include "query/listing.h"

#include <cstring>

#include "index/dictionary.h"
#include "index/term_match.h"
#include "text/charset.h"

namespace zrt {

std::string RowWord(const DictionaryRow& row) {
  size_t n = 0;
  while (n < sizeof row.word && row.word[n]) ++n;
  while (n > 0 && row.word[n - 1] == ' ') --n;
  return OemToAnsi(std::string(row.word, n));
}

Status SearchByRoot(const SearchContext& ctx, const char* root, const char* fieldNames,
                    std::vector<DictionaryRow>* listing) {
  uint32_t mask = kAllGroups;
  if (fieldNames && *fieldNames) {
    std::string names(fieldNames, strnlen(fieldNames, kMaxFieldNamesBytes));
    mask = ctx.fields.GroupMask(names.c_str());
  }
  listing->clear();
  const char* text = root ? root : "";

  std::vector<DictionaryRow> updated;
  if (ctx.updates && ctx.updates->Available()) {
    // A listing that cannot read the update index shows the static words only.
    if (!ctx.updates->List(text, mask, &updated).ok()) updated.clear();
  }
  std::vector<DictionaryRow> fixed;
  if (!ctx.index.pages().empty()) {
    // A dictionary that ends too early lists nothing of it rather than failing.
    if (!LookupDictionary(ctx.index, TermMatcher(text, ctx.params), mask, &fixed).ok())
      fixed.clear();
  }
  if (updated.empty()) {
    *listing = std::move(fixed);
    return Status::Ok();
  }
  if (fixed.empty()) {
    if (updated.size() > kMaxListingRows) updated.resize(kMaxListingRows);
    *listing = std::move(updated);
    return Status::Ok();
  }
  size_t i = 0, j = 0;
  while ((i < fixed.size() || j < updated.size()) && listing->size() < kMaxListingRows) {
    int order = i == fixed.size()     ? 1
                : j == updated.size() ? -1
                                      : std::memcmp(fixed[i].word, updated[j].word, sizeof fixed[i].word);
    if (order < 0) {
      listing->push_back(fixed[i++]);
    } else if (order > 0) {
      listing->push_back(updated[j++]);
    } else {
      DictionaryRow row = fixed[i++];
      const DictionaryRow& u = updated[j++];
      row.groupMask |= u.groupMask;
      row.documents += u.documents;
      row.occurrences += u.occurrences;
      listing->push_back(row);
    }
  }
  return Status::Ok();
}

}  // namespace zrt
