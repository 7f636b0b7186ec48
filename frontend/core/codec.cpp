#include "codec.h"

#include "cp1251.h"

namespace tolvar {

QString toUi(QByteArrayView engineText) { return ztext::cp1251::toUnicode(engineText); }

QByteArray toEngine(QStringView uiText) { return ztext::cp1251::fromUnicodeLossy(uiText); }

}  // namespace tolvar
