#include "select/url_escape.h"

namespace zrt {

namespace {

// Decimal digits count their value and anything else its code minus 55, which makes
// A-F 10-15; lower-case a-f are taken as A-F, as every browser may send them.
unsigned DigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') c = static_cast<unsigned char>(c - 'a' + 'A');
  return c - 55u;
}

}  // namespace

char* UnescapeUrl(char* text) {
  if (!text) return text;
  char* out = text;
  for (const char* in = text; *in;) {
    if (*in == '+') {
      *out++ = ' ';
      ++in;
    } else if (*in == '%' && in[1] && in[2]) {
      unsigned v = 16 * DigitValue(static_cast<unsigned char>(in[1])) +
                   DigitValue(static_cast<unsigned char>(in[2]));
      *out++ = static_cast<char>(v & 0xFF);
      in += 3;
    } else {
      *out++ = *in++;
    }
  }
  *out = '\0';
  return text;
}

char* EscapeQuery(char* text) {
  for (char* p = text; p && *p; ++p)
    if (*p == ' ') *p = '+';
  return text;
}

}  // namespace zrt
