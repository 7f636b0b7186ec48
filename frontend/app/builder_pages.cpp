#include "builder_pages.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "codec.h"
#include "query_doc.h"
#include "string_table.h"
#include "tolvar_app.h"
#include "ui_messages.h"

namespace tolvar {

namespace {
void AddCheckable(QListWidget* list, const QString& text, bool checked) {
  auto* item = new QListWidgetItem(text, list);
  item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

QList<int> Checked(const QListWidget* list) {
  QList<int> rows;
  for (int k = 0; k < list->count(); ++k)
    if (list->item(k)->checkState() == Qt::Checked) rows << k;
  return rows;
}

}  // namespace

CQueryDB::CQueryDB(QWidget* parent) : QWidget(parent) {
  editions = new QComboBox;
  for (int i = 0; i < App().editions.Count(); ++i) editions->addItem(App().editions.ShortName(i));
  records_ = new QLabel;
  sections = new QListWidget;
  sections->setWhatsThis("Разделы содержания издания. Отмеченные разделы ограничивают поиск "
                         "документами с их рубриками.");
  auto* form = new QFormLayout;
  form->addRow("Тематика:", editions);
  form->addRow("Всего записей:", records_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(new QLabel("Тематические области:"));
  layout->addWidget(sections, 1);
}

void CQueryDB::Fill(const CTolvarDoc& doc) {
  records_->setText(doc.handle ? QString::number(doc.recordCount) : Str(14));
  sections->clear();
  listed_ = AreaSections(doc.handle, App().classification);
  for (int k = 0; k < listed_.size(); ++k)
    AddCheckable(sections, listed_[k].line, doc.state.areaSel.contains(quint16(k)));
}

bool CQueryDB::TakeOver(CTolvarDoc& doc) const {
  QList<quint16> checked;
  for (int row : Checked(sections)) checked << quint16(row);
  const QByteArray text = AreaText(listed_, checked);
  const bool changed = text != doc.state.areaText;
  doc.state.areaText = text;
  doc.state.areaSel = checked;
  return changed;
}

CQueryLimits::CQueryLimits(QWidget* parent) : QWidget(parent) {
  auto* grid = new QGridLayout(this);
  for (int list = kDocTypes; list <= kLanguages; ++list) {
    const LimitTable& table = Limits(LimitList(list));
    lists[list] = new QListWidget;
    for (int k = 0; k < table.size; ++k) AddCheckable(lists[list], QString::fromUtf8(table.entries[k].display), false);
    lists[list]->setWhatsThis("Отмеченные значения ограничивают поиск документами с ними (поле " +
                              QString::fromLatin1(table.field) + ").");
  }
  years = new QLineEdit;
  years->setMaxLength(kMaxYearsText);
  years->setPlaceholderText("например: 1836, 1909-1911");
  years->setWhatsThis("Годы и интервалы годов через запятую, пробел или точку с запятой, "
                      "например 1836, 1909-1911.");
  // The document types' long names take the left column, with the years under them;
  // the countries and languages fill the height on the right.
  QListWidget* types = lists[kDocTypes];
  types->setMinimumWidth(types->sizeHintForColumn(0) + 2 * types->frameWidth() + 8);
  types->setMaximumHeight(types->sizeHintForRow(0) * (types->count() + 1) + 2 * types->frameWidth());
  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel(QString::fromUtf8(Limits(kDocTypes).caption)));
  left->addWidget(types);
  left->addSpacing(12);
  left->addWidget(new QLabel("Год издания (PY):"));
  left->addWidget(years);
  left->addStretch();
  grid->addLayout(left, 0, 0, 2, 1);
  grid->addWidget(new QLabel(QString::fromUtf8(Limits(kCountries).caption)), 0, 1);
  grid->addWidget(lists[kCountries], 1, 1);
  grid->addWidget(new QLabel(QString::fromUtf8(Limits(kLanguages).caption)), 0, 2);
  grid->addWidget(lists[kLanguages], 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
}

void CQueryLimits::Fill(const CTolvarDoc& doc) {
  const QByteArray* selections[] = {&doc.state.docTypeSel, &doc.state.countrySel, &doc.state.languageSel};
  for (int list = kDocTypes; list <= kLanguages; ++list)
    for (int k = 0; k < lists[list]->count(); ++k)
      lists[list]->item(k)->setCheckState(selections[list]->contains(char(k)) ? Qt::Checked : Qt::Unchecked);
  years->setText(toUi(doc.state.yearsText));
}

void CQueryLimits::UncheckAll() {
  for (QListWidget* list : lists)
    for (int k = 0; k < list->count(); ++k) list->item(k)->setCheckState(Qt::Unchecked);
}

bool CQueryLimits::TakeOver(CTolvarDoc& doc, bool* changed) const {
  const std::optional<QList<int>> parsed = ParseYears(years->text(), LastAcceptedYear());
  if (!parsed) {
    ui::Warning(years, Str(35));
    return false;
  }
  QByteArray* selections[] = {&doc.state.docTypeSel, &doc.state.countrySel, &doc.state.languageSel};
  for (int list = kDocTypes; list <= kLanguages; ++list) {
    selections[list]->clear();
    for (int row : Checked(lists[list])) selections[list]->append(char(row));
  }
  doc.state.yearsText = toEngine(years->text());
  const QByteArray text = LimitsText(doc.state.docTypeSel, doc.state.countrySel,
                                     doc.state.languageSel, *parsed);
  *changed = text != doc.state.limitsText;
  doc.state.limitsText = text;
  return true;
}

}  // namespace tolvar
