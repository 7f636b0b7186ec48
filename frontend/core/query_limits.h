// What the builder's «Ограничения» and «Область поиска» pages turn into query text: the
// three fixed limit lists, the publication-years field and the top-level sections of an
// edition's contents with their classification codes.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct EngineHandle;

namespace tolvar {

struct ClassificationTable;

struct LimitEntry {
  const char* display;  // UTF-8, as the list shows it
  const char* code;     // UTF-8, as the query carries it
};

// The limit lists in the order the page shows them and the text names them.
enum LimitList { kDocTypes, kCountries, kLanguages };
struct LimitTable {
  const LimitEntry* entries;
  int size;
  const char* caption;  // the list's label
  const char* field;    // DT, CC, LA
};
const LimitTable& Limits(LimitList list);

constexpr int kMaxYearsText = 127;
// Each year is an operand of the query, whose text the engine takes up to 2047 bytes.
constexpr int kMaxYears = 200;

// The years of the field "Год издания (PY):" in the order written: parts split at commas,
// blanks and semicolons, each a year or "first-last". nullopt for anything else, for a
// year outside 1000 to `lastYear`, a range that runs backwards or more than kMaxYears
// years (string 35).
std::optional<QList<int>> ParseYears(const QString& text, int lastYear);
// The last year the field accepts: next year, so that announced publications fit.
int LastAcceptedYear();

// "(01 OR 02) IN DT AND (РУС) IN LA AND (1995 OR 1996) IN PY" in Windows-1251: one clause
// per list with something checked, in the order DT, CC, LA, PY. The selections hold
// indices into the lists; those outside are ignored.
QByteArray LimitsText(const QByteArray& docTypes, const QByteArray& countries,
                      const QByteArray& languages, const QList<int>& years);

// A top-level section of the contents as the area page lists it.
struct AreaSection {
  QString line;      // title, and " (code)" when the classification knows the section
  QByteArray code;   // the classification code, or empty
};
QList<AreaSection> AreaSections(EngineHandle* h, const ClassificationTable& table);
// The codes of the checked sections joined with " OR "; sections without a code add
// nothing.
QByteArray AreaText(const QList<AreaSection>& sections, const QList<quint16>& checked);

}  // namespace tolvar
