// CQueryTab: the query builder over one document. «Запрос» edits the query text and the
// limits text, runs trial searches and lists the words found; «Область поиска» and
// «Ограничения» choose the search area and the limits, which become texts when the user
// leaves them. «Показать» closes it on documents found; the dictionary and the history
// help to write the query.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class ZText;

namespace tolvar {

class CTolvarDoc;
class CQueryDB;
class CQueryLimits;

class CQueryTab : public QDialog {
  Q_OBJECT
 public:
  enum Page { kMainPage, kAreaPage, kLimitsPage };
  CQueryTab(CTolvarDoc& doc, QWidget* parent = nullptr);
  void AddWord(const QString& line);
  // «Поиск»: takes the page over and runs the query.
  void Search();
  // «Показать»: takes the shown page over and closes when the query finds documents.
  void ShowFound();
  // The dictionary's outcome: `insert` puts the word at the caret, otherwise the word
  // becomes the query and is searched.
  void TakeWord(const QByteArray& word, bool insert);
  // A history query combined with the builder's: 1 replace, 2 OR, 3 AND.
  void Combine(int mode, const QByteArray& text);

  ZText* QueryField() const { return query_; }
  QPushButton* ShowButton() const { return show_; }
  QTabWidget* Tabs() const { return tabs_; }
  QLineEdit* LimitsField() const { return limits_; }
  QLineEdit* AreaField() const { return area_; }
  CQueryDB* AreaPage() const { return areaPage_; }
  CQueryLimits* LimitsPage() const { return limitsPage_; }
  // A history file to open once the builder has closed («Открыть» of the history).
  QString openAfterClose;

 private:
  void TakeOverMain();
  bool Leave(int page);  // false keeps the page (years that do not read)
  void Enter(int page);
  void PageChanged(int index);
  void EditionChanged(const QString& shortName);
  void Run();
  void ResetFound();
  void Dictionary();
  void History();
  CTolvarDoc& doc_;
  QTabWidget* tabs_;
  CQueryDB* areaPage_;
  CQueryLimits* limitsPage_;
  QComboBox* editions_;
  QLineEdit* area_;
  ZText* query_;
  QLineEdit* limits_;
  QLabel* found_;
  QListWidget* words_;
  QPushButton* show_;
  int page_ = kMainPage;
  QByteArray shownLimits_, lastRun_;
  bool limitsEdited_ = false;
};

}  // namespace tolvar
