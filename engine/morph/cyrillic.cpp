#include "morph/cyrillic.h"

#include "codepage/cp1251.h"

namespace zrt::morph {

std::string Cp1251(std::string_view utf8) {
  std::string out;
  cp1251::FromUtf8(utf8, &out, nullptr, '?');
  return out;
}

std::string Utf8(std::string_view text) { return cp1251::ToUtf8(text); }

}  // namespace zrt::morph
