// zrt search EDITION QUERY: runs a query and lists the found records, or shows them with
// the query's words marked.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "cp1251.h"
#include "edition/edition.h"
#include "edition_arg.h"
#include "zrteng.h"

namespace zrt::cli {
namespace {

// The highlighter's colour pair becomes terminal colour, or brackets in a file or pipe.
std::string ShowMarks(const std::string& marked, bool terminal) {
  const char* open = terminal ? "\x1b[1;31m" : "[[";
  const char* close = terminal ? "\x1b[0m" : "]]";
  std::string out;
  for (size_t i = 0; i < marked.size(); ++i) {
    if (marked[i] == '_' && i + 1 < marked.size() && (marked[i + 1] == '\xDD' || marked[i + 1] == '\xFD')) {
      out += marked[i + 1] == '\xDD' ? open : close;
      ++i;
    } else {
      out += marked[i];
    }
  }
  return out;
}

bool ParseLimits(const Args& args, std::vector<ZRTLimit>* limits) {
  for (const std::string& spec : args.GetAll("limit")) {
    size_t eq = spec.find('=');
    std::string field, text;
    if (eq == std::string::npos || eq == 0 || eq + 1 == spec.size() ||
        !FromUtf8(spec.substr(0, eq), &field) || !FromUtf8(spec.substr(eq + 1), &text) ||
        field.size() >= ZRT_LIMIT_FIELD_SIZE || text.size() >= ZRT_LIMIT_TEXT_SIZE) {
      Fail("--limit wants FIELD=TEXT (e.g. PY=1995), not '" + spec + "'");
      return false;
    }
    ZRTLimit l{};
    field.copy(l.field, field.size());
    text.copy(l.text, text.size());
    limits->push_back(l);
  }
  return true;
}

void ShowRecord(EngineHandle* h, int32_t n, CWordOpCode* list, bool highlight, bool terminal) {
  std::printf("\nRecord %d of %d\n", n, ZRT_GetNumRecords(h));
  for (int f = 1; f <= ZRT_GetFieldCount(h); ++f) {
    const char* text = ZRT_GetDataByNo(h, static_cast<uint8_t>(f));
    if (!text || !*text) continue;
    std::string shown = text;
    if (highlight) {
      std::vector<char> out(shown.size() + ZRT_HIGH_EXTRA);
      LStrHigh(text, out.data(), list, static_cast<uint8_t>(f), 1, 1, 0, 0);
      shown = ShowMarks(out.data(), terminal);
    }
    std::string label = Utf8(ZRT_GetAliasFieldName(h, static_cast<uint8_t>(f - 1)));
    size_t chars = 0;
    for (unsigned char c : label) chars += (c & 0xC0) != 0x80;
    label += std::string(chars < 16 ? 16 - chars : 1, ' ');
    std::printf("  %s%s\n", label.c_str(), ToUtf8(shown).c_str());
  }
}

int RunSearch(const Args& args) {
  const std::string& utf8 = args.positional[1];
  std::string query, bad;
  if (!FromUtf8(utf8, &query, &bad)) return Fail("'" + bad + "' has no Windows-1251 form");
  std::string cut = "$";
  if (args.Has("cut") && (!FromUtf8(args.Get("cut"), &cut) || cut.size() != 1))
    return Fail("--cut wants one character");
  std::vector<ZRTLimit> limits;
  if (!ParseLimits(args, &limits)) return 1;

  OpenedEdition ed;
  std::string error;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();
  CDat_SetQParam(cut[0], args.Has("ignore-point"), args.Has("ignore-operators"), args.Has("auto-cut"));
  if (args.Has("stop") && ZRTStop_build(args.Get("stop").c_str()) != 1)
    return Fail("cannot read the stop list " + args.Get("stop"));

  CWordOpCode list{};
  CWordOpCode_build(&list);
  int rc = ZRT_SetQueryByString(h, query.c_str(), static_cast<int32_t>(limits.size()), limits.data(),
                                &list, nullptr);
  if (rc != 0) {
    CWordOpCode_destroy(&list);
    ZRTCStop_destroy();
    const std::string why = ZRT_ErrMsg(h);
    if (ZRT_ErrCode(h) == ZRT_ERR_SYNTAX) {
      std::fprintf(stderr, "Синтаксическая ошибка в тексте запроса\n");
      return 1;
    }
    return Fail(why.empty() ? "the query failed" : why);
  }
  std::vector<int32_t> found(static_cast<size_t>(ZRT_GetNumFoundRecords(h)));
  found.resize(static_cast<size_t>(ZRT_BuildList(h, found.data(), static_cast<int32_t>(found.size()))));
  std::printf("%zu record%s found\n", found.size(), found.size() == 1 ? "" : "s");
  const bool highlight = args.Has("highlight");
  if (args.Has("show") || highlight) {
    const bool terminal = isatty(STDOUT_FILENO);
    for (int32_t n : found)
      if (ZRT_GotoRecord(h, n) == 0) ShowRecord(h, n, &list, highlight, terminal);
  } else {
    for (size_t i = 0; i < found.size(); ++i)
      std::printf("%d%s", found[i], i + 1 == found.size() || (i + 1) % 10 == 0 ? "\n" : " ");
  }
  CWordOpCode_destroy(&list);
  ZRTCStop_destroy();
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "search",
             .arguments = "EDITION QUERY",
             .summary = "records found by a query (see 'zrt help query')",
             .run = RunSearch,
             .options = {
                 {"limit", 0, "FIELD=TEXT", "add \"AND (TEXT) IN FIELD\", as the query builder's limits do",
                  true},
                 {"cut", 0, "C", "the truncation character (default \"$\")"},
                 {"ignore-point", 0, nullptr, "\".\" is a letter: no .FIELD restriction"},
                 {"ignore-operators", 0, nullptr, "&, | and ~ are letters; the word operators stay"},
                 {"auto-cut", 0, nullptr, "every word is a prefix"},
                 {"stop", 0, "FILE", "a stop-word list (code page 866, one word a line)"},
                 {"show", 0, nullptr, "print the found records' fields"},
                 {"highlight", 0, nullptr, "print the found records with the query words marked"},
             }});

}  // namespace zrt::cli
