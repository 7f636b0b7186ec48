// zrt show: the fields of records by display name, with their multimedia files.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "command.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

// Continuation lines of a long field are indented under its value.
void PrintField(const std::string& label, const std::string& text) {
  std::string indented;
  for (char c : text) {
    indented += c;
    if (c == '\n') indented += std::string(18, ' ');
  }
  size_t width = 0;  // in characters, not UTF-8 bytes
  for (unsigned char c : label) width += (c & 0xC0) != 0x80;
  std::string pad(width < 16 ? 16 - width : 1, ' ');
  std::printf("  %s%s%s\n", label.c_str(), pad.c_str(), indented.c_str());
}

int RunShow(const Args& args) {
  OpenedEdition ed;
  std::string error;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();
  int32_t count = ZRT_GetNumRecords(h);
  for (size_t i = 1; i < args.positional.size(); ++i) {
    const std::string& arg = args.positional[i];
    char* end = nullptr;
    long n = std::strtol(arg.c_str(), &end, 10);
    if (arg.empty() || *end || n < 1 || n > count)
      return Fail("record '" + arg + "' is not a number from 1 to " + std::to_string(count));
    if (ZRT_GotoRecord(h, static_cast<int32_t>(n)) != 0)
      return Fail("record " + arg + " cannot be read: the edition is damaged");
    std::printf("%sRecord %ld of %d\n", i > 1 ? "\n" : "", n, count);
    for (int f = 1; f <= ZRT_GetFieldCount(h); ++f) {
      const char* text = ZRT_GetDataByNo(h, static_cast<uint8_t>(f));
      if (!text || !*text) continue;
      PrintField(Utf8(ZRT_GetAliasFieldName(h, static_cast<uint8_t>(f - 1))), Utf8(text));
    }
    if (*ZRT_GetDatSound(h)) PrintField("Sound", ZRT_GetDatSound(h));
    if (*ZRT_GetDatVideo(h)) PrintField("Video", ZRT_GetDatVideo(h));
    if (int pictures = ZRT_GetDatPictureCount(h))
      PrintField("Pictures", std::to_string(pictures) + ": " + ZRT_GetDatPicture(h));
  }
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "show",
             .arguments = "EDITION N...",
             .summary = "the fields of records and their multimedia files",
             .run = RunShow});

}  // namespace zrt::cli
