// zrt select EDITION "STATEMENT" [--param TEXT]... [--format table|csv|json]: runs a
// select statement and prints its rows under the items' headings.
#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "command.h"
#include "edition_arg.h"
#include "zrteng.h"

namespace zrt::cli {
namespace {

using Row = std::vector<std::string>;  // UTF-8

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

struct Printer {
  std::string format;
  Row headings;
  std::vector<Row> rows;  // the table waits for every row to know the widths

  void Start() {
    if (format == "csv") Line(headings, ",");
  }
  void Add(const Row& row) {
    if (format == "table") {
      rows.push_back(row);
    } else if (format == "csv") {
      Line(row, ",");
    } else {
      nlohmann::ordered_json object;
      for (size_t k = 0; k < row.size(); ++k) object[headings[k]] = row[k];
      std::printf("%s\n", object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    }
  }
  void Line(const Row& row, const char* separator) {
    std::string line;
    for (size_t k = 0; k < row.size(); ++k) {
      if (k) line += separator;
      line += CsvField(row[k]);
    }
    std::printf("%s\n", line.c_str());
  }
  void Finish() {
    if (format != "table") return;
    std::vector<size_t> width;
    for (const std::string& h : headings) width.push_back(Width(h));
    for (const Row& r : rows)
      for (size_t k = 0; k < r.size() && k < width.size(); ++k) width[k] = std::max(width[k], Width(r[k]));
    auto print = [&](const Row& r) {
      std::string line;
      for (size_t k = 0; k < r.size(); ++k) {
        line += r[k];
        if (k + 1 < r.size()) line += std::string(width[k] - Width(r[k]) + 2, ' ');
      }
      std::printf("%s\n", line.c_str());
    };
    print(headings);
    Row rule;
    for (size_t w : width) rule.push_back(std::string(w, '-'));
    print(rule);
    for (const Row& r : rows) print(r);
    std::printf("(%zu row%s)\n", rows.size(), rows.size() == 1 ? "" : "s");
  }
};

void Collect(void* printer, int32_t, int32_t count, const char* const* texts, void*) {
  Row row;
  for (int32_t k = 0; k < count; ++k) row.push_back(Utf8(texts[k]));
  static_cast<Printer*>(printer)->Add(row);
}

const char* KindName(int kind) {
  switch (kind) {
    case ZRT_SELECT_ERR_SYNTAX: return "syntax error";
    case ZRT_SELECT_ERR_ROOM: return "too many items";
    case ZRT_SELECT_ERR_ARGUMENTS: return "wrong number of arguments";
    case ZRT_SELECT_ERR_HAVING: return "HAVING without GROUP BY";
  }
  return "a temporary file cannot be created";
}

int ReportParseError(const ZRTSelect& s, const std::vector<const char*>& clauseTexts) {
  static const char* kClauses[] = {"statement", "select list", "where/query condition",
                                   "order list", "group list", "having condition", "start with"};
  int clause = s.errorClause >= 0 && s.errorClause <= 6 ? s.errorClause : 0;
  std::fprintf(stderr, "zrt: %s in the %s at position %d\n", KindName(s.errorKind),
               kClauses[clause], s.errorPosition + 1);
  if (clause == 0) return 1;
  std::string text = clauseTexts[static_cast<size_t>(clause)];
  size_t at = std::min(static_cast<size_t>(std::max(s.errorPosition, 0)), text.size());
  // One Windows-1251 byte is one character, so the byte offset is the caret's column.
  std::string shown = ToUtf8(text);
  for (char& c : shown)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  std::fprintf(stderr, "  %s\n  %s^\n", shown.c_str(), std::string(at, ' ').c_str());
  return 1;
}

int RunSelect(const Args& args) {
  std::string statement, bad;
  if (!FromUtf8(args.positional[1], &statement, &bad))
    return Fail("'" + bad + "' has no Windows-1251 form");
  std::vector<std::string> params;
  for (const std::string& p : args.GetAll("param")) {
    params.emplace_back();
    if (!FromUtf8(p, &params.back(), &bad)) return Fail("'" + bad + "' has no Windows-1251 form");
  }
  std::vector<const char*> paramList;
  for (const std::string& p : params) paramList.push_back(p.c_str());
  paramList.push_back(nullptr);

  Printer printer;
  printer.format = args.Get("format", isatty(STDOUT_FILENO) ? "table" : "csv");
  if (printer.format != "table" && printer.format != "csv" && printer.format != "json")
    return UsageError(args, "--format wants table, csv or json");

  char *from, *items, *condition, *order, *group, *having, *startWith;
  int32_t isQuery = 0;
  int rc = ZRT_Parse_FSelect(statement.c_str(), paramList.data(), &from, &items, &condition,
                             &isQuery, &order, &group, &having, &startWith);
  if (rc == -1) return Fail("the statement does not begin with select");
  if (rc == -2) return Fail("the statement has no from");

  OpenedEdition ed;
  std::string error;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();

  ZRTSelect s{};
  if (ZRT_Parse_Select(h, items, condition, isQuery, order, group, having, startWith, &s) != 0) {
    ReportParseError(s, {"", items, condition, order, group, having, startWith});
    ZRT_Delete_Select(&s);
    return 1;
  }
  for (int32_t k = 0; k < s.itemCount; ++k) printer.headings.push_back(Utf8(s.headings[k]));
  printer.Start();
  rc = ZRT_Iterate_Select(h, &s, Collect, &printer, nullptr);
  if (rc == 0) rc = ZRT_End_Select(h, &s, Collect, &printer, nullptr);
  std::string why = rc != 0 ? client::ErrorMessage(h) : "";
  ZRT_Delete_Select(&s);
  if (rc != 0) {
    printer.Finish();
    return Fail("the select failed" + (why.empty() ? std::string() : ": " + why));
  }
  printer.Finish();
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "select",
             .arguments = "EDITION STATEMENT",
             .summary = "rows of a select statement under the items' headings",
             .run = RunSelect,
             .options = {{"param", 0, "TEXT", "the text of &1, &2... in the order given", true},
                         {"format", 0, "table|csv|json",
                          "an aligned table (on a terminal), CSV (otherwise) or JSON Lines"}},
             .details = "select [DISTINCT] items from db [where condition | query text]\n"
                        "[group by list [having condition]] [order by list] [start with condition]\n"
                        "Each record is a row, its fields the columns, ROWID its number; \"query\"\n"
                        "runs the rest as a full-text query. Values order as text (10 before 9)\n"
                        "and + binds tighter than * (2 + 3 * 4 is 20).\n"});

}  // namespace zrt::cli
