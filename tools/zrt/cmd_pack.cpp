// zrt pack EDITION: merges the update index into the static index and drops withdrawn
// records. ZRT_PackBase answers 0 whatever happens; the tool reads the error state.
#include <chrono>
#include <cstdio>

#include "command.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

int RunPack(const Args& args) {
  OpenedEdition ed;
  std::string error;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();
  ZRT_EditionInfo info{};
  ZRT_GetEditionInfo(h, &info);
  if (info.readOnly)
    return Fail(args.positional[0] + ": the edition is read-only; it was not packed");
  const int32_t before = ZRT_GetNumRecords(h);
  auto started = std::chrono::steady_clock::now();
  ZRT_PackBase(h);  // says how it went only through the error state
  if (ZRT_ErrCode(h) != ZRT_OK)
    return Fail("packing " + args.positional[0] + " failed: " + client::ErrorMessage(h));
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("Packed in %.2f s: %d records (%d withdrawn removed)\n", seconds,
              ZRT_GetNumRecords(h), before - ZRT_GetNumRecords(h));
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "pack",
             .arguments = "EDITION",
             .summary = "merge the update index into the static index",
             .run = RunPack});

}  // namespace zrt::cli
