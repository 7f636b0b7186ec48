#include "ui_messages.h"

#include <QMessageBox>
#include <QPushButton>

namespace tolvar::ui {

namespace {
std::function<void(const QString&)> g_warning;
std::function<bool(const QString&)> g_question;
}  // namespace

void Warning(QWidget* parent, const QString& text) {
  if (g_warning) return g_warning(text);
  QMessageBox::warning(parent, "Tolvar", text);
}

bool AskYesNo(QWidget* parent, const QString& text) {
  if (g_question) return g_question(text);
  QMessageBox box(QMessageBox::Question, "Tolvar", text, QMessageBox::Yes | QMessageBox::No, parent);
  box.button(QMessageBox::Yes)->setText("Да");
  box.button(QMessageBox::No)->setText("Нет");
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
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

}  // namespace tolvar::ui
