// Windows-1251 <-> UTF-8 at the tool's boundary; the engine sees only Windows-1251.
#pragma once

#include <string>
#include <string_view>

namespace zrt::cli {

std::string ToUtf8(const std::string& cp1251);
// False when a character has no Windows-1251 form; *bad then holds it (as UTF-8).
// With `replacement` non-zero such characters become that byte instead.
bool FromUtf8(const std::string& utf8, std::string* cp1251, std::string* bad = nullptr,
              char replacement = 0);

bool ValidUtf8(std::string_view s);

// A command-line argument as engine text. False with *error naming `what` and the
// fault: bytes that are not UTF-8 at all, or a character without a Windows-1251 form.
bool ArgText(const std::string& utf8, std::string* cp1251, std::string* error,
             const std::string& what);

}  // namespace zrt::cli
