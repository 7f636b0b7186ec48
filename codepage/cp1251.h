// Windows-1251 <-> Unicode: the one table behind every conversion in the tree. The engine
// (whose texts are Windows-1251), the client layer (whose callers speak UTF-8) and the
// ZText control (whose keyboard and clipboard speak UTF-16) all compile this file, so it
// needs nothing but the standard library and exports nothing from the engine.
#pragma once

#include <string>
#include <string_view>

namespace zrt::cp1251 {

// The character of one byte; U+FFFD for 0x98, the one byte that stands for no character.
char32_t ToUnicode(unsigned char byte);
// The byte of one character, or -1 when the code page has none for it.
int FromUnicode(char32_t c);

// Whole texts. Bytes without a character become U+FFFD.
std::string ToUtf8(std::string_view cp1251);
// False when a character has no Windows-1251 byte (*bad then holds it as UTF-8), unless
// `replacement` is non-zero, which then stands for it. Malformed UTF-8 reads as U+FFFD.
bool FromUtf8(std::string_view utf8, std::string* cp1251, std::string* bad = nullptr,
              char replacement = 0);

bool ValidUtf8(std::string_view s);

}  // namespace zrt::cp1251
