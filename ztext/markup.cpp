#include "markup.h"

#include "cp1251.h"
#include "symbol_encoding.h"

namespace ztext {

namespace {

constexpr unsigned char kEscape = '_';

// The attribute bit that "_" plus a highlight code sets (start codes) or clears (end codes).
std::uint16_t highlightBit(unsigned char code) {
  switch (code) {
    case 0xDD:
    case 0xFD:
      return attr::kItalic;
    case 0xDE:
    case 0xFE:
      return attr::kBold;
    case 0xDF:
    case 0xFF:
      return attr::kColour;
    default:
      return 0;
  }
}

// The bits of the two kinds of level: "{" (superscript) and "[" (subscript).
struct Levels {
  std::uint16_t script, comma, apostrophe;
};
constexpr Levels kBraces{attr::kSuperscript, attr::kLiteralBraceComma,
                         attr::kLiteralBraceApostrophe};
constexpr Levels kBrackets{attr::kSubscript, attr::kLiteralBracketComma,
                           attr::kLiteralBracketApostrophe};

bool isHighlightStart(unsigned char code) { return code >= 0xDD && code <= 0xDF; }
bool isHighlightEnd(unsigned char code) { return code >= 0xFD; }

}  // namespace

int fontIndex(std::uint16_t attributes) {
  if (attributes & (attr::kSubscript | attr::kSuperscript)) attributes |= attr::kSmall;
  return attributes & 0x00F;
}

std::vector<DecodedChar> decodeMarkup(QByteArrayView text) {
  std::vector<DecodedChar> out;
  out.reserve(text.size());
  const int n = int(text.size());
  // The byte at i, or 0 past the end (the buffer's terminating zero).
  const auto at = [&](int i) -> unsigned char {
    return i < n ? static_cast<unsigned char>(text[i]) : 0;
  };
  std::uint16_t word = 0;
  int i = 0;
  const auto output = [&](unsigned char byte, std::uint16_t attributes, int length) {
    out.push_back({byte, attributes, i, length});
    i += length;
  };
  while (i < n) {
    const unsigned char b = at(i);
    const unsigned char next = at(i + 1);
    if (b == kEscape && isHighlightStart(next)) {
      word |= highlightBit(next);
      i += 2;
    } else if (b == kEscape && isHighlightEnd(next)) {
      word &= ~highlightBit(next);
      i += 2;
    } else if (b == '{' || b == '[') {
      const Levels& level = b == '{' ? kBraces : kBrackets;
      if (next == ',' || next == '\'') {
        word |= next == ',' ? level.comma : level.apostrophe;
        output(b, word, 1);  // the comma or apostrophe follows as an ordinary character
      } else {
        word |= level.script;
        i += 1;
      }
    } else if ((b == '}' && (word & attr::kBraceLevels)) ||
               (b == ']' && (word & attr::kBracketLevels))) {
      // A closer ends an open literal level first (the apostrophe's before the comma's), and
      // shows; otherwise it ends the sub- or superscript, unseen.
      const Levels& level = b == '}' ? kBraces : kBrackets;
      if (word & (level.comma | level.apostrophe)) {
        output(b, word, 1);
        word &= ~(word & level.apostrophe ? level.apostrophe : level.comma);
      } else {
        word &= ~level.script;
        i += 1;
      }
    } else if (b == kEscape && next != 0) {
      // A doubled escape is a literal underscore; the character starts at its escape byte.
      output(next, next == kEscape ? word : word | attr::kSymbol, 2);
    } else {
      output(b, word, b == '\r' && next == '\n' ? 2 : 1);
    }
  }
  return out;
}

bool isLineBreak(const DecodedChar& c) {
  return !(c.attributes & attr::kSymbol) && (c.byte == '\r' || c.byte == '\n');
}

bool isWhiteSpace(const DecodedChar& c) {
  return isLineBreak(c) || (!(c.attributes & attr::kSymbol) && (c.byte == ' ' || c.byte == '\t'));
}

char16_t displayCharacter(const DecodedChar& c) {
  constexpr char16_t kNone = u'\uFFFD';
  if (c.attributes & attr::kSymbol) {
    const char16_t u = symbolToUnicode(c.byte);
    return u ? u : kNone;
  }
  if (c.byte == '\t') return u' ';
  if (c.byte < 0x20 || c.byte == 0x7F) return 0;
  return cp1251::toUnicode(c.byte);
}

QString displayText(QByteArrayView text) {
  QString out;
  for (const DecodedChar& c : decodeMarkup(text)) {
    if (isLineBreak(c)) {
      out.append(u'\n');
    } else if (const char16_t u = displayCharacter(c)) {
      out.append(QChar(u));
    }
  }
  return out;
}

QByteArray withoutHighlightMarks(QByteArrayView text) {
  QByteArray out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != kEscape || i + 1 == text.size()) {
      out.append(text[i]);
      continue;
    }
    const auto code = static_cast<unsigned char>(text[i + 1]);
    if (!highlightBit(code)) out.append(text.sliced(i, 2));
    ++i;  // the escape and its code are one unit
  }
  return out;
}

}  // namespace ztext
