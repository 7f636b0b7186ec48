#include "client/text.h"

#include <vector>

#include "zrteng.h"

namespace zrt::client {

std::string Utf8(const char* engineText) { return engineText ? ToUtf8(engineText) : std::string(); }

bool ToEngineText(std::string_view utf8, std::string* engineText, std::string* error,
                  const std::string& what) {
  if (!ValidUtf8(utf8)) {
    *error = what + " is not valid UTF-8";
    return false;
  }
  std::string bad;
  if (FromUtf8(utf8, engineText, &bad)) return true;
  *error = what + ": '" + bad + "' has no Windows-1251 form";
  return false;
}

namespace {

// The converters write at most factor * n + 1 bytes for n bytes in.
std::string Convert(const std::string& stored, size_t factor,
                    char* (*convert)(char*, const char*)) {
  std::vector<char> out(factor * stored.size() + 1);
  return convert(out.data(), stored.c_str());
}

}  // namespace

std::string MarkupToRtf(const std::string& stored) { return Convert(stored, 10, OrvToRtf); }
std::string MarkupToHtml(const std::string& stored) { return Convert(stored, 17, OrvToHtml); }

size_t Width(std::string_view utf8) {
  size_t n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace zrt::client
