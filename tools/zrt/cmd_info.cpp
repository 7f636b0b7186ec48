// zrt info: what an edition is — titles, fields, index groups, records, contents.
#include <cstdio>

#include "command.h"
#include "edition/edition.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

int RunInfo(const Args& args) {
  OpenedEdition ed;
  std::string error;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();
  const zrt::Edition& e = *h->edition;

  std::printf("Title:       %s\n", Utf8(ZRT_GetOemName(h, 1)).c_str());
  std::printf("Short name:  %s\n", Utf8(ZRT_GetOemName(h, 0)).c_str());
  std::printf("Copyright:   %s\n", Utf8(ZRT_GetCopyright(h)).c_str());
  std::printf("Records:     %d\n", ZRT_GetNumRecords(h));
  std::printf("Contents:    %s\n", ZRT_GetOgl(h) ? "yes" : "no");
  std::printf("Descriptor:  %s\n", e.descriptor() ? "yes" : "no");
  std::printf("Word index:  page index %s, %zu entries\n",
              e.index().newForm() ? "\"ASDp\"" : "\"ASDP\"", e.index().pages().size());
  if (e.store().description().shiftedNumbering)
    std::printf("Numbering:   shifted (the number 11 is not used)\n");

  std::printf("\nSource fields:\n  %-4s %-6s %-16s %s\n", "No", "Group", "Name", "Display name");
  const auto& fields = e.store().description().fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    uint8_t no = ZRT_GetSrcNoByField(h, fields[i].name.c_str());
    std::printf("  %-4d %-6u %-16s %s\n", no, fields[i].group, Utf8(fields[i].name.c_str()).c_str(),
                Utf8(fields[i].display.c_str()).c_str());
  }
  if (e.descriptor()) {
    std::printf("\nDefined fields:\n  %-4s %-16s %s\n", "No", "Name", "Display name");
    for (int n = 1; n <= ZRT_GetFieldCount(h); ++n)
      std::printf("  %-4d %-16s %s\n", n, Utf8(ZRT_GetFieldByNo(h, static_cast<uint8_t>(n))).c_str(),
                  Utf8(ZRT_GetAliasFieldName(h, static_cast<uint8_t>(n - 1))).c_str());
  }
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "info",
             .arguments = "EDITION",
             .summary = "titles, fields and index groups, record count",
             .run = RunInfo});

}  // namespace zrt::cli
