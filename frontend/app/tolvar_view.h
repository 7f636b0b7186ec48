// CTolvarView: the rendered portion, read-only, selectable; copy gives plain text and RTF;
// the context menu turns the selection into a query.
#pragma once

#include <QTextEdit>

namespace tolvar {

class CTolvarView : public QTextEdit {
  Q_OBJECT
 public:
  explicit CTolvarView(QWidget* parent = nullptr);
  void ShowRtf(const QByteArray& rtf, const QString& family);
  // The selection as the edition's markup (Windows-1251).
  QByteArray SelectionMarkup() const;
  // The context menu as it would open now: quickSearch chooses the captions, queryEmpty
  // and hasMarks the enabling.
  QMenu* BuildContextMenu(bool quickSearch, bool queryEmpty, bool hasMarks);

 Q_SIGNALS:
  void editQuery();
  void selectionCommand(int mode);  // 1 replace, 2 OR, 3 AND
  void showHistory();
  void printMarked();

 protected:
  void contextMenuEvent(QContextMenuEvent* e) override;
  QMimeData* createMimeDataFromSelection() const override;

 public:
  // Filled by the window before the menu opens.
  bool quickSearch = false, queryEmpty = true, hasMarks = false;
};

}  // namespace tolvar
