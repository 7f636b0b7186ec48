#include "settings_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "string_table.h"
#include "ui_messages.h"

namespace tolvar {

CSettingsDialog::CSettingsDialog(const QString& caption, const Settings& s, QWidget* parent)
    : QDialog(parent), settings(s) {
  setWindowTitle(caption);
}

void CSettingsDialog::Finish(QLayout* fields) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Cancel)->setText("Отмена");
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QCheckBox* CSettingsDialog::Check(const QString& text, bool value, const QString& help) {
  auto* box = new QCheckBox(text);
  box->setChecked(value);
  box->setWhatsThis(help.isEmpty() ? text : help);
  return box;
}

QWidget* CSettingsDialog::FontRow(FontRecord* font) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  const int dpi = screen() ? int(screen()->logicalDotsPerInchY()) : 96;
  auto* description = new QLabel(FontDescription(*font, dpi));
  auto* change = new QPushButton("Изменить");
  layout->addWidget(description, 1);
  layout->addWidget(change);
  connect(change, &QPushButton::clicked, this, [=, this] {
    QFont f(font->faceName);
    f.setPointSize(qMax(6, FontPointSize(*font, dpi)));
    bool ok = false;
    f = QFontDialog::getFont(&ok, f, this);
    if (!ok) return;
    font->faceName = f.family();
    font->height = -(f.pointSize() * dpi / 72);
    description->setText(FontDescription(*font, dpi));
  });
  return row;
}

CGeneralDialog::CGeneralDialog(const Settings& s, QWidget* parent)
    : CSettingsDialog("Общие параметры", s, parent) {
  auto* l = new QVBoxLayout;
  l->addWidget(autoOpen_ = Check("Открыть новый запрос при старте программы", s.autoOpen));
  l->addWidget(autoRun_ = Check("Запускать поиск автоматически при открытии запроса", s.autoRun));
  l->addWidget(autoNew_ = Check("Запускать Чтение по команде \"Запрос-Новый\"", s.autoNew));
  l->addWidget(maximized_ = Check("Запускать программу на весь экран", s.startMaximized));
  l->addWidget(oneClick_ = Check("Просмотр документов по одному щелчку", s.oneClickContent));
  l->addWidget(keepContents_ = Check("Не закрывать содержание при поиске", !s.autoCloseContent));
  Finish(l);
}

void CGeneralDialog::accept() {
  settings.autoOpen = autoOpen_->isChecked();
  settings.autoRun = autoRun_->isChecked();
  settings.autoNew = autoNew_->isChecked();
  settings.startMaximized = maximized_->isChecked();
  settings.oneClickContent = oneClick_->isChecked();
  settings.autoCloseContent = !keepContents_->isChecked();
  QDialog::accept();
}

CSearchDialog::CSearchDialog(const Settings& s, QWidget* parent)
    : CSettingsDialog("Настройка поиска", s, parent) {
  auto* l = new QFormLayout;
  l->addRow(autoShow_ = Check("Показывать документы сразу после поиска", s.autoShow));
  l->addRow(noMorphology_ = Check("Выключить морфологический анализ", !s.morphology,
                                  "Искать слова только в той форме, в какой они написаны."));
  l->addRow(quick_ = Check("Быстрый поиск через контекстное меню", s.quickSearch));
  l->addRow(autoCut_ = Check("Автоматическое усечение справа в запросе", s.autoCut));
  l->addRow(autoCutDict_ = Check("Автоматическое усечение справа в словаре", s.autoCutDict));
  l->addRow(dictSearch_ = Check("Двойной щелчок на слове в словаре - поиск", s.dictionarySearch));
  cutChar_ = new QComboBox;
  cutChar_->addItems({"$", "*", "#"});
  cutChar_->setCurrentText(s.cutChar.left(1));
  cutChar_->setWhatsThis("Символ, которым в запросе отмечается усечение слова справа.");
  l->addRow("Символ усечения:", cutChar_);
  prefix_ = new QLineEdit(s.dictionaryPrefix);
  prefix_->setWhatsThis("С каких букв начинается список слов словаря при открытии.");
  l->addRow("Начальный префикс словаря:", prefix_);
  l->addRow("Шрифт запроса:", FontRow(&settings.dialogFont));
  Finish(l);
}

void CSearchDialog::accept() {
  settings.autoShow = autoShow_->isChecked();
  settings.morphology = !noMorphology_->isChecked();
  settings.quickSearch = quick_->isChecked();
  settings.autoCut = autoCut_->isChecked();
  settings.autoCutDict = autoCutDict_->isChecked();
  settings.dictionarySearch = dictSearch_->isChecked();
  settings.cutChar = cutChar_->currentText();
  settings.dictionaryPrefix = prefix_->text();
  QDialog::accept();
}

CDocumentDialog::CDocumentDialog(const Settings& s, const QStringList& forms, int index, QWidget* parent)
    : CSettingsDialog("Настройка вида документа", s, parent), formIndex(index) {
  auto* l = new QFormLayout;
  form_ = new QComboBox;
  form_->addItems(forms);
  form_->setCurrentIndex(index);
  form_->setWhatsThis("Форма, в которой документы показываются на экране.");
  l->addRow(Str(104) + ":", form_);
  l->addRow("Шрифт документа:", FontRow(&settings.documentFont));
  count = new QLineEdit(QString::number(s.count));
  count->setWhatsThis("Сколько документов показывается на экране за один раз (от 1 до 10000).");
  l->addRow("Количество документов на экране:", count);
  auto* title = new QHBoxLayout;
  title->addWidget(bold_ = Check("П/жирн.", s.boldTitle, "Строка с номером документа полужирная."));
  title->addWidget(italic_ = Check("Курсив", s.italicTitle, "Строка с номером документа курсивом."));
  l->addRow("Номер документа:", title);
  Finish(l);
}

void CDocumentDialog::accept() {
  bool ok = false;
  const int n = count->text().trimmed().toInt(&ok);
  if (!ok || n < Settings::kMinCount || n > Settings::kMaxCount) {
    ui::Warning(this, "Введите число от 1 до 10000.");
    count->setFocus();
    return;
  }
  settings.count = n;
  settings.boldTitle = bold_->isChecked();
  settings.italicTitle = italic_->isChecked();
  formIndex = form_->currentIndex();
  QDialog::accept();
}

CPrintDialog::CPrintDialog(const Settings& s, const QStringList& forms, int index, QWidget* parent)
    : CSettingsDialog("Настройка печати", s, parent), printIndex(index) {
  auto* l = new QFormLayout;
  form_ = new QComboBox;
  form_->addItem(Str(102));
  form_->addItems(forms);
  form_->setCurrentIndex(index);
  l->addRow(Str(104) + ":", form_);
  header_ = new QLineEdit(s.printHeader);
  header_->setMaxLength(127);
  header_->setWhatsThis("&b - тематика, &p - N стр., &d - дата, &q -запрос");
  l->addRow("Верхний колонтитул:", header_);
  l->addRow("", new QLabel("&b - тематика, &p - N стр., &d - дата, &q -запрос"));
  Finish(l);
}

void CPrintDialog::accept() {
  printIndex = form_->currentIndex();
  settings.printHeader = header_->text();
  QDialog::accept();
}

}  // namespace tolvar
