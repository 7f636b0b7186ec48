// The query state that a ".cdq" file holds, and its reader and writer.
//
// Format (little-endian, no padding). Text: int16 length n (0..32767), n bytes of
// Windows-1251 without a terminating zero. Byte list: int32 count c, c bytes.
//   1 magic "ASDQ" as a text (04 00 'A' 'S' 'D' 'Q')   9 areaExtraText
//   2 editionTitle            6 limitsText           10 docTypeSel   (byte list)
//   3 foundCount   int32      7 limitsExtraText      11 countrySel   (byte list)
//   4 pageFlag     int32      8 areaText             12 languageSel  (byte list)
//   5 queryText               13 yearsText
//  14 areaSel: int32 count, count int32 values (16-bit indices widened)
//  15 marks:   int32 count, count int32 document positions (optional)
// A file is untrusted: the magic and the texts 2-9 and 13 must be complete; a negative
// length or count is refused; a list that ends early keeps what was read; marks are
// bounded to 10,000 and those below 1 dropped.
#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

namespace tolvar {

constexpr int kMaxMarks = 10000;

struct QueryFileState {
  QByteArray editionTitle;  // texts in Windows-1251, as in the file
  qint32 foundCount = -1;
  qint32 pageFlag = 0;
  QByteArray queryText, limitsText, limitsExtraText, areaText, areaExtraText;
  QByteArray docTypeSel, countrySel, languageSel;
  QByteArray yearsText;
  QList<quint16> areaSel;
  QList<qint32> marks;
  bool operator==(const QueryFileState&) const = default;
};

QByteArray WriteQueryFile(const QueryFileState& state);
std::optional<QueryFileState> ReadQueryFile(QByteArrayView bytes);

}  // namespace tolvar
