// A selection in the document view becomes query text: quoted when a special character
// stands inside it, parenthesised when it holds more than one word.
#pragma once

#include <QByteArray>

namespace tolvar {

QByteArray SelectionToQuery(const QByteArray& markup, bool ignorePoint, bool ignoreOperators);

}  // namespace tolvar
