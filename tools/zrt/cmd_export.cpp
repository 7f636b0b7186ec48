// zrt export EDITION --format txt|csv|iso [--fields TI,AU] [--query Q] [--records N-M]
// -o FILE: writes documents to an exchange file the way the front end's export does: the
// plain-text layout with names, a "*** Document n from N ***" header and markup spelled
// out; one "^"-separated line per document; or ISO 2709 records in 80-byte lines. The
// file is code page 866, as the writers produce it, unless --encoding says otherwise.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"
#include "doc_selection.h"
#include "edition_arg.h"
#include "load_source.h"

namespace zrt::cli {
namespace {

enum class Layout { Text, Separated, Iso };

// The listed names, split as the writers split them.
std::vector<std::string> ListedNames(const std::string& list) {
  std::vector<std::string> names;
  const char* separators = "\t\n\r ,;";
  size_t pos = 0;
  while ((pos = list.find_first_not_of(separators, pos)) != std::string::npos) {
    size_t end = list.find_first_of(separators, pos);
    names.push_back(list.substr(pos, end == std::string::npos ? end : end - pos));
    pos = end;
  }
  return names;
}

// The writers skip names they cannot resolve; here a misspelt name is an error, each
// layout resolving names its own way.
bool CheckFields(EngineHandle* h, Layout layout, const std::string& list, std::string* error) {
  if (!list.empty() && list[0] == '-') return true;
  for (const std::string& name : ListedNames(list)) {
    bool known = false;
    switch (layout) {
      case Layout::Text:
        known = ZRT_GetNoByField(h, name.c_str()) || ZRT_GetSrcNoByField(h, name.c_str());
        break;
      case Layout::Separated:
        known = ZRT_GetNoByField(h, name.c_str()) != 0;
        break;
      case Layout::Iso: {
        uint8_t numbers[ZRT_FNUMS_MAX];
        known = ZRT_GetFNumsB(h, name.c_str(), numbers) > 0;
        break;
      }
    }
    if (!known) {
      *error = "--fields: the edition has no field '" + ToUtf8(name) + "'";
      return false;
    }
  }
  return true;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

int RunExport(const Args& args) {
  const std::vector<std::string>& positional = args.positional;
  const std::string output = args.Get("output");
  std::string error;
  if (output.empty()) return UsageError(args, "-o names no file");

  const std::string format = args.Get("format");
  Layout layout;
  if (format == "txt") {
    layout = Layout::Text;
  } else if (format == "csv") {
    layout = Layout::Separated;
  } else if (format == "iso") {
    layout = Layout::Iso;
  } else {
    return Fail("--format wants txt, csv or iso, not '" + format + "'");
  }
  const std::string encoding = args.Get("encoding", "cp866");
  if (encoding != "cp866" && encoding != "cp1251" && encoding != "utf-8")
    return UsageError(args, "--encoding wants cp866, cp1251 or utf-8, not '" + encoding + "'");
  if (args.Has("header") && layout != Layout::Separated)
    return UsageError(args, "--header belongs to --format csv");
  if (args.Has("plain") && layout != Layout::Iso)
    return UsageError(args, "--plain belongs to --format iso");
  std::string fields;
  if (args.Has("fields")) {
    if (!ArgText(args.Get("fields"), &fields, &error, "--fields")) return UsageError(args, error);
    if (ListedNames(fields).empty()) return Fail("--fields names no field");
    if (args.Has("header") && fields[0] == '-')
      return UsageError(args, "--header needs named fields, not '-' (each record's own)");
  }
  const int32_t codePage = encoding == "utf-8"    ? ZRT_UTF8
                           : encoding == "cp1251" ? ZRT_CP1251
                                                  : ZRT_CP866;
  std::string separator = "^";
  if (args.Has("separator")) {
    if (layout != Layout::Separated) return UsageError(args, "--separator belongs to --format csv");
    if (!FromUtf8(args.Get("separator"), &separator) || separator.size() != 1)
      return UsageError(args, "--separator wants one character");
  }

  OpenedEdition ed;
  if (!ed.Open(positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();
  if (!CheckFields(h, layout, fields, &error)) return Fail(error);
  DocSelection selection;
  if (!ChooseDocuments(&selection, h, args, &error)) return Fail(error);

  const bool toStdout = output == "-";
  int fd = toStdout ? STDOUT_FILENO : ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return Fail("cannot create " + output + ": " + std::strerror(errno));
  auto failWrite = [&](const std::string& why) {
    if (!toStdout) {
      ::close(fd);
      ::unlink(output.c_str());
    }
    return Fail(why);
  };

  const char* list = args.Has("fields") ? fields.c_str() : nullptr;
  // One layout of the current record in the file's code page.
  std::vector<char> buffer(1 << 16);
  auto exported = [&](int32_t kind, const char* header, std::string* bytes) {
    int32_t n = ZRT_ExportRecord(h, kind, codePage, header, separator[0], list, buffer.data(),
                                 static_cast<int32_t>(buffer.size()));
    if (n > static_cast<int32_t>(buffer.size())) {
      buffer.resize(static_cast<size_t>(n));
      n = ZRT_ExportRecord(h, kind, codePage, header, separator[0], list, buffer.data(), n);
    }
    if (n < 0) return false;
    bytes->assign(buffer.data(), static_cast<size_t>(n));
    return true;
  };
  if (args.Has("header")) {
    std::string line;
    if (!exported(ZRT_EXPORT_NAMES, nullptr, &line)) return failWrite(client::ErrorMessage(h));
    if (!WriteAll(fd, line))
      return failWrite("cannot write " + output + ": " + std::strerror(errno));
  }
  ProgressBar bar;
  const int32_t count = selection.count();
  for (int32_t i = 0; i < count; ++i) {
    int32_t record = selection.RecordAt(selection.first() + i);
    if (ZRT_GotoRecord(h, record) != 0)
      return failWrite("record " + std::to_string(record) +
                       " cannot be read; nothing was exported");
    std::string bytes;
    char header[64];
    std::snprintf(header, sizeof header, "*** Document %d from %d ***", i + 1, count);
    const int32_t kind = layout == Layout::Text        ? ZRT_EXPORT_TEXT
                         : layout == Layout::Separated ? ZRT_EXPORT_SEPARATED
                         : args.Has("plain")           ? ZRT_EXPORT_ISO_PLAIN
                                                       : ZRT_EXPORT_ISO;
    if (!exported(kind, header, &bytes)) return failWrite(client::ErrorMessage(h));
    if (!WriteAll(fd, bytes))
      return failWrite("cannot write " + output + ": " + std::strerror(errno));
    bar.Update(static_cast<double>(i + 1) / count, i + 1);
  }
  bar.Done();
  if (!toStdout && ::close(fd) != 0)
    return Fail("cannot write " + output + ": " + std::strerror(errno));
  if (!toStdout)
    std::printf("Exported %d document%s to %s\n", count, count == 1 ? "" : "s", output.c_str());
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "export",
             .arguments = "EDITION",
             .summary = "write documents to a plain-text, separated or ISO 2709 file",
             .run = RunExport,
             .options =
                 std::vector<Option>{
                     {"format", 0, "txt|csv|iso", "the layout", false, true},
                     {"output", 'o', "FILE", "the file to write (\"-\" for stdout)", false, true},
                     {"fields", 0, "TI,AU", "these fields in this order (default: every field)"},
                     {"separator", 0, "C", "the csv separator (default \"^\")"},
                     {"header", 0, nullptr, "csv: a first line with the field codes"},
                     {"plain", 0, nullptr,
                      "iso: records as they are, not folded into 80-byte "
                      "lines (what other MARC readers take)"},
                     {"encoding", 0, "cp866|cp1251|utf-8", "the file's code page (default cp866)"},
                 } +
                 kSelectionOptions});

}  // namespace zrt::cli
