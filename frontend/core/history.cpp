#include "history.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <algorithm>

#include "query_doc.h"
#include "query_file.h"

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

namespace {
const QStringList kHistoryPattern{"qx*.cdq"};
}

QList<HistoryEntry> ReadHistory(const QString& folder) {
  QList<HistoryEntry> entries;
  const QDir dir(folder);
  for (const QFileInfo& info : dir.entryInfoList(kHistoryPattern, QDir::Files, QDir::Name)) {
    HistoryEntry e{info.filePath(), "???", 0, false};
    QFile f(e.path);
    // A query file is a few hundred bytes; a huge one is not a history file.
    if (f.open(QIODevice::ReadOnly) && f.size() <= (1 << 20)) {
      if (const std::optional<QueryFileState> s = ReadQueryFile(f.readAll())) {
        e.text = ComposeQuery(WrapQueryText(s->queryText), s->limitsText, s->areaText);
        e.found = s->foundCount;
        e.readable = true;
      }
    }
    entries << e;
  }
  return entries;
}

bool ClearHistory(const QString& folder) {
  bool all = true;
  const QDir dir(folder);
  for (const QFileInfo& info : dir.entryInfoList(kHistoryPattern, QDir::Files))
    all = QFile::remove(info.filePath()) && all;
  return all;
}

namespace {
// "(a) OR (b)" begins and ends with a parenthesis without being enclosed by one pair.
bool Enclosed(const QByteArray& text) {
  if (!text.startsWith('(') || !text.endsWith(')')) return false;
  int depth = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    depth += text[i] == '(' ? 1 : text[i] == ')' ? -1 : 0;
    if (depth == 0 && i + 1 < text.size()) return false;
  }
  return depth == 0;
}
}  // namespace

QByteArray CombinedHistoryText(const QByteArray& text, bool enclose) {
  return !enclose || Enclosed(text) ? text : "(" + text + ")";
}

QString NewHistoryFile(const QString& folder, int limit, const QDateTime& now) {
  QDir dir(folder);
  if (!dir.exists()) QDir().mkpath(folder);
  QFileInfoList files = dir.entryInfoList(kHistoryPattern, QDir::Files, QDir::Time | QDir::Reversed);
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
