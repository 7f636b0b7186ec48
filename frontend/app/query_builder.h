// CQueryTab: the query builder. Its main page «Запрос» edits the query text and the
// limits text of its document, runs trial searches and lists the words found; «Показать»
// closes it when a search found documents.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class ZText;

namespace tolvar {

class CTolvarDoc;

class CQueryTab : public QDialog {
  Q_OBJECT
 public:
  CQueryTab(CTolvarDoc& doc, QWidget* parent = nullptr);
  void AddWord(const QString& line);
  // «Поиск»: takes the page over and runs the query.
  void Search();
  ZText* QueryField() const { return query_; }
  QPushButton* ShowButton() const { return show_; }

 private:
  void TakeOver();
  void EditionChanged(const QString& shortName);
  CTolvarDoc& doc_;
  QComboBox* editions_;
  QLineEdit* area_;
  ZText* query_;
  QLineEdit* limits_;
  QLabel* found_;
  QListWidget* words_;
  QPushButton* show_;
};

}  // namespace tolvar
