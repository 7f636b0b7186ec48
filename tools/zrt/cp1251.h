// Windows-1251 <-> UTF-8 at the tool's boundary; the engine sees only Windows-1251.
#pragma once

#include <string>

namespace zrt::cli {

std::string ToUtf8(const std::string& cp1251);
// False when a character has no Windows-1251 form; *bad then holds it (as UTF-8).
// With `replacement` non-zero such characters become that byte instead.
bool FromUtf8(const std::string& utf8, std::string* cp1251, std::string* bad = nullptr,
              char replacement = 0);

}  // namespace zrt::cli
