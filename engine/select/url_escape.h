// Query texts carried in URLs: "+" for a space and "%hh" for a byte.
#pragma once

namespace zrt {

// Decodes in place: "+" becomes a space, "%" and two characters the byte they spell
// (hex digits in either case); a "%" with fewer than two characters after it is copied
// as it stands. Returns `text`.
char* UnescapeUrl(char* text);
// Every space becomes "+"; nothing else changes. Returns `text`.
char* EscapeQuery(char* text);

}  // namespace zrt
