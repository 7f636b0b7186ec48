// zrt words EDITION [PREFIX]: every dictionary word of both indexes with the fields it
// occurs in, its documents and occurrences. Words of records that were appended or
// changed since the last pack come from the update index, their old static occurrences
// are left out, so the listing is the one the edition will have after packing (except
// for the renumbering of withdrawn records, which changes no count).
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "command.h"
#include "edition_arg.h"
#include "edition/edition.h"
#include "edition_arg.h"
#include "record_view.h"
#include "text/charset.h"

namespace zrt::cli {
namespace {

struct WordCounts {
  uint32_t mask = 0;
  uint32_t documents = 0;
  uint32_t occurrences = 0;
  int32_t lastRecord = 0;  // of the index being read
};

void Count(WordCounts* w, const zrt::Occurrence& o) {
  if (o.field >= 1 && o.field <= 32) w->mask |= 1u << (o.field - 1);
  if (w->occurrences == 0 || o.record != w->lastRecord) ++w->documents;
  w->lastRecord = o.record;
  ++w->occurrences;
}

std::string Trimmed(const char* word, size_t size) {
  while (size > 0 && word[size - 1] == ' ') --size;
  return std::string(word, size);
}

int RunWords(const Args& args) {
  std::string prefix, error;
  if (args.positional.size() == 2) {
    if (!ArgText(args.positional[1], &prefix, &error, "the prefix")) return UsageError(args, error);
    prefix = zrt::IndexKey(prefix).substr(0, 30);
  }
  OpenedEdition ed;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  zrt::Edition& edition = *ed.get()->edition;
  auto selected = [&](const std::string& word) { return word.compare(0, prefix.size(), prefix) == 0; };

  std::map<std::string, WordCounts> words;
  zrt::UpdateIndex& updates = edition.updates();
  zrt::Status s = updates.Open(false);
  if (!s.ok() && s.code() != zrt::Status::Code::NotFound) return Fail("update index: " + s.message());
  std::vector<uint32_t> changed = updates.ChangedRecords();  // sorted

  zrt::StaticIndex::Scan scan(edition.index());
  zrt::DictionaryRow row{};
  std::vector<zrt::Occurrence> occurrences;
  while (scan.Next(&row, &occurrences)) {
    std::string word = Trimmed(row.word, sizeof row.word);
    if (!selected(word)) {
      if (word > prefix) break;  // the dictionary is in key order
      continue;
    }
    WordCounts counts;
    for (const zrt::Occurrence& o : occurrences)
      if (!std::binary_search(changed.begin(), changed.end(), static_cast<uint32_t>(o.record)))
        Count(&counts, o);
    if (counts.occurrences) words[word] = counts;
  }
  if (!scan.status().ok()) return Fail("static index: " + scan.status().message());

  if (updates.isOpen()) {
    if (!(s = updates.ScanFirst()).ok()) return Fail("update index: " + s.message());
    std::string key;
    zrt::Occurrence o{};
    while (updates.ScanNext(&key, &o)) {
      std::string word = Trimmed(key.data(), key.size());
      if (!selected(word)) continue;
      // The static part left out every record of the update index, so a record counted
      // here is always a new document for the word.
      Count(&words[word], o);
    }
  }

  // The fields a word occurs in, by code.
  auto codesOf = [&](uint32_t mask) {
    std::string codes;
    for (int f = 1; f <= 32; ++f) {
      if (!(mask & (1u << (f - 1)))) continue;
      const zrt::SourceField* field = edition.store().FieldBySrcNo(f);
      if (!codes.empty()) codes += ',';
      codes += field ? ToUtf8(field->name) : std::to_string(f);
    }
    return codes;
  };
  size_t codesWidth = 6;
  for (const auto& [oem, counts] : words) codesWidth = std::max(codesWidth, Width(codesOf(counts.mask)));
  auto pad = [](const std::string& s, size_t width) {
    size_t w = Width(s);
    return s + std::string(w < width ? width - w : 0, ' ');
  };
  std::printf("%s %s %9s %11s\n", pad("Word", 30).c_str(), pad("Fields", codesWidth).c_str(), "Documents",
              "Occurrences");
  for (const auto& [oem, counts] : words)
    std::printf("%s %s %9u %11u\n", pad(ToUtf8(zrt::OemToAnsi(oem)), 30).c_str(),
                pad(codesOf(counts.mask), codesWidth).c_str(), counts.documents, counts.occurrences);
  std::printf("%zu word%s\n", words.size(), words.size() == 1 ? "" : "s");
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "words",
             .arguments = "EDITION [PREFIX]",
             .summary = "dictionary words of both indexes with their fields and counts",
             .run = RunWords});

}  // namespace zrt::cli
