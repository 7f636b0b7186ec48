// zrt check EDITION: the engine's integrity check of every file of an edition; each
// problem on a line of its own with its file and byte offset. Exit 0 only for a sound
// edition.
#include <cstdio>

#include "command.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

void PrintProblem(void*, const char* file, int64_t offset, const char* message) {
  if (offset >= 0) {
    std::printf("%s: offset %lld: %s\n", Utf8(file).c_str(), static_cast<long long>(offset),
                Utf8(message).c_str());
  } else {
    std::printf("%s: %s\n", Utf8(file).c_str(), Utf8(message).c_str());
  }
}

int RunCheck(const Args& args) {
  const std::string& edition = args.positional[0];
  int32_t problems = ZRT_CheckEdition(edition.c_str(), nullptr, PrintProblem, nullptr);
  if (problems < 0) return Fail(edition + ": " + Utf8(ZRT_ErrMsg(nullptr)));
  if (problems > 0) {
    std::printf("%d problem%s found\n", problems, problems == 1 ? "" : "s");
    return 1;
  }
  std::printf("%s: sound\n", edition.c_str());
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "check",
             .arguments = "EDITION",
             .summary = "verify every file of an edition and the references between them",
             .run = RunCheck});

}  // namespace zrt::cli
