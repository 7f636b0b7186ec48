#include "query_builder.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "codec.h"
#include "query_doc.h"
#include "string_table.h"
#include "tolvar_app.h"
#include "ztext/ztext.h"

namespace tolvar {

CQueryTab::CQueryTab(CTolvarDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
  setWindowTitle(doc.builderCaption.isEmpty() ? Str(10) + doc.title : doc.builderCaption);
  auto* tabs = new QTabWidget(this);
  auto* page = new QWidget;
  tabs->addTab(page, "Запрос");

  editions_ = new QComboBox;
  for (int i = 0; i < App().editions.Count(); ++i) editions_->addItem(App().editions.ShortName(i));
  editions_->setCurrentText(doc.editionName);
  editions_->setWhatsThis("Издание, в котором ищется запрос.");
  area_ = new QLineEdit(toUi(doc.state.areaText));
  area_->setReadOnly(true);
  query_ = new ZText;
  query_->setFont(DialogFont());
  query_->setMultiLine(true);
  query_->setMinimumHeight(70);
  query_->setCaption(doc.state.queryText);
  query_->setWhatsThis("Текст запроса: слова, операторы AND, OR, NOT, усечение «$». "
                       "Ctrl+G — греческая буква, Ctrl+S — символ.");
  auto* search = new QPushButton("Поиск");
  limits_ = new QLineEdit(toUi(doc.state.limitsText));
  limits_->setWhatsThis("Ограничения по полям, например (04) IN DT.");
  found_ = new QLabel(doc.FoundText());
  words_ = new QListWidget;
  auto* dictionary = new QPushButton("Словарь ...");
  auto* history = new QPushButton("История ...");
  dictionary->setEnabled(false);  // the dictionary and history windows come next
  history->setEnabled(false);

  auto* form = new QFormLayout;
  form->addRow("Тематика:", editions_);
  form->addRow("Выбранная область поиска:", area_);
  auto* textBox = new QGroupBox("Текст запроса");
  auto* textLayout = new QHBoxLayout(textBox);
  textLayout->addWidget(query_, 1);
  textLayout->addWidget(search, 0, Qt::AlignTop);
  auto* results = new QGroupBox("Результаты поиска");
  auto* resultsLayout = new QFormLayout(results);
  resultsLayout->addRow("Всего док-в найдено:", found_);
  resultsLayout->addRow("Найденные ключевые слова:", words_);
  auto* side = new QHBoxLayout;
  side->addStretch();
  side->addWidget(dictionary);
  side->addWidget(history);
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->addLayout(form);
  pageLayout->addWidget(textBox);
  auto* limitsForm = new QFormLayout;
  limitsForm->addRow("Выбранные ограничения:", limits_);
  pageLayout->addLayout(limitsForm);
  pageLayout->addWidget(results, 1);
  pageLayout->addLayout(side);

  auto* buttons = new QDialogButtonBox;
  show_ = buttons->addButton(Str(113), QDialogButtonBox::AcceptRole);
  buttons->addButton(Str(114), QDialogButtonBox::RejectRole);
  QPushButton* help = buttons->addButton(Str(115), QDialogButtonBox::HelpRole);
  show_->setEnabled(doc.hasFoundList && doc.state.foundCount > 0);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
  resize(620, 520);

  connect(search, &QPushButton::clicked, this, &CQueryTab::Search);
  connect(editions_, &QComboBox::currentTextChanged, this, &CQueryTab::EditionChanged);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    TakeOver();
    doc_.state.pageFlag = 0;
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] {
    QWidget* w = focusWidget();
    if (w && !w->whatsThis().isEmpty()) w->setToolTip(w->whatsThis());
  });
  query_->setFocus();
}

void CQueryTab::AddWord(const QString& line) { words_->addItem(line); }

void CQueryTab::TakeOver() {
  const QByteArray text = query_->caption();
  const QByteArray limits = toEngine(limits_->text());
  if (text != doc_.state.queryText || limits != doc_.state.limitsText) doc_.changed = true;
  doc_.state.queryText = text;
  doc_.state.limitsText = limits;
}

void CQueryTab::Search() {
  TakeOver();
  words_->clear();
  const bool ok = doc_.RunQuery();
  found_->setText(doc_.FoundText());
  show_->setEnabled(ok && doc_.state.foundCount > 0);
  if (show_->isEnabled()) show_->setDefault(true);
}

void CQueryTab::EditionChanged(const QString& shortName) {
  if (!doc_.SetEdition(shortName)) return;
  doc_.state.areaText.clear();
  doc_.state.areaSel.clear();
  doc_.state.areaExtraText.clear();
  doc_.foundList.clear();
  doc_.hasFoundList = false;
  doc_.state.foundCount = -1;
  area_->clear();
  found_->setText(Str(14));
  show_->setEnabled(false);
}

}  // namespace tolvar
