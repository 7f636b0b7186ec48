// zrt search EDITION QUERY: runs a query and lists a page of the found records, one a
// line with their number and chosen fields, or prints them whole with the query's words
// marked.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "doc_selection.h"
#include "edition_arg.h"
#include "morph_arg.h"
#include "record_view.h"
#include "zrteng.h"

namespace zrt::cli {
namespace {

constexpr int32_t kPage = 20;

bool ParseLimits(const Args& args, std::vector<ZRTLimit>* limits, std::string* error) {
  for (const std::string& spec : args.GetAll("limit")) {
    size_t eq = spec.find('=');
    std::string field, text;
    if (eq == std::string::npos || eq == 0 || eq + 1 == spec.size()) {
      *error = "--limit wants FIELD=TEXT (e.g. PY=1995), not '" + spec + "'";
      return false;
    }
    if (!ArgText(spec.substr(0, eq), &field, error, "--limit") ||
        !ArgText(spec.substr(eq + 1), &text, error, "--limit"))
      return false;
    if (field.size() >= ZRT_LIMIT_FIELD_SIZE || text.size() >= ZRT_LIMIT_TEXT_SIZE) {
      *error = "--limit " + spec + " is too long";
      return false;
    }
    ZRTLimit l{};
    field.copy(l.field, field.size());
    text.copy(l.text, text.size());
    limits->push_back(l);
  }
  return true;
}

bool PositiveOption(const Args& args, const char* name, int32_t fallback, int32_t* value,
                    std::string* error) {
  const std::string text = args.Get(name, std::to_string(fallback));
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  if (ec == std::errc() && end == text.data() + text.size() && *value >= 1) return true;
  *error = std::string("--") + name + " wants a number from 1, not '" + text + "'";
  return false;
}

// Terms the query held, told apart by the progress report: stop words come as -1.
struct TermCount {
  static inline int stop = 0, other = 0;
  static void Report(int32_t rows, int32_t records, int32_t occurrences, const char* term) {
    ++(rows < 0 ? stop : other);
    client::QueryDeadline::Progress(rows, records, occurrences, term);
  }
};

// The --fields codes (default ID and TI, those of them the edition has), checked.
bool ListFields(EngineHandle* h, const Args& args, std::vector<std::string>* codes,
                std::string* error) {
  std::string list;
  if (!ArgText(args.Get("fields", "ID,TI"), &list, error, "--fields")) return false;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    std::string code = list.substr(start, comma == std::string::npos ? comma : comma - start);
    start = comma == std::string::npos ? list.size() + 1 : comma + 1;
    if (code.empty()) continue;
    if (ZRT_GetNoByField(h, code.c_str()) || ZRT_GetSrcNoByField(h, code.c_str())) {
      codes->push_back(code);
    } else if (args.Has("fields")) {
      *error = "--fields: the edition has no field '" + ToUtf8(code) + "'";
      return false;
    }
  }
  return true;
}

void PrintLine(EngineHandle* h, int32_t record, const std::vector<std::string>& codes) {
  std::printf("%7d", record);
  for (const std::string& code : codes) {
    uint8_t number = 0;
    std::string text = Utf8(FieldByCode(h, code.c_str(), &number));
    for (char& c : text)
      if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    if (!text.empty()) std::printf("  %s", text.c_str());
  }
  std::printf("\n");
}

int RunSearch(const Args& args) {
  std::string query, error;
  if (!ArgText(args.positional[1], &query, &error, "the query")) return UsageError(args, error);
  std::string cut = "$";
  if (args.Has("cut") && (!FromUtf8(args.Get("cut"), &cut) || cut.size() != 1))
    return UsageError(args, "--cut wants one character");
  std::vector<ZRTLimit> limits;
  int32_t first = 1, count = kPage;
  if (!ParseLimits(args, &limits, &error) || !PositiveOption(args, "first", 1, &first, &error) ||
      !PositiveOption(args, "count", kPage, &count, &error))
    return UsageError(args, error);

  if (args.Has("forms")) {
    DZContext ctx;
    if (!OpenMorphDictionary(args, &ctx)) return kFailed;
    std::vector<char> out(query.size() * DZ_EXPAND_FACTOR + 1);
    DZExpandQuery(query.c_str(), out.data(), &ctx, MorphFlags(args));
    DZStop(&ctx);
    query = out.data();
  }
  if (args.Has("verbose")) std::printf("Query: %s\n", ToUtf8(query).c_str());

  OpenedEdition ed;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();
  std::vector<std::string> codes;
  if (!ListFields(h, args, &codes, &error)) return UsageError(args, error);
  CDat_SetQParam(cut[0], args.Has("ignore-point"), args.Has("ignore-operators"), args.Has("auto-cut"));
  if (args.Has("stop") && ZRTStop_build(args.Get("stop").c_str()) != 1)
    return Fail("cannot read the stop list " + args.Get("stop"));

  if (!ArmQueryTimeout(h, args, &error)) return UsageError(args, error);
  OpCodeList list;
  int rc = ZRT_SetQueryByString(h, query.c_str(), static_cast<int32_t>(limits.size()), limits.data(),
                                list.get(), &TermCount::Report);
  ZRTCStop_destroy();
  if (rc != 0) return Fail(QueryFailureOf(h, args));
  std::vector<int32_t> found(static_cast<size_t>(ZRT_GetNumFoundRecords(h)));
  found.resize(static_cast<size_t>(ZRT_BuildList(h, found.data(), static_cast<int32_t>(found.size()))));
  const auto total = static_cast<int32_t>(found.size());
  if (first > total && total > 0)
    return Fail("--first " + std::to_string(first) + ": the query found " + std::to_string(total) +
                " record" + (total == 1 ? "" : "s"));
  if (total == 0 && TermCount::stop > 0 && TermCount::other == 0) {
    std::printf("0 records found: the query held only stop words\n");
  } else {
    std::printf("%d record%s found\n", total, total == 1 ? "" : "s");
  }
  const int32_t last = std::min(total, first + count - 1);
  const bool whole = args.Has("show") || args.Has("highlight");
  for (int32_t i = first; i <= last; ++i) {
    const int32_t n = found[static_cast<size_t>(i - 1)];
    if (ZRT_GotoRecord(h, n) != 0)
      return Fail("record " + std::to_string(n) + " cannot be read: the edition is damaged");
    if (whole) {
      std::printf("\n");
      PrintRecord(h, n, args.Has("highlight") ? list.get() : nullptr);
    } else {
      PrintLine(h, n, codes);
    }
  }
  if (first > 1 || last < total) {
    std::printf("%s(records %d-%d of %d", whole ? "\n" : "", first, last, total);
    if (last < total) std::printf("; the next page: --first %d", last + 1);
    std::printf(")\n");
  }
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "search",
             .arguments = "EDITION QUERY",
             .summary = "records found by a query (see 'zrt help query')",
             .run = RunSearch,
             .options = std::vector<Option>{
                            {"fields", 0, "ID,TI", "the fields listed after each record number"},
                            {"first", 0, "N", "list from the N-th found record (default 1)"},
                            {"count", 0, "M", "list at most M records (default 20)"},
                            {"show", 0, nullptr, "print the listed records whole"},
                            {"highlight", 0, nullptr, "print them whole with the query words marked"},
                            {"forms", 'm', nullptr, "expand each Russian word into its forms first"},
                            {"verbose", 'v', nullptr, "print the query as it is run (with --forms: expanded)"},
                            {"limit", 0, "FIELD=TEXT", "add \"AND (TEXT) IN FIELD\", as the query builder's "
                             "limits do", true},
                            {"cut", 0, "C", "the truncation character (default \"$\")"},
                            {"ignore-point", 0, nullptr, "\".\" is a letter: no .FIELD restriction"},
                            {"ignore-operators", 0, nullptr, "&, | and ~ are letters; the word operators stay"},
                            {"auto-cut", 0, nullptr, "every word is a prefix"},
                            {"stop", 0, "FILE", "a stop-word list (code page 866, one word a line)"},
                            kTimeoutOption,
                            kMorphOptions[0],
                        }});

}  // namespace zrt::cli
