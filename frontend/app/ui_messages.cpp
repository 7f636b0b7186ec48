#include "ui_messages.h"

#include <QMessageBox>

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
  return QMessageBox::question(parent, "Tolvar", text, QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

void SetWarningHook(std::function<void(const QString&)> hook) { g_warning = std::move(hook); }
void SetQuestionHook(std::function<bool(const QString&)> hook) { g_question = std::move(hook); }

}  // namespace tolvar::ui
