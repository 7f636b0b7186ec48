// zrt show EDITION N...: the fields of records by display name, with their multimedia
// files. Each argument is a number, a range or a list of both ("5-7", "1,3,10-12").
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "edition_arg.h"
#include "record_view.h"

namespace zrt::cli {
namespace {

bool Number(const std::string& text, int32_t* n) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *n);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// The record numbers of "N", "N-M" and comma lists of them, each from 1 to count.
bool Numbers(const std::string& arg, int32_t count, std::vector<int32_t>* out, std::string* error) {
  size_t start = 0;
  do {
    size_t comma = arg.find(',', start);
    std::string item = arg.substr(start, comma == std::string::npos ? comma : comma - start);
    start = comma == std::string::npos ? arg.size() + 1 : comma + 1;
    size_t dash = item.find('-');
    int32_t from = 0, to = 0;
    bool ok = dash == std::string::npos ? Number(item, &from) && (to = from, true)
                                        : Number(item.substr(0, dash), &from) &&
                                              Number(item.substr(dash + 1), &to) && from <= to;
    if (!ok || from < 1 || to > count) {
      *error = "'" + item + "' is not a record number or range N-M within 1-" + std::to_string(count);
      return false;
    }
    for (int32_t n = from; n <= to; ++n) out->push_back(n);
  } while (start <= arg.size());
  return true;
}

int RunShow(const Args& args) {
  OpenedEdition ed;
  std::string error;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();
  std::vector<int32_t> records;
  for (size_t i = 1; i < args.positional.size(); ++i)
    if (!Numbers(args.positional[i], ZRT_GetNumRecords(h), &records, &error)) return Fail(error);
  for (size_t i = 0; i < records.size(); ++i) {
    if (ZRT_GotoRecord(h, records[i]) != 0)
      return Fail("record " + std::to_string(records[i]) + " cannot be read: the edition is damaged");
    if (i > 0) std::printf("\n");
    PrintRecord(h, records[i], nullptr);
  }
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "show",
             .arguments = "EDITION N...",
             .summary = "the fields of records and their multimedia files",
             .run = RunShow,
             .details = "N is a record number, a range (5-7) or a list of both (1,3,10-12).\n"});

}  // namespace zrt::cli
