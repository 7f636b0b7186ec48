// CQueryHistory: the window of the search history. It lists the queries of the history
// folder with the documents they found; «Открыть» and the three combine commands close it
// and leave their choice for the caller, the others act on the folder at once.
#pragma once

#include <QDialog>
#include <functional>

#include "history.h"

class QPushButton;
class QTreeWidget;

namespace tolvar {

class CQueryHistory : public QDialog {
  Q_OBJECT
 public:
  enum Action { kNone, kOpen, kReplace, kAnd, kOr };
  // `queryActive`: a query window can take the combine commands.
  CQueryHistory(const QString& folder, bool queryActive, QWidget* parent = nullptr);
  void Reload();
  Action action() const { return action_; }
  QString path() const { return path_; }   // the file to open
  QByteArray text() const { return text_; }  // the text to combine, in Windows-1251

  QTreeWidget* list;
  QPushButton *open, *replace, *andButton, *orButton, *save, *remove, *clear;

 private:
  void Selected();
  void Finish(Action action);
  void SaveCopy();
  QString folder_;
  bool queryActive_;
  QList<HistoryEntry> entries_;
  Action action_ = kNone;
  QString path_;
  QByteArray text_;
};

class CQueryWindow;

// Shows the history over `active` (none: no query window) and carries out the choice:
// combine commands go to the active window, a file to open goes to `open`.
void RunHistory(QWidget* parent, CQueryWindow* active, const std::function<void(const QString&)>& open);

}  // namespace tolvar
