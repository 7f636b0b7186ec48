// The control's reading of the escaped markup: the text buffer's
// bytes become the displayed characters, each with the attribute word that selects its font,
// colour and position.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace ztext {

// The bits of the attribute word, one word per displayed character.
namespace attr {
constexpr std::uint16_t kSymbol = 0x001;     // "_" escape: a character of the Symbol face
constexpr std::uint16_t kItalic = 0x002;     // "_" 0xDD ... "_" 0xFD
constexpr std::uint16_t kSmall = 0x004;      // font index only: sub- or superscript size
constexpr std::uint16_t kBold = 0x008;       // "_" 0xDE ... "_" 0xFE
constexpr std::uint16_t kColour = 0x010;     // "_" 0xDF ... "_" 0xFF, drawn in blue
constexpr std::uint16_t kSubscript = 0x020;  // "[" ... "]"
constexpr std::uint16_t kLiteralBracketApostrophe = 0x040;  // "['" ... "]"
constexpr std::uint16_t kLiteralBracketComma = 0x080;       // "[," ... "]"
constexpr std::uint16_t kSuperscript = 0x100;               // "{" ... "}"
constexpr std::uint16_t kLiteralBraceComma = 0x200;         // "{," ... "}"
constexpr std::uint16_t kLiteralBraceApostrophe = 0x400;    // "{'" ... "}"

constexpr std::uint16_t kBracketLevels = 0x0E0;  // any "[" level open
constexpr std::uint16_t kBraceLevels = 0x700;    // any "{" level open
constexpr std::uint16_t kDrawRun = 0x13B;        // characters drawn with one font and colour
}  // namespace attr

// The font of a character: bit 1 Symbol face, 2 italic, 4 small size, 8 bold.
int fontIndex(std::uint16_t attributes);

// One displayed character.
struct DecodedChar {
  unsigned char byte;  // the Windows-1251 (or, with kSymbol, Symbol-face) byte shown
  std::uint16_t attributes;
  int start;   // its first byte in the text: the "_" of an escape
  int length;  // its bytes: 2 for an escape and for a CR LF line break
};

// Decodes a whole text. Markup that opens or closes a level or a highlight is consumed
// without output; unbalanced markup is read as the rules say and never past the text's end.
// A carriage return followed by a line feed is one character (a line break) of two bytes, so
// that the caret never stands between them.
std::vector<DecodedChar> decodeMarkup(QByteArrayView text);

// A line break: a CR LF pair, a lone CR or a lone LF that is not a Symbol character.
bool isLineBreak(const DecodedChar& c);
// White space for word movement and line wrapping: a blank, a tab or a line break.
bool isWhiteSpace(const DecodedChar& c);

// The Unicode character that shows a decoded character: a Symbol character through the Adobe
// Symbol encoding, any other through Windows-1251; U+FFFD where either has none. Line breaks
// and other control bytes show as nothing (0).
char16_t displayCharacter(const DecodedChar& c);

// The readable Unicode rendering of a text (sub- and superscript levels and highlights
// dropped, line breaks as "\n"), for accessibility and the clipboard's second format.
QString displayText(QByteArrayView text);

// A text with the colour, bold and italic marks ("_" followed by 0xDD-0xDF or 0xFD-0xFF)
// removed and every other escape kept, as copying puts it on the clipboard.
QByteArray withoutHighlightMarks(QByteArrayView text);

}  // namespace ztext
