// Marks and portions of a query document: positions are 1-based numbers in the current
// walk (found-list positions in query mode, record numbers in reading mode).
#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace tolvar {

// "1,3,5-12": parts split at commas, semicolons, blanks and tabs; a number lies in
// 1..total; a range a-b adds a..min(b, total), with a in 1..total and b >= a; at most
// 10,000 numbers in all. Nothing on any violation.
std::optional<QList<qint32>> ParseInterval(const QString& text, qint32 total);

struct Portion {
  qint32 start = 1, count = 10, total = 0;
  bool CanNext() const { return start + count <= total; }
  bool CanPrevious() const { return start != 1; }
  void First() { start = 1; }
  void Next() { start += count; }
  void Previous() { start = qMax(1, start - count); }
  void Last() { start = qMax(1, total - count + 1); }
  // Documents of the portion on screen: count, cut at the end of the walk.
  qint32 Shown() const { return qMax(0, qMin(count, total - start + 1)); }
};

class MarkSet {
 public:
  const QList<qint32>& List() const { return marks_; }
  bool Contains(qint32 n) const { return marks_.contains(n); }
  qsizetype Size() const { return marks_.size(); }
  void Clear() { marks_.clear(); }
  // Sets the numbers not yet marked; false when it stopped at 10,000 marks.
  bool Set(const QList<qint32>& numbers);
  void Unset(const QList<qint32>& numbers);
  void DropBeyond(qint32 total);

 private:
  QList<qint32> marks_;
};

QList<qint32> Range(qint32 from, qint32 to);

}  // namespace tolvar
