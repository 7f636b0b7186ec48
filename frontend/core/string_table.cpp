#include "string_table.h"

#include <QFile>
#include <QHash>

namespace tolvar {

namespace {
QHash<int, QString> Load() {
  QHash<int, QString> table;
  QFile f(":/tolvar/strings.txt");
  if (!f.open(QIODevice::ReadOnly)) return table;
  for (const QByteArray& raw : f.readAll().split('\n')) {
    const QString line = QString::fromUtf8(raw);
    const qsizetype tab = line.indexOf('\t');
    if (line.startsWith('#') || tab <= 0) continue;
    QString text = line.mid(tab + 1);
    text.replace("\\n", "\n").replace("\\r", "\r");
    table.insert(line.left(tab).toInt(), text);
  }
  return table;
}
}  // namespace

QString Str(int id) {
  static const QHash<int, QString> table = Load();
  return table.value(id, QStringLiteral("#%1").arg(id));
}

}  // namespace tolvar
