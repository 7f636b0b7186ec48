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
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "builder_pages.h"
#include "codec.h"
#include "dictionary_window.h"
#include "history_window.h"
#include "query_doc.h"
#include "string_table.h"
#include "tolvar_app.h"
#include "ui_messages.h"
#include "ztext/ztext.h"

namespace tolvar {

CQueryTab::CQueryTab(CTolvarDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
  setWindowTitle(doc.builderCaption.isEmpty() ? Str(10) + doc.title : doc.builderCaption);
  tabs_ = new QTabWidget(this);
  auto* page = new QWidget;
  tabs_->addTab(page, "Запрос");
  areaPage_ = new CQueryDB;
  tabs_->addTab(areaPage_, "Область поиска");
  limitsPage_ = new CQueryLimits;
  tabs_->addTab(limitsPage_, "Ограничения");

  editions_ = new QComboBox;
  for (int i = 0; i < App().editions.Count(); ++i) editions_->addItem(App().editions.ShortName(i));
  editions_->setWhatsThis("Издание, в котором ищется запрос.");
  area_ = new QLineEdit;
  area_->setReadOnly(true);
  area_->setWhatsThis("Рубрики разделов, отмеченных на странице «Область поиска».");
  query_ = new ZText;
  query_->setFont(DialogFont());
  query_->setMultiLine(true);
  query_->setMinimumHeight(70);
  query_->setCaption(doc.state.queryText);
  query_->setWhatsThis("Текст запроса: слова, операторы AND, OR, NOT, усечение «$». "
                       "Ctrl+G — греческая буква, Ctrl+S — символ.");
  auto* search = new QPushButton("Поиск");
  limits_ = new QLineEdit;
  limits_->setWhatsThis("Ограничения по полям, например (04) IN DT; их составляет страница "
                        "«Ограничения».");
  found_ = new QLabel(doc.FoundText());
  words_ = new QListWidget;
  auto* dictionary = new QPushButton("Словарь ...");
  auto* history = new QPushButton("История ...");
  dictionary->setEnabled(doc.handle != nullptr);

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
  if (show_->isEnabled()) lastRun_ = doc.BuildQuery();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
  // Only a button inside the dialog can become its default: Enter shows the documents.
  show_->setDefault(show_->isEnabled());
  resize(760, 580);

  for (QComboBox* box : {editions_, areaPage_->editions}) {
    box->setCurrentText(doc.editionName);
    connect(box, &QComboBox::currentTextChanged, this, &CQueryTab::EditionChanged);
  }
  connect(tabs_, &QTabWidget::currentChanged, this, &CQueryTab::PageChanged);
  connect(search, &QPushButton::clicked, this, &CQueryTab::Search);
  connect(dictionary, &QPushButton::clicked, this, &CQueryTab::Dictionary);
  connect(history, &QPushButton::clicked, this, &CQueryTab::History);
  connect(buttons, &QDialogButtonBox::accepted, this, &CQueryTab::ShowFound);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] {
    QWidget* w = focusWidget();
    if (w && !w->whatsThis().isEmpty()) w->setToolTip(w->whatsThis());
  });
  Enter(kMainPage);
  query_->setFocus();
}

void CQueryTab::AddWord(const QString& line) { words_->addItem(line); }

void CQueryTab::TakeOverMain() {
  const QByteArray text = query_->caption();
  const QByteArray limits = toEngine(limits_->text());
  if (text != doc_.state.queryText || limits != doc_.state.limitsText) doc_.changed = true;
  doc_.state.queryText = text;
  doc_.state.limitsText = limits;
}

bool CQueryTab::Leave(int page) {
  bool changed = false;
  if (page == kMainPage) {
    limitsEdited_ = toEngine(limits_->text()) != shownLimits_;
    TakeOverMain();
  } else if (page == kAreaPage) {
    changed = areaPage_->TakeOver(doc_);
  } else if (!limitsPage_->TakeOver(doc_, &changed)) {
    return false;
  }
  if (changed) doc_.changed = true;
  return true;
}

void CQueryTab::Enter(int page) {
  if (page == kMainPage) {
    area_->setText(toUi(doc_.state.areaText));
    limits_->setText(toUi(doc_.state.limitsText));
    shownLimits_ = doc_.state.limitsText;
    limitsEdited_ = false;
  } else if (page == kAreaPage) {
    areaPage_->Fill(doc_);
    areaPage_->sections->setFocus();  // the keyboard ticks at once
  } else {
    limitsPage_->Fill(doc_);
    limitsPage_->lists[kDocTypes]->setFocus();
  }
}

void CQueryTab::PageChanged(int index) {
  const auto stay = [this](int page) {
    const QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(page);
  };
  if (!Leave(page_)) return stay(page_);
  if (index == kLimitsPage && limitsEdited_) {
    // Hand-written limits cannot be shown as ticks: keep the ticks or start afresh.
    const ui::Answer answer = ui::AskYesNoCancel(this, Str(88));
    if (answer == ui::kCancel) {
      stay(kMainPage);
      page_ = kMainPage;
      return Enter(kMainPage);
    }
    if (answer == ui::kNo) {
      doc_.state.docTypeSel.clear();
      doc_.state.countrySel.clear();
      doc_.state.languageSel.clear();
    }
  }
  page_ = index;
  Enter(index);
}

void CQueryTab::Run() {
  words_->clear();
  const bool ok = doc_.RunQuery();
  lastRun_ = ok ? doc_.BuildQuery() : QByteArray();
  found_->setText(doc_.FoundText());
  show_->setEnabled(ok && doc_.state.foundCount > 0);
  if (show_->isEnabled()) show_->setDefault(true);
}

void CQueryTab::Search() {
  TakeOverMain();
  Run();
}

void CQueryTab::ShowFound() {
  if (!Leave(page_)) return;
  doc_.state.pageFlag = page_ == kMainPage ? 0 : 1;
  // The pages may have changed the query since it ran: show what it finds now.
  if (!doc_.hasFoundList || doc_.BuildQuery() != lastRun_) Run();
  if (doc_.hasFoundList && doc_.state.foundCount > 0) accept();
}

void CQueryTab::ResetFound() {
  doc_.DropFoundList();
  words_->clear();
  found_->setText(Str(14));
  show_->setEnabled(false);
  lastRun_.clear();
}

void CQueryTab::EditionChanged(const QString& shortName) {
  if (shortName == doc_.editionName || !doc_.SetEdition(shortName)) return;
  doc_.state.areaText.clear();
  doc_.state.areaSel.clear();
  doc_.state.areaExtraText.clear();
  ResetFound();
  for (QComboBox* box : {editions_, areaPage_->editions}) {
    const QSignalBlocker block(box);
    box->setCurrentText(shortName);
  }
  area_->clear();
  if (page_ == kAreaPage) areaPage_->Fill(doc_);
}

void CQueryTab::Dictionary() {
  TakeOverMain();
  CDictionaryDialog dlg(doc_.handle, App().settings, this);
  if (dlg.exec() == QDialog::Accepted) TakeWord(dlg.ChosenWord(), dlg.outcome() == CDictionaryDialog::kInsert);
}

void CQueryTab::TakeWord(const QByteArray& word, bool insert) {
  if (insert) {
    const QByteArray text = query_->caption();
    const int at = query_->cursorPosition();
    const bool before = at > 0 && text[at - 1] != ' ';
    const bool after = at < text.size() && text[at] != ' ';
    query_->replaceSelection((before ? " " : "") + word + (after ? " " : ""));
    TakeOverMain();
  } else {
    if ((!doc_.state.yearsText.isEmpty() || !doc_.state.limitsText.isEmpty()) &&
        !ui::AskYesNo(this, Str(30))) {
      doc_.ClearLimits();
      // The area text goes with its selection, or the query would keep an area not shown.
      doc_.state.areaSel.clear();
      doc_.state.areaText.clear();
      doc_.state.areaExtraText.clear();
    }
    query_->setCaption(word);
    doc_.state.queryText = word;
    Enter(kMainPage);
  }
  doc_.changed = true;
  ResetFound();
  if (insert) return;
  Run();
  if (doc_.hasFoundList && doc_.state.foundCount > 0) {
    doc_.state.pageFlag = page_ == kMainPage ? 0 : 1;
    accept();
  }
}

void CQueryTab::History() {
  TakeOverMain();
  CQueryHistory dlg(App().HistoryFolder(), true, this);
  if (dlg.exec() != QDialog::Accepted) return;
  switch (dlg.action()) {
    case CQueryHistory::kOpen:
      openAfterClose = dlg.path();
      reject();
      break;
    case CQueryHistory::kReplace: Combine(kReplace, dlg.text()); break;
    case CQueryHistory::kAnd: Combine(kAnd, dlg.text()); break;
    case CQueryHistory::kOr: Combine(kOr, dlg.text()); break;
    case CQueryHistory::kNone: break;
  }
}

void CQueryTab::Combine(int mode, const QByteArray& text) {
  if (doc_.Combine(mode, text)) doc_.changed = true;
  query_->setCaption(doc_.state.queryText);
  ResetFound();
  Enter(page_);
  if (page_ != kMainPage) Enter(kMainPage);
}

}  // namespace tolvar
