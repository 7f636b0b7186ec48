#include "selection.h"

namespace tolvar {

QByteArray SelectionToQuery(const QByteArray& markup, bool ignorePoint, bool ignoreOperators) {
  QByteArray specials = "()";
  if (!ignorePoint) specials += '.';
  if (!ignoreOperators) specials += "&|";
  QByteArray text = markup;
  qsizetype first = -1;
  for (qsizetype i = 0; i < text.size() && first < 0; ++i)
    if (specials.contains(text[i])) first = i;
  if (first > 0 && text[first - 1] != '_') text = "'" + text + "'";
  if (text.contains(' ') || text.contains('\t') || text.contains('\n')) text = "(" + text + ")";
  return text;
}

}  // namespace tolvar
