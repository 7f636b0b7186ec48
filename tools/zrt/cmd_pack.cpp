// zrt pack EDITION: merges the update index into the static index and drops withdrawn
// records. The engine's export keeps quiet about failures; the tool does not.
#include <chrono>
#include <cstdio>

#include "command.h"
#include "edition/edition.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

int RunPack(const Args& args) {
  OpenedEdition ed;
  std::string error;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  zrt::Edition& edition = *ed.get()->edition;
  if (edition.store().readOnly())
    return Fail(args.positional[0] + ": the edition is read-only; it was not packed");
  const int32_t before = edition.store().recordCount();
  auto started = std::chrono::steady_clock::now();
  zrt::Status s = edition.Pack();
  if (!s.ok()) return Fail("packing " + args.positional[0] + " failed: " + s.message());
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("Packed in %.2f s: %d records (%d withdrawn removed)\n", seconds,
              edition.store().recordCount(), before - edition.store().recordCount());
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "pack",
             .arguments = "EDITION",
             .summary = "merge the update index into the static index",
             .run = RunPack});

}  // namespace zrt::cli
