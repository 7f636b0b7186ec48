#include "query/listing.h"

#include <cstring>

#include "index/dictionary.h"
#include "index/term_match.h"
#include "index/update_index.h"
#include "text/charset.h"

namespace zrt {

std::string RowWord(const DictionaryRow& row) {
  size_t n = 0;
  while (n < sizeof row.word && row.word[n]) ++n;
  while (n > 0 && row.word[n - 1] == ' ') --n;
  return OemToAnsi(std::string(row.word, n));
}

namespace {

// One row per word: a word of both indexes has both counts added.
void MergeRows(std::vector<DictionaryRow>& fixed, std::vector<DictionaryRow>& updated, size_t limit,
               std::vector<DictionaryRow>* listing) {
  size_t i = 0, j = 0;
  while ((i < fixed.size() || j < updated.size()) && listing->size() < limit) {
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
}

bool StartsWith(const char* word, const std::string& prefix) {
  return prefix.size() <= sizeof DictionaryRow::word && std::memcmp(word, prefix.data(), prefix.size()) == 0;
}

}  // namespace

Status SearchByRoot(const SearchContext& ctx, const char* root, const char* fieldNames,
                    std::vector<DictionaryRow>* listing, bool* cut) {
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
  MergeRows(fixed, updated, kMaxListingRows, listing);
  if (cut) *cut = fixed.size() >= kMaxTermRows || listing->size() >= kMaxListingRows;
  return Status::Ok();
}

Status ListAllWords(const StaticIndex& index, UpdateIndex* updates, const std::string& keyPrefix,
                    std::vector<DictionaryRow>* rows) {
  rows->clear();
  std::vector<DictionaryRow> fixed;
  if (!index.pages().empty()) {
    StaticIndex::Scan scan(index);
    DictionaryRow row{};
    std::vector<Occurrence> occurrences;
    while (scan.Next(&row, &occurrences)) {
      if (StartsWith(row.word, keyPrefix)) {
        fixed.push_back(row);
      } else if (std::memcmp(row.word, keyPrefix.data(), std::min(keyPrefix.size(), sizeof row.word)) > 0) {
        break;  // the dictionary is in key order
      }
    }
    if (!scan.status().ok()) return scan.status();
  }
  // The update index's rows, counted as its listing counts them: one document per
  // change of record within a word.
  std::vector<DictionaryRow> updated;
  if (updates) {
    Status s = updates->Open(false);
    if (!s.ok() && s.code() != Status::Code::NotFound) return s;
  }
  if (updates && updates->isOpen()) {
    Status s = updates->ScanFirst();
    if (!s.ok()) return s;
    std::string key;
    Occurrence o{};
    int32_t lastRecord = 0;
    while (updates->ScanNext(&key, &o)) {
      DictionaryRow row{};
      std::memset(row.word, ' ', sizeof row.word);
      std::memcpy(row.word, key.data(), std::min(key.size(), sizeof row.word));
      if (!StartsWith(row.word, keyPrefix)) continue;
      if (updated.empty() || std::memcmp(updated.back().word, row.word, sizeof row.word) != 0) {
        updated.push_back(row);
        lastRecord = o.record;
        updated.back().documents = 1;
      } else if (o.record != lastRecord) {
        ++updated.back().documents;
        lastRecord = o.record;
      }
      if (o.field >= 1 && o.field <= 32) updated.back().groupMask |= 1u << (o.field - 1);
      ++updated.back().occurrences;
    }
  }
  MergeRows(fixed, updated, SIZE_MAX, rows);
  return Status::Ok();
}

}  // namespace zrt
