// Converters of the stored document markup (Symbol-font escapes, highlight codes,
// super- and subscripts) to plain text, HTML and RTF.
//
// Every converter writes a NUL-terminated result into out[0..room) and never past it.
// The *Room functions give the room that is always enough for an input of n bytes; with
// less room the output is cut at a step boundary, and the HTML and RTF converters still
// close every element or group they opened, so a cut fragment stays balanced.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zrt {

// Worst cases per input byte: a symbol pair spelled out in plain text is at most 11
// bytes for 2; in HTML 33 bytes for 2, and "<SUP>" with its later "</SUP>" 11 for 1; in
// RTF 19 bytes for 2 ("{\super " with its closing brace 9 for 1). The +1 is the NUL.
constexpr size_t TxtRoom(size_t n) { return 6 * n + 1; }
constexpr size_t HtmlRoom(size_t n) { return 17 * n + 1; }
constexpr size_t RtfRoom(size_t n) { return 10 * n + 1; }

// Each returns the length of the result (the NUL excluded). room 0 writes nothing.
// The input ends at its first NUL byte, if it has one.
size_t OrvToTxt(std::string_view in, char* out, size_t room);
size_t OrvToHtml(std::string_view in, char* out, size_t room);
size_t OrvToRtf(std::string_view in, char* out, size_t room);

// The same with a buffer of the full room.
std::string OrvToTxt(std::string_view in);
std::string OrvToHtml(std::string_view in);
std::string OrvToRtf(std::string_view in);

// The plain-text spelling of the symbol code after the escape byte ("" when it has none).
std::string_view SymbolName(unsigned char code);

}  // namespace zrt
