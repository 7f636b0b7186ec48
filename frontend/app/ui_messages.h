// Message boxes go through here so that the widget tests can answer them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tolvar::ui {

void Warning(QWidget* parent, const QString& text);
bool AskYesNo(QWidget* parent, const QString& text);
// Yes/No/Cancel.
enum Answer { kYes, kNo, kCancel };
Answer AskYesNoCancel(QWidget* parent, const QString& text);
bool AskYesNoDefaultNo(QWidget* parent, const QString& text);
// «Повтор» / «Отмена»: true to try again. Tests answer it through the question hook.
bool AskRetry(QWidget* parent, const QString& text);
// Tests install answers; an empty function restores the real boxes.
void SetWarningHook(std::function<void(const QString&)> hook);
void SetQuestionHook(std::function<bool(const QString&)> hook);
void SetChoiceHook(std::function<Answer(const QString&)> hook);

}  // namespace tolvar::ui
