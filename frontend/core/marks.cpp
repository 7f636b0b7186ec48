#include "marks.h"

#include <QRegularExpression>
#include <QSet>

#include "query_file.h"

namespace tolvar {

std::optional<QList<qint32>> ParseInterval(const QString& text, qint32 total) {
  static const QRegularExpression separators("[,; \\t]+");
  QList<qint32> out;
  for (const QString& part : text.split(separators, Qt::SkipEmptyParts)) {
    const qsizetype dash = part.indexOf('-');
    bool okA = false, okB = true;
    const qint64 a = part.left(dash < 0 ? part.size() : dash).toLongLong(&okA);
    const qint64 b = dash < 0 ? a : part.mid(dash + 1).toLongLong(&okB);
    if (!okA || !okB || a < 1 || a > total || b < a) return std::nullopt;
    const qint64 end = qMin<qint64>(b, total);
    if (out.size() + (end - a + 1) > kMaxMarks) return std::nullopt;
    for (qint64 n = a; n <= end; ++n) out << qint32(n);
  }
  return out;
}

bool MarkSet::Set(const QList<qint32>& numbers) {
  QSet<qint32> have(marks_.begin(), marks_.end());
  for (qint32 n : numbers) {
    if (have.contains(n)) continue;
    if (marks_.size() >= kMaxMarks) return false;
    marks_ << n;
    have.insert(n);
  }
  return true;
}

void MarkSet::Unset(const QList<qint32>& numbers) {
  const QSet<qint32> drop(numbers.begin(), numbers.end());
  marks_.removeIf([&](qint32 n) { return drop.contains(n); });
}

void MarkSet::DropBeyond(qint32 total) {
  marks_.removeIf([&](qint32 n) { return n < 1 || n > total; });
}

QList<qint32> Range(qint32 from, qint32 to) {
  QList<qint32> out;
  for (qint32 n = from; n <= to; ++n) out << n;
  return out;
}

}  // namespace tolvar
