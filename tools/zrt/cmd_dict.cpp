// zrt dict EDITION ROOT: the index words that begin with a root (the query rules apply:
// "нефт$" lists every continuation, an empty root the first words), with the number of
// documents and occurrences of each.
#include <cstdio>
#include <string>

#include "command.h"
#include "cp1251.h"
#include "edition_arg.h"
#include "zrteng.h"

namespace zrt::cli {
namespace {

int RunDict(const Args& args) {
  std::string root, fields, bad;
  if (args.positional.size() == 2 && !FromUtf8(args.positional[1], &root, &bad))
    return Fail("'" + bad + "' has no Windows-1251 form");
  if (!FromUtf8(args.Get("fields"), &fields, &bad)) return Fail("'" + bad + "' has no Windows-1251 form");
  OpenedEdition ed;
  std::string error;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();
  if (ZRT_SetQueryByRoot(h, root.c_str(), fields.empty() ? nullptr : fields.c_str()) != 0)
    return Fail("out of memory");
  int count = ZRT_GetNumFoundWords(h);
  std::printf("%-30s %9s %11s\n", "Word", "Documents", "Occurrences");
  for (int i = 0; i < count; ++i) {
    int32_t documents = 0, occurrences = 0;
    const char* word = ZRT_GetDctRow(h, i, &documents, &occurrences);
    if (!word) break;
    std::string w = ToUtf8(word);
    // Pad by characters, not bytes, so Cyrillic words line up.
    size_t chars = 0;
    for (unsigned char c : w) chars += (c & 0xC0) != 0x80;
    std::printf("%s%s %9d %11d\n", w.c_str(), std::string(chars < 30 ? 30 - chars : 0, ' ').c_str(),
                documents, occurrences);
  }
  std::printf("%d word%s\n", count, count == 1 ? "" : "s");
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "dict",
             .arguments = "EDITION [ROOT]",
             .summary = "index words found by a root, with documents and occurrences",
             .run = RunDict,
             .options = {{"fields", 0, "TI,AB", "only words that occur in these fields"}}});

}  // namespace zrt::cli
