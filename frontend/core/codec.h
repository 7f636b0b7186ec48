// The engine speaks Windows-1251, the widgets Unicode: these two calls are the only
// crossing, so that the conversion stays in one place.
#pragma once

#include <QByteArray>
#include <QString>

namespace tolvar {

QString toUi(QByteArrayView engineText);
// Characters without a Windows-1251 byte become "?".
QByteArray toEngine(QStringView uiText);

}  // namespace tolvar
