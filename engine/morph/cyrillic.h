// Windows-1251 spelling of the ending tables and prefixes, which are written in the
// sources as UTF-8 so that they can be read; only ASCII, а-я, А-Я, ё and Ё occur.
#pragma once

#include <string>
#include <string_view>

namespace zrt::morph {

// UTF-8 to Windows-1251 through the shared code-page table; a character without a
// Windows-1251 byte becomes '?'.
std::string Cp1251(std::string_view utf8);
// The reverse (tools and tests print forms with it).
std::string Utf8(std::string_view cp1251);

}  // namespace zrt::morph
