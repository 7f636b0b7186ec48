// zrt render EDITION FORM.tpl [--query Q] [--records N-M] [--html] [-o FILE]: expands an
// output form over a portion of documents through the same names that the document view
// answers (the client layer's FormResolver), so that a form can be tried without the GUI.
// The result is printed as UTF-8.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "client/form_resolver.h"
#include "command.h"
#include "doc_selection.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

constexpr size_t kFormLimit = 16 << 20;

int RunRender(const Args& args) {
  const std::vector<std::string>& positional = args.positional;
  const std::string output = args.Get("output");
  std::string error;

  std::string form;
  if (!ReadWholeFile(positional[1], &form, kFormLimit))
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
  if (!ChooseDocuments(&selection, ed.get(), args, &error)) return Fail(error);

  client::FormResolver resolver(ed.get(), &selection);
  resolver.setHtml(args.Has("html"));
  bool cut = false;
  std::string result = resolver.Expand(form, selection.first(), selection.count(), &cut);
  if (int32_t record = resolver.unreadableRecord())
    return Fail("record " + std::to_string(record) + " cannot be read: the edition is damaged; nothing was rendered");
  if (cut)
    std::fprintf(stderr, "zrt: the output reached %zu bytes and was cut there\n", result.size());

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
             .options =
                 std::vector<Option>{
                     {"html", 0, nullptr, "fields as HTML instead of RTF"},
                     {"output", 'o', "FILE", "write to a file instead of stdout"},
                 } +
                 kSelectionOptions});

}  // namespace zrt::cli
