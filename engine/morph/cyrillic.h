// Windows-1251 spelling of the ending tables and prefixes, which are written in the
// sources as UTF-8 so that they can be read; only ASCII, а-я, А-Я, ё and Ё occur.
#pragma once

#include <string>
#include <string_view>

namespace zrt::morph {

// Converts UTF-8 to Windows-1251 for the letters above; any other character becomes '?'.
std::string Cp1251(std::string_view utf8);
// The reverse, for the same letters (tools and tests print forms with it).
std::string Utf8(std::string_view cp1251);

}  // namespace zrt::morph
