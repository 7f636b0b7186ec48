#include "text/charset.h"

#include <cstring>

namespace zrt {
namespace {

// ASCII casing is spelled out rather than taken from <cctype>: a process locale other
// than "C" must not change which bytes an index word is made of.
inline unsigned char AsciiUp(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 0x20 : c; }
inline unsigned char AsciiDown(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 0x20 : c; }

unsigned char OemToAnsiByte(unsigned char c) {
  if (c >= 0x80 && c <= 0xAF) return c + 0x40;
  if (c >= 0xE0 && c <= 0xEF) return c + 0x10;
  return c;
}

// B0-BF (Ё, ё and the signs around them) land on 70-7F: the dictionaries on the existing
// media were written this way, so query words have to be converted alike to be found.
unsigned char AnsiToOemByte(unsigned char c) {
  if (c >= 0xF0) return c - 0x10;
  if (c >= 0xB0 && c <= 0xEF) return c - 0x40;
  return c;
}

// Stored texts are read back with OemToAnsi, which passes B0-DF and F0-FF through and
// can never yield 80-AF. So B0-BF (ё, », №, °) are stored as they are, and the
// punctuation of 80-AF gets its nearest readable form instead of turning into a letter.
unsigned char StoredOemByte(unsigned char c) {
  if (c >= 0xC0) return AnsiToOemByte(c);
  if (c >= 0xB0) return c;
  if (c < 0x80) return c;
  switch (c) {
    case 0x82: return ',';   // ‚
    case 0x84:               // „
    case 0x93:               // “
    case 0x94:               // ”
    case 0xAB: return '"';   // «
    case 0x85: return '.';   // …
    case 0x91:               // ‘
    case 0x92: return '\'';  // ’
    case 0x95: return '*';   // •
    case 0x96:               // –
    case 0x97:               // —
    case 0xAD: return '-';   // soft hyphen
    case 0xA0: return ' ';   // no-break space
    case 0xA8: return 0x85;  // Ё reads back as Е
    default: return '?';
  }
}

// Exchange files are read by other programs as real code page 866, which has Ё, ё, №,
// °, · and the Ukrainian and Belarusian letters at F0-FF; the rest of 80-BF gets its
// nearest ASCII form as for stored texts.
unsigned char ExchangeOemByte(unsigned char c) {
  if (c >= 0xC0 || c < 0x80) return AnsiToOemByte(c);
  switch (c) {
    case 0xA8: return 0xF0;  // Ё
    case 0xB8: return 0xF1;  // ё
    case 0xAA: return 0xF2;  // Є
    case 0xBA: return 0xF3;  // є
    case 0xAF: return 0xF4;  // Ї
    case 0xBF: return 0xF5;  // ї
    case 0xA1: return 0xF6;  // Ў
    case 0xA2: return 0xF7;  // ў
    case 0xB0: return 0xF8;  // °
    case 0xB7: return 0xFA;  // ·
    case 0xB9: return 0xFC;  // №
    case 0xA4: return 0xFD;  // ¤
    case 0xA0: return 0xFF;  // no-break space
    case 0xBB: return '"';   // »
    default: return c < 0xB0 ? StoredOemByte(c) : '?';
  }
}

unsigned char ExchangeAnsiByte(unsigned char c) {
  static const unsigned char kHigh[16] = {0xA8, 0xB8, 0xAA, 0xBA, 0xAF, 0xBF, 0xA1, 0xA2,
                                          0xB0, '?',  0xB7, '?',  0xB9, 0xA4, '?',  0xA0};
  if (c >= 0xF0) return kHigh[c - 0xF0];
  return OemToAnsiByte(c);
}

unsigned char FoldYoByte(unsigned char c) {
  if (c == 0xB8) return 0xE5;  // ё -> е
  if (c == 0xA8) return 0xC5;  // Ё -> Е
  return c;
}

unsigned char AnsiUpperByte(unsigned char c) {
  if (c >= 0xE0) return c - 0x20;
  if (c < 0x80) return AsciiUp(c);
  return c;  // 80-DF, including ё B8
}

unsigned char AnsiLowerByte(unsigned char c) {
  if (c >= 0xC0 && c <= 0xDF) return c + 0x20;
  if (c < 0x80) return AsciiDown(c);
  return c;
}

// Applies `map` to every byte of [p, p+n) that does not directly follow a "_".
template <unsigned char (*map)(unsigned char)>
void MapEscapeAware(char* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && p[i - 1] == '_') continue;
    p[i] = static_cast<char>(map(static_cast<unsigned char>(p[i])));
  }
}

template <unsigned char (*map)(unsigned char)>
char* MapInPlace(char* text) {
  if (text) MapEscapeAware<map>(text, std::strlen(text));
  return text;
}

template <unsigned char (*map)(unsigned char)>
std::string MapString(std::string text) {
  MapEscapeAware<map>(text.data(), text.size());
  return text;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

char* OemToAnsi(char* text) { return MapInPlace<OemToAnsiByte>(text); }
char* AnsiToOem(char* text) { return MapInPlace<AnsiToOemByte>(text); }
std::string AnsiToStoredOem(std::string text) { return MapString<StoredOemByte>(std::move(text)); }
std::string AnsiToExchangeOem(std::string text) {
  return MapString<ExchangeOemByte>(std::move(text));
}
std::string ExchangeOemToAnsi(std::string text) {
  return MapString<ExchangeAnsiByte>(std::move(text));
}
char* AnsiUpper(char* text) { return MapInPlace<AnsiUpperByte>(text); }
char* FoldYo(char* text) { return MapInPlace<FoldYoByte>(text); }
std::string FoldYo(std::string text) { return MapString<FoldYoByte>(std::move(text)); }
std::string IndexKey(std::string word) {
  return AnsiToOem(AnsiUpper(FoldYo(std::move(word))));
}
char* AnsiLower(char* text) { return MapInPlace<AnsiLowerByte>(text); }

std::string OemToAnsi(std::string text) { return MapString<OemToAnsiByte>(std::move(text)); }
std::string AnsiToOem(std::string text) { return MapString<AnsiToOemByte>(std::move(text)); }
std::string AnsiUpper(std::string text) { return MapString<AnsiUpperByte>(std::move(text)); }

// A null argument compares as the empty string.
int StrICmp(const char* a, const char* b) {
  std::string ua = AnsiUpper(std::string(a ? a : ""));
  std::string ub = AnsiUpper(std::string(b ? b : ""));
  return Sign(ua.compare(ub));  // char_traits<char> compares as unsigned bytes
}

int StrNICmp(const char* a, const char* b, size_t n) {
  std::string ua = AnsiUpper(std::string(a ? a : ""));
  std::string ub = AnsiUpper(std::string(b ? b : ""));
  if (ua.size() > n) ua.resize(n);
  if (ub.size() > n) ub.resize(n);
  return Sign(ua.compare(ub));
}

char* JoinNameWords(char* text) {
  if (!text) return text;
  // Pass 1: a ". " or an inner space not after a comma becomes "-", swallowing the spaces
  // behind it, so "Иванов  И. И." is one term while "Smith, J." keeps its comma space.
  size_t len = std::strlen(text);
  for (size_t i = 0; i < len; ++i) {
    bool dotSpace = text[i] == '.' && text[i + 1] == ' ';
    bool innerSpace = text[i] == ' ' && i > 0 && text[i - 1] != ',';
    if (!dotSpace && !innerSpace) continue;
    text[i] = '-';
    size_t j = i + 1;
    while (text[j] == ' ') ++j;
    std::memmove(text + i + 1, text + j, len - j + 1);
    len -= j - (i + 1);
  }
  // Pass 2: runs of "-" collapse into one.
  char* out = text;
  for (const char* p = text; *p; ++p) {
    if (*p == '-' && out > text && out[-1] == '-') continue;
    *out++ = *p;
  }
  *out = '\0';
  return text;
}

}  // namespace zrt
