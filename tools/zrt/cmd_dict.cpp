// zrt dict EDITION ROOT: the index words that the front end's dictionary window lists for
// a root, with the number of documents and occurrences of each.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "edition_arg.h"
#include "edition/edition.h"
#include "edition_arg.h"
#include "index/dictionary.h"
#include "index/term_match.h"
#include "query/listing.h"
#include "record_view.h"

namespace zrt::cli {
namespace {

// Whether the static index gave the listing as many rows as one lookup may: then words
// beyond them were left out.
bool StaticRowsCut(zrt::Edition& e, const std::string& root, const std::string& fields) {
  zrt::SearchContext ctx = e.searchContext();
  if (ctx.index.pages().empty()) return false;
  uint32_t mask = fields.empty() ? zrt::kAllGroups : ctx.fields.GroupMask(fields.c_str());
  std::vector<zrt::DictionaryRow> rows;
  return zrt::LookupDictionary(ctx.index, zrt::TermMatcher(root.c_str(), ctx.params), mask, &rows).ok() &&
         rows.size() >= zrt::kMaxTermRows;
}

int RunDict(const Args& args) {
  std::string root, fields, error;
  if (args.positional.size() == 2 && !ArgText(args.positional[1], &root, &error, "the root"))
    return UsageError(args, error);
  if (!ArgText(args.Get("fields"), &fields, &error, "--fields")) return UsageError(args, error);
  if (args.Has("prefix")) root += '$';
  OpenedEdition ed;
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
    size_t chars = Width(w);
    std::printf("%s%s %9d %11d\n", w.c_str(), std::string(chars < 30 ? 30 - chars : 0, ' ').c_str(),
                documents, occurrences);
  }
  std::printf("%d word%s\n", count, count == 1 ? "" : "s");
  if (count >= static_cast<int>(zrt::kMaxListingRows) || StaticRowsCut(*h->edition, root, fields))
    std::printf("(the listing stops at %zu words of the static index and %zu in all; a longer root "
                "lists the rest)\n",
                zrt::kMaxTermRows, zrt::kMaxListingRows);
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "dict",
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
