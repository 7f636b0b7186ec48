#include "codec.h"

#include <QList>

#include "codepage/cp1251.h"

namespace tolvar {

QString toUi(QByteArrayView engineText) {
  QString s;
  s.reserve(engineText.size());
  for (char c : engineText) s += QChar(char16_t(zrt::cp1251::ToUnicode(static_cast<unsigned char>(c))));
  return s;
}

QByteArray toEngine(QStringView uiText) {
  QByteArray out;
  out.reserve(uiText.size());
  for (uint c : uiText.toUcs4()) {
    const int byte = zrt::cp1251::FromUnicode(c);
    out += byte < 0 ? '?' : char(byte);
  }
  return out;
}

}  // namespace tolvar
