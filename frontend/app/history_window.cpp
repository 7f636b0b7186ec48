#include "history_window.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWhatsThis>

#include "codec.h"
#include "query_window.h"
#include "tolvar_app.h"
#include "string_table.h"
#include "ui_messages.h"

namespace tolvar {

CQueryHistory::CQueryHistory(const QString& folder, bool queryActive, QWidget* parent)
    : QDialog(parent), folder_(folder), queryActive_(queryActive) {
  setWindowTitle(Str(52));
  list = new QTreeWidget;
  list->setHeaderLabels({"Текст запроса", "Документов"});
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->header()->setStretchLastSection(false);
  list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  list->setWhatsThis("Запросы, по которым искали, с числом найденных документов. Двойной "
                     "щелчок открывает запрос.");
  auto* buttons = new QVBoxLayout;
  auto add = [&](const char* caption, const char* whatsThis) {
    auto* b = new QPushButton(QString::fromUtf8(caption));
    b->setWhatsThis(QString::fromUtf8(whatsThis));
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  open = add("Открыть", "Открыть запрос в новом окне.");
  replace = add("Заменить", "Заменить запрос активного окна выбранным.");
  andButton = add("Запрос И", "Соединить запрос активного окна с выбранным через И.");
  orButton = add("Запрос ИЛИ", "Соединить запрос активного окна с выбранным через ИЛИ.");
  save = add("Сохранить...", "Сохранить выбранный запрос в файл.");
  remove = add("Стереть", "Удалить выбранный запрос из истории.");
  clear = add("Очистить", "Удалить всю историю поиска.");
  buttons->addStretch();
  QPushButton* close = add("Закрыть", "");
  QPushButton* help = add("Помощь", "");
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list, 1);
  layout->addLayout(buttons);
  resize(720, 420);

  connect(list, &QTreeWidget::currentItemChanged, this, &CQueryHistory::Selected);
  connect(list, &QTreeWidget::itemDoubleClicked, this, [this] { Finish(kOpen); });
  connect(open, &QPushButton::clicked, this, [this] { Finish(kOpen); });
  connect(replace, &QPushButton::clicked, this, [this] { Finish(kReplace); });
  connect(andButton, &QPushButton::clicked, this, [this] { Finish(kAnd); });
  connect(orButton, &QPushButton::clicked, this, [this] { Finish(kOr); });
  connect(save, &QPushButton::clicked, this, &CQueryHistory::SaveCopy);
  connect(remove, &QPushButton::clicked, this, [this] {
    const int row = list->currentIndex().row();
    if (row >= 0) QFile::remove(entries_[row].path);
    Reload();
  });
  connect(clear, &QPushButton::clicked, this, [this] {
    if (!ui::AskYesNoDefaultNo(this, Str(49))) return;
    ClearHistory(folder_);
    Reload();
  });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [] { QWhatsThis::enterWhatsThisMode(); });
  Reload();
}

void CQueryHistory::Reload() {
  list->clear();
  entries_ = ReadHistory(folder_);
  for (const HistoryEntry& e : entries_)
    new QTreeWidgetItem(list, {toUi(e.text), e.readable ? QString::number(e.found) : QString()});
  for (int k = 0; k < list->topLevelItemCount(); ++k)
    list->topLevelItem(k)->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  // The newest query is the last and the one most often wanted again.
  if (!entries_.isEmpty()) list->setCurrentItem(list->topLevelItem(int(entries_.size()) - 1));
  Selected();
  clear->setEnabled(!entries_.isEmpty());
}

void CQueryHistory::Selected() {
  const int row = list->currentIndex().row();
  const bool readable = row >= 0 && entries_[row].readable;
  open->setEnabled(readable);
  for (QPushButton* b : {replace, andButton, orButton}) b->setEnabled(readable && queryActive_);
  save->setEnabled(row >= 0);
  remove->setEnabled(row >= 0);
}

void CQueryHistory::Finish(Action action) {
  const int row = list->currentIndex().row();
  if (row < 0 || !entries_[row].readable) return;
  if (action != kOpen && !queryActive_) return;
  action_ = action;
  path_ = entries_[row].path;
  text_ = CombinedHistoryText(entries_[row].text, action == kAnd || action == kOr);
  accept();
}

void CQueryHistory::SaveCopy() {
  const int row = list->currentIndex().row();
  if (row < 0) return;
  QString target = QFileDialog::getSaveFileName(this, "Сохранить как", {},
                                                "Queries (*.cdq);;All Files (*)");
  if (target.isEmpty()) return;
  if (QFileInfo(target).suffix().isEmpty()) target += ".cdq";
  QFile::remove(target);  // the dialog asked before an overwrite
  if (!QFile::copy(entries_[row].path, target))
    ui::Warning(this, "Не удалось сохранить запрос: " + target);
}

}  // namespace tolvar

namespace tolvar {

void RunHistory(QWidget* parent, CQueryWindow* active, const std::function<void(const QString&)>& open) {
  CQueryHistory dlg(App().HistoryFolder(), active != nullptr, parent);
  if (dlg.exec() != QDialog::Accepted) return;
  const CQueryHistory::Action action = dlg.action();
  if (action == CQueryHistory::kOpen) return open(dlg.path());
  if (!active) return;
  active->CombineWith(action == CQueryHistory::kReplace ? kReplace : action == CQueryHistory::kAnd ? kAnd : kOr,
                      dlg.text());
}

}  // namespace tolvar
