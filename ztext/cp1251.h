// Windows-1251, the code page of the control's text, to and from Unicode: what the keyboard
// and the clipboard deliver is Unicode, what the buffer holds is Windows-1251 bytes.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace ztext::cp1251 {

// The character of one byte; U+FFFD for 0x98, the one byte that stands for no character.
char16_t toUnicode(unsigned char byte);
QString toUnicode(QByteArrayView bytes);

// The byte of one character, nothing when the code page has none for it.
std::optional<char> fromUnicode(char32_t c);
// The bytes of a whole text, nothing when any of its characters has no byte.
std::optional<QByteArray> fromUnicode(QStringView text);
// The bytes of a whole text, with "?" for each character that has no byte.
QByteArray fromUnicodeLossy(QStringView text);

}  // namespace ztext::cp1251
