#include "query_file.h"

#include <QtEndian>

namespace tolvar {

namespace {
void PutInt(QByteArray& out, qint32 v) {
  char b[4];
  qToLittleEndian(v, b);
  out.append(b, 4);
}
void PutText(QByteArray& out, const QByteArray& text) {
  const qint16 n = qint16(qMin<qsizetype>(text.size(), 32767));
  char b[2];
  qToLittleEndian(n, b);
  out.append(b, 2).append(text.constData(), n);
}
void PutBytes(QByteArray& out, const QByteArray& list) {
  PutInt(out, qint32(list.size()));
  out.append(list);
}

class Reader {
 public:
  explicit Reader(QByteArrayView b) : b_(b) {}
  bool Int(qint32* v) {
    if (b_.size() - at_ < 4) return false;
    *v = qFromLittleEndian<qint32>(b_.data() + at_);
    at_ += 4;
    return true;
  }
  bool Text(QByteArray* t) {
    if (b_.size() - at_ < 2) return false;
    const qint16 n = qFromLittleEndian<qint16>(b_.data() + at_);
    if (n < 0 || b_.size() - at_ - 2 < n) return false;
    *t = QByteArray(b_.data() + at_ + 2, n);
    at_ += 2 + n;
    return true;
  }
  // A count that says more than the file holds keeps what is there.
  bool Bytes(QByteArray* list) {
    qint32 c;
    if (!Int(&c) || c < 0) return false;
    const qsizetype n = qMin<qsizetype>(c, b_.size() - at_);
    *list = QByteArray(b_.data() + at_, n);
    at_ += n;
    return true;
  }
  template <typename F>
  bool Values(F&& take) {
    qint32 c;
    if (!Int(&c) || c < 0) return false;
    for (qint32 k = 0; k < c; ++k) {
      qint32 v;
      if (!Int(&v) || !take(v)) break;
    }
    return true;
  }

 private:
  QByteArrayView b_;
  qsizetype at_ = 0;
};
}  // namespace

QByteArray WriteQueryFile(const QueryFileState& s) {
  QByteArray out;
  PutText(out, "ASDQ");
  PutText(out, s.editionTitle);
  PutInt(out, s.foundCount);
  PutInt(out, s.pageFlag);
  for (const QByteArray* t :
       {&s.queryText, &s.limitsText, &s.limitsExtraText, &s.areaText, &s.areaExtraText})
    PutText(out, *t);
  PutBytes(out, s.docTypeSel);
  PutBytes(out, s.countrySel);
  PutBytes(out, s.languageSel);
  PutText(out, s.yearsText);
  PutInt(out, qint32(s.areaSel.size()));
  for (quint16 v : s.areaSel) PutInt(out, v);
  PutInt(out, qint32(qMin<qsizetype>(s.marks.size(), kMaxMarks)));
  for (qsizetype k = 0; k < s.marks.size() && k < kMaxMarks; ++k) PutInt(out, s.marks[k]);
  return out;
}

std::optional<QueryFileState> ReadQueryFile(QByteArrayView bytes) {
  Reader r(bytes);
  QueryFileState s;
  QByteArray magic;
  if (!r.Text(&magic) || magic != "ASDQ") return std::nullopt;
  if (!r.Text(&s.editionTitle) || !r.Int(&s.foundCount) || !r.Int(&s.pageFlag))
    return std::nullopt;
  for (QByteArray* t :
       {&s.queryText, &s.limitsText, &s.limitsExtraText, &s.areaText, &s.areaExtraText})
    if (!r.Text(t)) return std::nullopt;
  if (!r.Bytes(&s.docTypeSel) || !r.Bytes(&s.countrySel) || !r.Bytes(&s.languageSel))
    return std::nullopt;
  if (!r.Text(&s.yearsText)) return std::nullopt;
  if (!r.Values([&](qint32 v) {
        if (v >= 0 && v <= 0xffff) s.areaSel << quint16(v);
        return true;
      }))
    return std::nullopt;
  // The marks are optional: a missing count leaves none.
  r.Values([&](qint32 v) {
    if (v >= 1 && !s.marks.contains(v)) s.marks << v;
    return s.marks.size() < kMaxMarks;
  });
  return s;
}

}  // namespace tolvar
