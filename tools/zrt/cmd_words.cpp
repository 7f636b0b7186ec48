// zrt words EDITION [PREFIX]: every dictionary word of both indexes with the fields it
// occurs in, its documents and occurrences, counted as the dictionary listing counts
// them (the static and the update index added up, through one merge in the engine).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "client/word_listing.h"
#include "command.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

int RunWords(const Args& args) {
  std::string prefix, error;
  if (args.positional.size() == 2 && !ArgText(args.positional[1], &prefix, &error, "the prefix"))
    return UsageError(args, error);
  OpenedEdition ed;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();
  std::vector<client::WordRow> words;
  if (!client::ListAllWords(h, prefix, &words, &error)) return Fail(error);

  // The fields a word occurs in, by code.
  auto codesOf = [&](uint32_t mask) {
    std::string codes;
    for (int f = 1; f <= 32; ++f) {
      if (!(mask & (1u << (f - 1)))) continue;
      const char* name = ZRT_GetSrcField(h, static_cast<uint8_t>(f), nullptr, nullptr);
      if (!codes.empty()) codes += ',';
      codes += name ? ToUtf8(name) : std::to_string(f);
    }
    return codes;
  };
  size_t codesWidth = 6;
  for (const client::WordRow& w : words)
    codesWidth = std::max(codesWidth, Width(codesOf(w.fieldMask)));
  auto pad = [](const std::string& s, size_t width) {
    size_t w = Width(s);
    return s + std::string(w < width ? width - w : 0, ' ');
  };
  std::printf("%s %s %9s %11s\n", pad("Word", 30).c_str(), pad("Fields", codesWidth).c_str(),
              "Documents", "Occurrences");
  for (const client::WordRow& w : words)
    std::printf("%s %s %9d %11d\n", pad(ToUtf8(w.word), 30).c_str(),
                pad(codesOf(w.fieldMask), codesWidth).c_str(), w.documents, w.occurrences);
  std::printf("%zu word%s\n", words.size(), words.size() == 1 ? "" : "s");
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "words",
             .arguments = "EDITION [PREFIX]",
             .summary = "dictionary words of both indexes with their fields and counts",
             .run = RunWords});

}  // namespace zrt::cli
