// Helpers for the text layer tests: Cyrillic literals are written in UTF-8 in the test
// sources and turned into the engine's Windows-1251 bytes here, and code page 866 file
// contents are made from them letter by letter (not through the engine's tables).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "codepage/cp1251.h"

namespace zrt_test {

// UTF-8 to Windows-1251; a character without a Windows-1251 byte is a mistake in the test.
inline std::string Cp(const std::string& utf8) {
  std::string out;
  if (!zrt::cp1251::FromUtf8(utf8, &out)) throw std::invalid_argument("Cp: no Windows-1251 form");
  return out;
}

// Windows-1251 Cyrillic letters to their code page 866 places: А-Я 80-9F, а-п A0-AF,
// р-я E0-EF, Ё F0, ё F1. Other bytes are copied.
inline std::string Oem866(const std::string& ansi) {
  std::string out;
  for (char ch : ansi) {
    unsigned char c = static_cast<unsigned char>(ch);
    int index = -1;  // 0..63 over А..я
    if (c >= 0xC0) index = c - 0xC0;
    if (index >= 0 && index < 32)
      c = static_cast<unsigned char>(0x80 + index);
    else if (index >= 32 && index < 48)
      c = static_cast<unsigned char>(0xA0 + index - 32);
    else if (index >= 48)
      c = static_cast<unsigned char>(0xE0 + index - 48);
    else if (c == 0xA8)
      c = 0xF0;
    else if (c == 0xB8)
      c = 0xF1;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

inline std::string Byte(unsigned v) { return std::string(1, static_cast<char>(v)); }

}  // namespace zrt_test
