// The search history's files: one ".cdq" per query run, named "qx" + a base-36 time
// stamp + ".cdq" in the history folder.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
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

// One line of the history window: the query a file holds, as its engine text without
// word forms (Windows-1251), and the documents its run found. A file that does not read
// as a query shows "???".
struct HistoryEntry {
  QString path;
  QByteArray text;
  qint32 found = 0;
  bool readable = false;
};
// The history files of a folder in the order of their names, which is the order they
// were written in.
QList<HistoryEntry> ReadHistory(const QString& folder);
// Deletes every history file of the folder; false when one stays.
bool ClearHistory(const QString& folder);
// The text a combine command of the history takes: enclosed in "(" and ")" for AND and
// OR unless one pair of parentheses already encloses all of it.
QByteArray CombinedHistoryText(const QByteArray& text, bool enclose);

}  // namespace tolvar
