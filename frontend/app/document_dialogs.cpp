#include "document_dialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "marks.h"
#include "query_doc.h"
#include "string_table.h"
#include "ui_messages.h"

namespace tolvar {

CMarkDialog::CMarkDialog(CTolvarDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
  setWindowTitle("Отметка документов");
  set = new QRadioButton("Установить отметку");
  unset = new QRadioButton("Снять отметку");
  all = new QRadioButton("Все документы по запросу");
  portion = new QRadioButton("Все документы порции");
  interval = new QRadioButton("Интервал:");
  list = new QLineEdit;
  list->setMaxLength(80);
  list->setWhatsThis("Введите последовательные номера и/или интервалы номеров документов, "
                     "разделенные запятыми. Например: 1,3,5-12");
  set->setChecked(true);
  portion->setChecked(true);
  auto* action = new QGroupBox;
  auto* a = new QVBoxLayout(action);
  a->addWidget(set);
  a->addWidget(unset);
  auto* what = new QGroupBox;
  auto* w = new QVBoxLayout(what);
  w->addWidget(all);
  w->addWidget(portion);
  w->addWidget(interval);
  w->addWidget(list);
  auto* hint = new QLabel(list->whatsThis());
  hint->setWordWrap(true);
  w->addWidget(hint);
  (new QButtonGroup(this))->addButton(set), set->group()->addButton(unset);
  auto* whatGroup = new QButtonGroup(this);
  for (QRadioButton* b : {all, portion, interval}) whatGroup->addButton(b);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(action);
  layout->addWidget(what);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &CMarkDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(set, &QRadioButton::toggled, this, &CMarkDialog::UpdateEnabling);
  connect(list, &QLineEdit::textEdited, this, [this] { interval->setChecked(true); });
  UpdateEnabling();
}

void CMarkDialog::UpdateEnabling() {
  // Marking a whole edition in reading mode is not offered.
  all->setEnabled(doc_.queryMode || !set->isChecked());
  if (!all->isEnabled() && all->isChecked()) portion->setChecked(true);
}

void CMarkDialog::accept() {
  QList<qint32> numbers;
  CTolvarDoc::MarkWhat what = all->isChecked() ? CTolvarDoc::kMarkAll
                              : portion->isChecked() ? CTolvarDoc::kMarkPortion
                                                     : CTolvarDoc::kMarkList;
  if (what == CTolvarDoc::kMarkList) {
    const auto parsed = ParseInterval(list->text(), doc_.Total());
    if (!parsed) return ui::Warning(this, Str(32));
    numbers = *parsed;
  }
  const int message = doc_.Mark(set->isChecked(), what, numbers);
  if (message == 99) return ui::Warning(this, Str(99));
  if (message == 31) ui::Warning(this, Str(31));
  QDialog::accept();
}

}  // namespace tolvar
