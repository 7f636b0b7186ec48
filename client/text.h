// Text at the boundary between a client (UTF-8) and the engine (Windows-1251), over the
// code-page table that the engine compiles too.
#pragma once

#include <string>
#include <string_view>

#include "codepage/cp1251.h"

namespace zrt::client {

using cp1251::FromUtf8;
using cp1251::ToUtf8;
using cp1251::ValidUtf8;

// Text from the engine (Windows-1251, may be null) as UTF-8.
std::string Utf8(const char* engineText);

// A caller's UTF-8 text as engine text. False with *error naming `what` and the fault:
// bytes that are not UTF-8 at all, or a character without a Windows-1251 form.
bool ToEngineText(std::string_view utf8, std::string* engineText, std::string* error,
                  const std::string& what);

// Stored markup (Windows-1251 with escapes) as an RTF fragment, or with `html` an HTML
// fragment, through the engine's converters.
std::string MarkupToRtf(const std::string& stored);
std::string MarkupToHtml(const std::string& stored);

// Text width in characters, not UTF-8 bytes, so that Cyrillic columns line up.
size_t Width(std::string_view utf8);

}  // namespace zrt::client
