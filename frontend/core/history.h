// The search history's files: one ".cdq" per query run, named "qx" + a base-36 time
// stamp + ".cdq" in the history folder.
#pragma once

#include <QDateTime>
#include <QString>

namespace tolvar {

// "History Size": 0 or less means 30, at most 100.
int HistoryLimit(int setting);
// A history file name that does not exist yet in `folder` (created when missing). The
// stamp counts sixteenths of seconds since 2000, so names keep increasing across years.
// When the folder holds more than twice `limit` history files, the oldest are deleted
// until `limit` remain.
QString NewHistoryFile(const QString& folder, int limit, const QDateTime& now);
QString ToBase36(quint64 v);

}  // namespace tolvar
