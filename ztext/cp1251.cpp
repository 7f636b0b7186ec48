#include "cp1251.h"

#include <QList>
#include <algorithm>
#include <array>

namespace ztext::cp1251 {

namespace {

// Bytes 0x80-0xBF; 0x00-0x7F are ASCII and 0xC0-0xFF the letters А-я (U+0410-U+044F).
// clang-format off
constexpr std::array<char16_t, 64> kHigh = {
    u'Ђ', u'Ѓ', u'‚', u'ѓ', u'„', u'…', u'†', u'‡', u'€', u'‰', u'Љ', u'‹', u'Њ', u'Ќ', u'Ћ', u'Џ',
    u'ђ', u'‘', u'’', u'“', u'”', u'•', u'–', u'—', 0,    u'™', u'љ', u'›', u'њ', u'ќ', u'ћ', u'џ',
    u'\u00A0', u'Ў', u'ў', u'Ј', u'¤', u'Ґ', u'¦', u'§', u'Ё', u'©', u'Є', u'«', u'¬', u'\u00AD', u'®', u'Ї',
    u'°', u'±', u'І', u'і', u'ґ', u'µ', u'¶', u'·', u'ё', u'№', u'є', u'»', u'ј', u'Ѕ', u'ѕ', u'ї',
};
// clang-format on

constexpr char16_t kReplacement = u'\uFFFD';

}  // namespace

char16_t toUnicode(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return char16_t(u'А' + (byte - 0xC0));
  const char16_t c = kHigh[byte - 0x80];
  return c ? c : kReplacement;
}

QString toUnicode(QByteArrayView bytes) {
  QString text;
  text.reserve(bytes.size());
  for (const char b : bytes) text.append(QChar(toUnicode(static_cast<unsigned char>(b))));
  return text;
}

std::optional<char> fromUnicode(char32_t c) {
  if (c < 0x80) return char(c);
  if (c >= u'А' && c <= u'я') return char(0xC0 + (c - u'А'));
  const auto it = std::find(kHigh.begin(), kHigh.end(), c);
  if (it == kHigh.end()) return std::nullopt;
  return char(0x80 + (it - kHigh.begin()));
}

std::optional<QByteArray> fromUnicode(QStringView text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  for (const char32_t c : text.toUcs4()) {
    const auto b = fromUnicode(c);
    if (!b) return std::nullopt;
    bytes.append(*b);
  }
  return bytes;
}

QByteArray fromUnicodeLossy(QStringView text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  for (const char32_t c : text.toUcs4()) bytes.append(fromUnicode(c).value_or('?'));
  return bytes;
}

}  // namespace ztext::cp1251
