// zrt dict EDITION ROOT: the index words that the front end's dictionary window lists for
// a root, with the number of documents and occurrences of each.
#include <cstdio>
#include <string>
#include <vector>

#include "client/word_listing.h"
#include "command.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

int RunDict(const Args& args) {
  std::string root, fields, error;
  if (args.positional.size() == 2 && !ArgText(args.positional[1], &root, &error, "the root"))
    return UsageError(args, error);
  if (!ArgText(args.Get("fields"), &fields, &error, "--fields")) return UsageError(args, error);
  if (args.Has("prefix")) root += '$';
  OpenedEdition ed;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  std::vector<client::WordRow> rows;
  bool cut = false;
  if (!client::ListByRoot(ed.get(), root, fields, &rows, &cut, &error)) return Fail(error);
  std::printf("%-30s %9s %11s\n", "Word", "Documents", "Occurrences");
  for (const client::WordRow& row : rows) {
    std::string w = ToUtf8(row.word);
    size_t chars = Width(w);
    std::printf("%s%s %9d %11d\n", w.c_str(), std::string(chars < 30 ? 30 - chars : 0, ' ').c_str(),
                row.documents, row.occurrences);
  }
  std::printf("%zu word%s\n", rows.size(), rows.size() == 1 ? "" : "s");
  if (cut)
    std::printf(
        "(the listing stops at 301 words of the static index and 1250 in all; a longer root "
        "lists the rest)\n");
  return 0;
}

}  // namespace

ZRT_COMMAND(
    {.name = "dict",
     .arguments = "EDITION [ROOT]",
     .summary = "index words found by a root, with documents and occurrences",
     .run = RunDict,
     .options = {{"prefix", 0, nullptr, "every word that begins with ROOT (the same as ROOT$)"},
                 {"fields", 0, "TI,AB", "only words that occur in these fields"}},
     .details = "The root is looked up as a query word is: without a wildcard it lists that\n"
                "word only; ROOT$ (or --prefix) lists the words that begin with it, ROOT$2\n"
                "those with at most two more letters, and \"?\" stands for one letter. An\n"
                "empty root lists the first words of the dictionary. At most 301 words come\n"
                "from the static index and 1250 in all; a listing cut there says so.\n"});

}  // namespace zrt::cli
