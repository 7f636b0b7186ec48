#include "ui_messages.h"

#include <QMessageBox>
#include <QPushButton>

namespace tolvar::ui {

namespace {
std::function<void(const QString&)> g_warning;
std::function<bool(const QString&)> g_question;
std::function<Answer(const QString&)> g_choice;

int Ask(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton preselected) {
  QMessageBox box(QMessageBox::Question, "Tolvar", text, buttons, parent);
  const std::pair<QMessageBox::StandardButton, const char*> captions[] = {
      {QMessageBox::Yes, "Да"}, {QMessageBox::No, "Нет"}, {QMessageBox::Cancel, "Отмена"}};
  for (const auto& [button, caption] : captions)
    if (QAbstractButton* b = box.button(button)) b->setText(caption);
  box.setDefaultButton(preselected);
  return box.exec();
}
}  // namespace

void Warning(QWidget* parent, const QString& text) {
  if (g_warning) return g_warning(text);
  QMessageBox::warning(parent, "Tolvar", text);
}

bool AskYesNo(QWidget* parent, const QString& text) {
  if (g_question) return g_question(text);
  return Ask(parent, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

bool AskYesNoDefaultNo(QWidget* parent, const QString& text) {
  if (g_question) return g_question(text);
  return Ask(parent, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

Answer AskYesNoCancel(QWidget* parent, const QString& text) {
  if (g_choice) return g_choice(text);
  const int r = Ask(parent, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    QMessageBox::Yes);
  return r == QMessageBox::Yes ? kYes : r == QMessageBox::No ? kNo : kCancel;
}

bool AskRetry(QWidget* parent, const QString& text) {
  if (g_question) return g_question(text);
  QMessageBox box(QMessageBox::Warning, "Tolvar", text, QMessageBox::Retry | QMessageBox::Cancel, parent);
  box.button(QMessageBox::Retry)->setText("Повтор");
  box.button(QMessageBox::Cancel)->setText("Отмена");
  return box.exec() == QMessageBox::Retry;
}

void SetWarningHook(std::function<void(const QString&)> hook) { g_warning = std::move(hook); }
void SetQuestionHook(std::function<bool(const QString&)> hook) { g_question = std::move(hook); }
void SetChoiceHook(std::function<Answer(const QString&)> hook) { g_choice = std::move(hook); }

}  // namespace tolvar::ui
