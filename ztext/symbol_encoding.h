// The Adobe Symbol encoding: the Unicode character that each byte of the Symbol typeface
// stands for. The markup's underscore escape ("_" plus a byte) names a character of
// that typeface; Linux has no font with the symbol character set, so such characters are drawn
// (and read back from RTF) as these Unicode characters in an ordinary face.
#pragma once

#include <array>

#include "ztext_export.h"

namespace ztext {

// The 256 entries, indexed by the Symbol byte; 0 where the encoding has no character
// (0x00-0x1F, 0x7F-0x9F, 0xF0 and 0xFF).
ZTEXT_EXPORT const std::array<char16_t, 256>& symbolEncodingTable();

// The Unicode character of one Symbol byte, 0 when it has none.
ZTEXT_EXPORT char16_t symbolToUnicode(unsigned char code);

}  // namespace ztext
