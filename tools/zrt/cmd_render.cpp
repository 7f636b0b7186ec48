// zrt render EDITION FORM.tpl [--query Q] [--records N-M] [--html] [-o FILE]: expands an
// output form over a portion of documents through the same names that the document view
// answers, so that a form can be tried without the GUI. The fields ("rec_" + code) come
// with the query's words marked and the markup turned into RTF, or HTML with --html. The
// result is printed as UTF-8.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "base/file.h"
#include "command.h"
#include "cp1251.h"
#include "doc_selection.h"
#include "edition_arg.h"
#include "output/form.h"
#include "output/markup.h"
#include "record_view.h"

namespace zrt::cli {
namespace {

constexpr size_t kFormLimit = 16 << 20;
constexpr const char* kContentsField = "G36";

// What the resolver answers from; mirrors the document view's render context with the
// settings a fresh installation has (no marks, screen output).
struct Portion {
  EngineHandle* h = nullptr;
  DocSelection* selection = nullptr;
  bool html = false;
  int32_t start = 1;
  int32_t count = 0;
  std::string fontFace = "Times New Roman";
  int32_t fontSize = 20;  // half-points
  std::vector<std::string> sections;  // contents code of each document visited
  std::string value;                  // the text answer, owned here until the next call
};

std::string Markup(const Portion& p, const std::string& text) {
  return p.html ? zrt::OrvToHtml(text) : zrt::OrvToRtf(text);
}

// The record's contents code ("1.2.3"), cut at dots until the table of contents knows it;
// *heading is its heading, empty when no code is known.
std::string ContentsCode(EngineHandle* h, std::string* heading) {
  heading->clear();
  uint8_t src = ZRT_GetSrcNoByField(h, kContentsField);
  const char* text = src ? ZRT_GetDataBySrcNo(h, src) : nullptr;
  std::string code = text ? text : "";
  ORTree* tree = ZRT_GetOgl(h);
  while (tree && !code.empty()) {
    ORTreeItem item{};
    std::strncpy(item.key, code.c_str(), sizeof item.key - 1);
    if (code.size() < sizeof item.key && ORTree_FindORKey(tree, &item) == 1) {
      *heading = std::string(item.data, strnlen(item.data, sizeof item.data));
      break;
    }
    size_t dot = code.rfind('.');
    if (dot == std::string::npos) break;
    code.erase(dot);
  }
  return code;
}

// The current record's field by its code: a defined field first, then a source field;
// its text with the query's words marked, then converted.
std::string FieldText(Portion& p, const char* code) {
  uint8_t number = 0;
  const char* text = FieldByCode(p.h, code, &number);
  if (!number) return "";
  std::string stored = text ? text : "";
  if (p.selection->queryMode() && !stored.empty()) {
    std::vector<char> marked(stored.size() + ZRT_HIGH_EXTRA);
    LStrHigh(stored.c_str(), marked.data(), p.selection->opcodes(), number, 1, 4, 0, 0);
    stored = marked.data();
  }
  return Markup(p, stored);
}

intptr_t Resolve(void* context, const char* name, int32_t* kind, const intptr_t* args,
                 int32_t count) {
  Portion& p = *static_cast<Portion*>(context);
  const int32_t n = count > 0 ? static_cast<int32_t>(args[0]) : 0;
  const std::string_view id(name);
  auto integer = [&](int32_t v) {
    *kind = ZRT_FORM_INTEGER;
    return static_cast<intptr_t>(v);
  };
  auto text = [&](std::string v) {
    *kind = ZRT_FORM_STRING;
    p.value = std::move(v);
    return reinterpret_cast<intptr_t>(p.value.c_str());
  };
  if (id == "env_istart") return integer(p.start);
  if (id == "env_icount") return integer(p.count);
  if (id == "env_fname") return text(p.fontFace);
  if (id == "env_fsize") return integer(p.fontSize);
  if (id == "env_nummode") return text("");
  if (id.starts_with("rec_")) {
    const char* code = name + 4;
    if (ZRT_GetNoByField(p.h, code) || ZRT_GetSrcNoByField(p.h, code)) return text(FieldText(p, code));
    if (id == "rec_content") {
      std::string heading, code = ContentsCode(p.h, &heading);
      size_t known = p.sections.size();
      bool first = known <= 1 || p.sections[known - 2] != code;
      return text(!heading.empty() && first ? Markup(p, heading) : "");
    }
    return text("");
  }
  if (id == "dbs_fnd") return integer(p.selection->total());
  if (id == "dbs_mark") return integer(0);
  if (id == "dbs_print" || id == "dbs_pmark") return integer(1);
  if (id == "dbs_rno") return integer(n);
  if (id == "dbs_go") {
    int32_t record = p.selection->RecordAt(n);
    if (record > 0 && ZRT_GotoRecord(p.h, record) == 0) {
      std::string heading;
      p.sections.push_back(ContentsCode(p.h, &heading));
    }
    return text("");
  }
  return text("");
}

int RunRender(const Args& args) {
  const std::vector<std::string>& positional = args.positional;
  const std::string output = args.Get("output");
  std::string error;

  std::string form;
  if (!zrt::ReadWholeFile(positional[1], &form, kFormLimit))
    return Fail("cannot read the form " + positional[1]);
  // Forms are Windows-1251 like everything the engine reads; one written in UTF-8 is
  // taken as such, since Cyrillic Windows-1251 text is practically never valid UTF-8.
  bool utf8 = false;
  for (char c : form) utf8 |= static_cast<unsigned char>(c) >= 0x80;
  if (utf8 && ValidUtf8(form)) {
    std::string ansi, bad;
    if (!FromUtf8(form, &ansi, &bad))
      return Fail(positional[1] + ": '" + bad + "' has no Windows-1251 form");
    form = std::move(ansi);
  }

  OpenedEdition ed;
  if (!ed.Open(positional[0], &error)) return Fail(error);
  DocSelection selection;
  if (!selection.Choose(ed.get(), args, &error)) return Fail(error);

  Portion portion;
  portion.h = ed.get();
  portion.selection = &selection;
  portion.html = args.Has("html");
  portion.start = selection.first();
  portion.count = selection.count();
  int32_t loops[ZRT_FORM_LOOPS] = {};
  zrt::FormEnv env{&portion, &Resolve, std::span<int32_t>(loops)};
  const size_t room = ZRT_FORM_ROOM - 1;
  std::string result = zrt::ExpandForm(form, env, -1, room);
  if (result.size() >= room)
    std::fprintf(stderr, "zrt: the output reached %zu bytes and was cut there\n", room);

  std::string utf8Result = ToUtf8(result);
  const bool toStdout = output.empty() || output == "-";
  FILE* out = toStdout ? stdout : std::fopen(output.c_str(), "wb");
  if (!out) return Fail("cannot create " + output + ": " + std::strerror(errno));
  bool ok = std::fwrite(utf8Result.data(), 1, utf8Result.size(), out) == utf8Result.size();
  ok = (toStdout ? std::fflush(out) : std::fclose(out)) == 0 && ok;
  if (!ok) return Fail("cannot write " + (toStdout ? std::string("the output") : output));
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "render",
             .arguments = "EDITION FORM.tpl",
             .summary = "expand an output form over documents, as the document view does",
             .run = RunRender,
             .options = std::vector<Option>{
                            {"html", 0, nullptr, "fields as HTML instead of RTF"},
                            {"output", 'o', "FILE", "write to a file instead of stdout"},
                        } + kSelectionOptions});

}  // namespace zrt::cli
