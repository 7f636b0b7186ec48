#include "history.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <algorithm>

namespace tolvar {

int HistoryLimit(int setting) { return setting <= 0 ? 30 : qMin(setting, 100); }

QString ToBase36(quint64 v) {
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  QString s;
  do {
    s.prepend(QChar(digits[v % 36]));
    v /= 36;
  } while (v);
  return s;
}

QString NewHistoryFile(const QString& folder, int limit, const QDateTime& now) {
  QDir dir(folder);
  if (!dir.exists()) QDir().mkpath(folder);
  QFileInfoList files = dir.entryInfoList({"qx*.cdq"}, QDir::Files, QDir::Time | QDir::Reversed);
  if (files.size() > 2 * limit) {
    for (qsizetype k = 0; k < files.size() - limit; ++k) QFile::remove(files[k].filePath());
  }
  static const QDateTime base(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
  quint64 t = quint64(qMax<qint64>(0, base.msecsTo(now))) * 16 / 1000;
  QString path;
  do {
    ++t;
    path = dir.filePath("qx" + ToBase36(t) + ".cdq");
  } while (QFile::exists(path));
  return path;
}

}  // namespace tolvar
