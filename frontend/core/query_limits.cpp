#include "query_limits.h"

#include <QDate>
#include <QRegularExpression>

#include "codec.h"
#include "config_folder.h"
#include "contents.h"

namespace tolvar {

namespace {

const LimitEntry kDocTypeEntries[] = {
    {"Статья в сериальном издании (01)", "01"},
    {"Отдельный выпуск журнала (02)", "02"},
    {"Статья в сборнике депонированных работ (03)", "03"},
    {"Статья в книге, сборнике (04)", "04"},
    {"Книга (06)", "06"},
    {"Проспект (проспект, каталог) (07)", "07"},
    {"Депонированные работы (08)", "08"},
    {"Патентный документ (09)", "09"},
    {"Нормативные документы (10)", "10"},
    {"Диссертационные работы (11)", "11"},
    {"Картографические издания (14)", "14"},
};

const LimitEntry kCountryEntries[] = {
    {"Австралия (AU)", "AU"},      {"Австрия (AT)", "AT"},   {"Белоруссия (BY)", "BY"},
    {"Болгария (BG)", "BG"},       {"Великобритания (GB)", "GB"}, {"Венгрия (HU)", "HU"},
    {"Германия (DE)", "DE"},       {"Дания (DK)", "DK"},     {"Индия (IN)", "IN"},
    {"Испания (ES)", "ES"},        {"Италия (IT)", "IT"},    {"Канада (CA)", "CA"},
    {"Китай (CN)", "CN"},          {"Нидерланды (NL)", "NL"}, {"Польша (PL)", "PL"},
    {"Россия (RU)", "RU"},         {"Румыния (RO)", "RO"},   {"СССР (SU)", "SU"},
    {"США (US)", "US"},            {"Украина (UA)", "UA"},   {"Франция (FR)", "FR"},
    {"ФРГ (DB)", "DB"},            {"Чехия (CZ)", "CZ"},     {"Швейцария (CH)", "CH"},
    {"Югославия (YU)", "YU"},      {"Япония (JP)", "JP"},
};

const LimitEntry kLanguageEntries[] = {
    {"английский", "АНГЛ"},   {"белорусский", "БЕЛОРУС"},        {"болгарский", "БОЛГ"},
    {"венгерский", "ВЕНГ"},   {"датский", "ДАТ"},                {"испанский", "ИСП"},
    {"итальянский", "ИТ"},    {"китайский", "КИТ"},              {"немецкий", "НЕМ"},
    {"нидерландский", "НИД"}, {"польский", "ПОЛ"},               {"румынский", "РУМ"},
    {"русский", "РУС"},       {"сербский", "СЕРБ"},              {"сербско-хорватский", "СЕРБ.-ХОРВ"},
    {"украинский", "УКР"},    {"финский", "ФИН"},                {"французский", "ФР"},
    {"хорватский", "ХОРВАТ"}, {"чешский", "ЧЕШ"},                {"японский", "ЯП"},
};

const LimitTable kTables[] = {
    {kDocTypeEntries, int(std::size(kDocTypeEntries)), "Вид документа-первоисточника (DT):", "DT"},
    {kCountryEntries, int(std::size(kCountryEntries)), "Страна (CC):", "CC"},
    {kLanguageEntries, int(std::size(kLanguageEntries)), "Язык (LA):", "LA"},
};

constexpr int kFirstAcceptedYear = 1000;

QByteArray Clause(const QList<QByteArray>& operands, const char* field) {
  return "(" + operands.join(" OR ") + ") IN " + field;
}

}  // namespace

const LimitTable& Limits(LimitList list) { return kTables[list]; }

int LastAcceptedYear() { return QDate::currentDate().year() + 1; }

std::optional<QList<int>> ParseYears(const QString& text, int lastYear) {
  if (text.size() > kMaxYearsText) return std::nullopt;
  static const QRegularExpression part(R"(^(\d{1,9})(?:-(\d{1,9}))?$)");
  QList<int> years;
  for (const QString& p : text.split(QRegularExpression("[,; ]"), Qt::SkipEmptyParts)) {
    const QRegularExpressionMatch m = part.match(p);
    if (!m.hasMatch()) return std::nullopt;
    const int first = m.captured(1).toInt();
    const int last = m.captured(2).isEmpty() ? first : m.captured(2).toInt();
    // Both ends are checked: an open end such as 1990-9999 would make a clause of
    // thousands of years that no edition holds.
    if (first < kFirstAcceptedYear || first > lastYear || last > lastYear || last < first)
      return std::nullopt;
    if (years.size() + (last - first + 1) > kMaxYears) return std::nullopt;
    for (int y = first; y <= last; ++y) years << y;
  }
  return years;
}

QByteArray LimitsText(const QByteArray& docTypes, const QByteArray& countries,
                      const QByteArray& languages, const QList<int>& years) {
  QList<QByteArray> clauses;
  const QByteArray* selections[] = {&docTypes, &countries, &languages};
  for (int list = kDocTypes; list <= kLanguages; ++list) {
    const LimitTable& table = kTables[list];
    QList<QByteArray> codes;
    for (char index : *selections[list])
      if (quint8(index) < table.size) codes << toEngine(QString::fromUtf8(table.entries[quint8(index)].code));
    if (!codes.isEmpty()) clauses << Clause(codes, table.field);
  }
  if (!years.isEmpty()) {
    QList<QByteArray> numbers;
    for (int y : years) numbers << QByteArray::number(y);
    clauses << Clause(numbers, "PY");
  }
  return clauses.join(" AND ");
}

QList<AreaSection> AreaSections(EngineHandle* h, const ClassificationTable& table) {
  QList<AreaSection> sections;
  for (const ContentsEntry& e : ReadContents(h)) {
    if (e.parent >= 0) continue;
    const QString code = table.CodeOf(QString::fromLatin1(e.code));
    sections.append({code.isEmpty() ? e.title : e.title + " (" + code + ")", code.toLatin1()});
  }
  return sections;
}

QByteArray AreaText(const QList<AreaSection>& sections, const QList<quint16>& checked) {
  QByteArray text;
  for (quint16 index : checked) {
    // A section the classification does not know has no code: a bare " OR " would leave
    // an empty operand and the whole query would not parse.
    if (index >= sections.size() || sections[index].code.isEmpty()) continue;
    if (!text.isEmpty()) text += " OR ";
    text += sections[index].code;
  }
  return text;
}

}  // namespace tolvar
