// zrt expand QUERY: the query as the search sees it when morphology is on, each free
// Cyrillic word replaced by the OR of its forms.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "edition_arg.h"
#include "morph_arg.h"
#include "zrteng.h"

namespace zrt::cli {
namespace {

int RunExpand(const Args& args) {
  const std::string& utf8 = args.positional[0];
  std::string query, error;
  if (!ArgText(utf8, &query, &error, "the query")) return UsageError(args, error);
  DZContext ctx;
  if (!OpenMorphDictionary(args, &ctx)) return 1;
  std::vector<char> out(query.size() * DZ_EXPAND_FACTOR + 1);
  DZExpandQuery(query.c_str(), out.data(), &ctx, MorphFlags(args));
  DZStop(&ctx);
  std::printf("%s\n", ToUtf8(out.data()).c_str());
  return 0;
}

ZRT_COMMAND({.name = "expand",
             .arguments = "QUERY",
             .summary = "a query with its Russian words expanded into their forms",
             .run = RunExpand,
             .options = kMorphOptions});

}  // namespace
}  // namespace zrt::cli
