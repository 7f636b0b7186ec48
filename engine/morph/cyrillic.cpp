#include "morph/cyrillic.h"

namespace zrt::morph {

std::string Cp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    unsigned cp = 0;
    if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
      i += 2;
    } else {
      ++i;
      while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) ++i;
    }
    if (cp >= 0x410 && cp <= 0x44F)
      out.push_back(static_cast<char>(0xC0 + (cp - 0x410)));
    else if (cp == 0x451)
      out.push_back(static_cast<char>(0xB8));
    else if (cp == 0x401)
      out.push_back(static_cast<char>(0xA8));
    else
      out.push_back('?');
  }
  return out;
}

std::string Utf8(std::string_view cp1251) {
  std::string out;
  for (char ch : cp1251) {
    const auto c = static_cast<unsigned char>(ch);
    const unsigned cp = c < 0x80 ? c : c >= 0xC0 ? 0x410 + (c - 0xC0) : c == 0xB8 ? 0x451 : c == 0xA8 ? 0x401 : '?';
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace zrt::morph
