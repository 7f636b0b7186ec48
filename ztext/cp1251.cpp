#include "cp1251.h"

#include <QList>

#include "codepage/cp1251.h"

// Qt's text types over the code-page table that the engine and the client layer share.
namespace ztext::cp1251 {

char16_t toUnicode(unsigned char byte) { return static_cast<char16_t>(zrt::cp1251::ToUnicode(byte)); }

QString toUnicode(QByteArrayView bytes) {
  QString text;
  text.reserve(bytes.size());
  for (const char b : bytes) text.append(QChar(toUnicode(static_cast<unsigned char>(b))));
  return text;
}

std::optional<char> fromUnicode(char32_t c) {
  const int byte = zrt::cp1251::FromUnicode(c);
  if (byte < 0) return std::nullopt;
  return static_cast<char>(byte);
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
