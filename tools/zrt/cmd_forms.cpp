// zrt forms WORD: the forms of a Russian word from the morphology dictionary, as a query
// fragment, and their number.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "edition_arg.h"
#include "morph_arg.h"
#include "zrteng.h"

namespace zrt::cli {
namespace {

int RunForms(const Args& args) {
  std::string word, error;
  if (!ArgText(args.positional[0], &word, &error, "the word")) return UsageError(args, error);
  DZContext ctx;
  if (!OpenMorphDictionary(args, &ctx)) return 1;
  std::vector<char> out(DZ_FORMS_SIZE);
  const int n = DZFindForms(word.c_str(), out.data(), &ctx, MorphFlags(args));
  DZStop(&ctx);
  if (n == 0) {
    std::printf("no forms\n");
    return 0;
  }
  std::printf("%s\n%d forms\n", ToUtf8(out.data()).c_str(), n);
  return 0;
}

ZRT_COMMAND({.name = "forms",
             .arguments = "WORD",
             .summary = "the Russian word forms of a word, as a query fragment",
             .run = RunForms,
             .options = kMorphOptions});

}  // namespace
}  // namespace zrt::cli
