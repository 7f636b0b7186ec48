// zrt info: what an edition is — titles, fields, index groups, records, contents.
#include <cstdio>

#include "command.h"
#include "contents_source.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

int RunInfo(const Args& args) {
  OpenedEdition ed;
  std::string error;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();
  ZRT_EditionInfo e{};
  ZRT_GetEditionInfo(h, &e);

  std::printf("Title:       %s\n", Utf8(ZRT_GetOemName(h, 1)).c_str());
  std::printf("Short name:  %s\n", Utf8(ZRT_GetOemName(h, 0)).c_str());
  std::printf("Copyright:   %s\n", Utf8(ZRT_GetCopyright(h)).c_str());
  std::printf("Records:     %d\n", ZRT_GetNumRecords(h));
  const std::string contents = ContentsSummary(ZRT_GetOgl(h));
  std::printf("Contents:    %s\n", contents.c_str());
  std::printf("Descriptor:  %s\n", e.hasDescriptor ? "yes" : "no");
  std::printf("Word index:  page index %s, %d entries\n", e.newPageIndex ? "\"ASDp\"" : "\"ASDP\"",
              e.pageEntries);
  if (e.shiftedNumbering) std::printf("Numbering:   shifted (the number 11 is not used)\n");

  std::printf("\nSource fields:\n  %-4s %-6s %-16s %s\n", "No", "Group", "Name", "Display name");
  for (int n = 1; n <= e.sourceFields; ++n) {
    const char* display = nullptr;
    int32_t group = 0;
    const char* name = ZRT_GetSrcField(h, static_cast<uint8_t>(n), &display, &group);
    std::printf("  %-4d %-6d %-16s %s\n", ZRT_GetSrcNoByField(h, name), group, Utf8(name).c_str(),
                Utf8(display).c_str());
  }
  if (e.hasDescriptor) {
    std::printf("\nDefined fields:\n  %-4s %-16s %s\n", "No", "Name", "Display name");
    for (int n = 1; n <= ZRT_GetFieldCount(h); ++n)
      std::printf("  %-4d %-16s %s\n", n,
                  Utf8(ZRT_GetFieldByNo(h, static_cast<uint8_t>(n))).c_str(),
                  Utf8(ZRT_GetAliasFieldName(h, static_cast<uint8_t>(n - 1))).c_str());
  }
  // The summary's walk leaves the tree's state behind: ask it, not the summary's words.
  if (ORTree_Damaged(ZRT_GetOgl(h))) return Fail("the table of contents is " + contents);
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "info",
             .arguments = "EDITION",
             .summary = "titles, fields and index groups, record count",
             .run = RunInfo});

}  // namespace zrt::cli
