#include "dictionary_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWhatsThis>

#include "codec.h"
#include "dictionary.h"
#include "settings.h"
#include "string_table.h"
#include "tolvar_app.h"
#include "ztext/ztext.h"

namespace tolvar {

namespace {
// The boxes as the window shows them, by their index in the field-code order.
constexpr int kShownOrder[kDictionaryFields] = {0, 1, 3, 4, 2, 5};
}  // namespace

CDictionaryDialog::CDictionaryDialog(EngineHandle* h, const Settings& settings, QWidget* parent)
    : QDialog(parent), handle_(h), settings_(settings) {
  setWindowTitle("Словарь");
  word = new ZText;
  word->setFont(DialogFont());
  word->setCaption(toEngine(settings.dictionaryPrefix));
  word->installEventFilter(this);
  word->setWhatsThis("Начало слова: в списке — слова словаря издания, которые с него начинаются.");
  auto* browse = new QPushButton("Просмотр");
  all = new QCheckBox("Все");
  all->setChecked(true);
  all->setWhatsThis("Слова всех полей; снимите отметку, чтобы выбрать поля.");
  auto* boxes = new QGridLayout;
  boxes->addWidget(all, 0, 0);
  for (int k = 0; k < kDictionaryFields; ++k)
    fields[k] = new QCheckBox(QString::fromUtf8(DictionaryFieldAt(k).caption));
  for (int shown = 0; shown < kDictionaryFields; ++shown)
    boxes->addWidget(fields[kShownOrder[shown]], 1 + shown / 3, shown % 3);
  header = new QLabel(Str(83));
  list = new QTreeWidget;
  list->setColumnCount(3);
  list->setHeaderHidden(true);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->header()->setStretchLastSection(false);
  list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  list->setWhatsThis("Слово, число документов с ним и число его употреблений. Двойной щелчок "
                     "вставляет слово в запрос или ищет его (настройка поиска).");
  insert = new QPushButton("Вставить");
  search = new QPushButton("Поиск");
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(insert, QDialogButtonBox::ActionRole);
  buttons->addButton(search, QDialogButtonBox::ActionRole);
  QPushButton* close = buttons->addButton("Закрыть", QDialogButtonBox::RejectRole);
  QPushButton* help = buttons->addButton(Str(115), QDialogButtonBox::HelpRole);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel("Слово:"));
  top->addWidget(word, 1);
  top->addWidget(browse);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(boxes);
  layout->addWidget(header);
  layout->addWidget(list, 1);
  layout->addWidget(buttons);
  resize(520, 560);

  connect(browse, &QPushButton::clicked, this, &CDictionaryDialog::Browse);
  connect(all, &QCheckBox::toggled, this, &CDictionaryDialog::AllToggled);
  connect(list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    insert->setEnabled(item != nullptr);
    search->setEnabled(item != nullptr);
  });
  connect(list, &QTreeWidget::itemDoubleClicked, this,
          [this] { Finish(settings_.dictionarySearch ? kSearch : kInsert); });
  connect(insert, &QPushButton::clicked, this, [this] { Finish(kInsert); });
  connect(search, &QPushButton::clicked, this, [this] { Finish(kSearch); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [] { QWhatsThis::enterWhatsThisMode(); });
  close->setAutoDefault(false);
  AllToggled();
  if (!word->caption().isEmpty()) Browse();
  word->setFocus();
}

void CDictionaryDialog::AllToggled() {
  for (QCheckBox* box : fields) box->setEnabled(!all->isChecked());
  header->setText(Str(all->isChecked() ? 83 : 84));
}

unsigned CDictionaryDialog::Mask() const {
  unsigned mask = 0;
  if (!all->isChecked())
    for (int k = 0; k < kDictionaryFields; ++k)
      if (fields[k]->isChecked()) mask |= 1u << k;
  return mask;
}

void CDictionaryDialog::Browse() {
  const QByteArray text = word->caption();
  if (text.isEmpty()) return;
  list->clear();
  insert->setEnabled(false);
  search->setEnabled(false);
  // No field ticked means every field.
  if (!all->isChecked() && Mask() == 0) all->setChecked(true);
  listedMask_ = Mask();
  const bool counts = all->isChecked();
  list->setColumnHidden(1, !counts);
  list->setColumnHidden(2, !counts);
  QList<QTreeWidgetItem*> items;
  for (const DictionaryRow& row : ListDictionary(handle_, text, listedMask_, settings_)) {
    auto* item = new QTreeWidgetItem({toUi(row.word), QString::number(row.documents),
                                      QString::number(row.frequency)});
    item->setData(0, Qt::UserRole, row.word);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    items << item;
  }
  list->addTopLevelItems(items);
  // Counts a little apart, so that the two columns read as two.
  for (int column : {1, 2}) {
    list->resizeColumnToContents(column);
    list->setColumnWidth(column, qMax(70, list->columnWidth(column) + 16));
  }
}

void CDictionaryDialog::Finish(Outcome outcome) {
  const QTreeWidgetItem* item = list->currentItem();
  if (!item) return;
  chosen_ = tolvar::ChosenWord(item->data(0, Qt::UserRole).toByteArray(), listedMask_,
                               settings_.ignorePoint);
  outcome_ = outcome;
  accept();
}

bool CDictionaryDialog::eventFilter(QObject* o, QEvent* e) {
  if (o == word && IsEnterPress(e)) {
    Browse();
    return true;
  }
  return QDialog::eventFilter(o, e);
}

}  // namespace tolvar
