// Prints a query file as the core reads it, for the end-to-end test's checks:
// title, query, limits, area, found count and marks, one per line, in UTF-8.
#include <QFile>
#include <cstdio>

#include "codec.h"
#include "query_file.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  QFile f(QString::fromLocal8Bit(argv[1]));
  if (!f.open(QIODevice::ReadOnly)) return 1;
  const auto s = tolvar::ReadQueryFile(f.readAll());
  if (!s) return 1;
  QByteArray marks;
  for (qint32 m : s->marks) marks += QByteArray::number(m) + ' ';
  std::printf("title=%s\nquery=%s\nlimits=%s\narea=%s\nfound=%d\nmarks=%s\n",
              tolvar::toUi(s->editionTitle).toUtf8().constData(),
              tolvar::toUi(s->queryText).toUtf8().constData(),
              tolvar::toUi(s->limitsText).toUtf8().constData(),
              tolvar::toUi(s->areaText).toUtf8().constData(), s->foundCount,
              marks.trimmed().constData());
  return 0;
}
