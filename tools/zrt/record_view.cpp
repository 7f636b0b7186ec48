#include "record_view.h"

#include <unistd.h>

#include <cstdio>
#include <vector>

#include "edition_arg.h"

namespace zrt::cli {
namespace {

constexpr size_t kLabelWidth = 16;

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

void PrintField(const std::string& label, const std::string& text) {
  std::string indented;
  for (char c : text) {
    indented += c;
    if (c == '\n') indented += std::string(kLabelWidth + 2, ' ');
  }
  size_t width = Width(label);
  std::string pad(width < kLabelWidth ? kLabelWidth - width : 1, ' ');
  std::printf("  %s%s%s\n", label.c_str(), pad.c_str(), indented.c_str());
}

}  // namespace

void PrintRecord(EngineHandle* h, int32_t n, CWordOpCode* marks) {
  static const bool terminal = isatty(STDOUT_FILENO) == 1;
  std::printf("Record %d of %d\n", n, ZRT_GetNumRecords(h));
  for (int f = 1; f <= ZRT_GetFieldCount(h); ++f) {
    const char* text = ZRT_GetDataByNo(h, static_cast<uint8_t>(f));
    if (!text || !*text) continue;
    std::string shown = text;
    if (marks) {
      std::vector<char> out(shown.size() + ZRT_HIGH_EXTRA);
      LStrHigh(text, out.data(), marks, static_cast<uint8_t>(f), 1, 1, 0, 0);
      shown = ShowMarks(out.data(), terminal);
    }
    PrintField(Utf8(ZRT_GetAliasFieldName(h, static_cast<uint8_t>(f - 1))), Utf8(shown.c_str()));
  }
  if (*ZRT_GetDatSound(h)) PrintField("Sound", ZRT_GetDatSound(h));
  if (*ZRT_GetDatVideo(h)) PrintField("Video", ZRT_GetDatVideo(h));
  if (int pictures = ZRT_GetDatPictureCount(h))
    PrintField("Pictures", std::to_string(pictures) + ": " + ZRT_GetDatPicture(h));
}

}  // namespace zrt::cli
