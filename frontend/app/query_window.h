// The child window of one query document: the contents pane and the document view in a
// splitter, over a CTolvarDoc. It renders portions and carries the document's commands.
#pragma once

#include <QSplitter>
#include <memory>

#include "query_doc.h"

namespace tolvar {

class CLeftView;
class CTolvarView;
class CQueryTab;

class CQueryWindow : public QSplitter, public IQueryUi {
  Q_OBJECT
 public:
  explicit CQueryWindow(QWidget* parent = nullptr);
  ~CQueryWindow() override;

  CTolvarDoc& Doc() { return *doc_; }
  CTolvarView* View() const { return view_; }
  CLeftView* Contents() const { return left_; }
  QString FilePath() const { return path_; }

  // Renders the portion again and refreshes the panes; false when the form is missing.
  bool Render();
  void UpdateCaption();
  void ApplyResult(int result);  // an Execute result: mode, marks, first portion
  bool LoadFile(const QString& path);
  bool SaveTo(const QString& path);
  void ToggleContents();

  void First(), Previous(), Next(), Last();
  void GoTo();
  void MarkDialog();
  void EditQuery();
  void SelectionCommand(int mode);
  // A query step that combines `text` with the query (1 replace, 2 OR, 3 AND).
  void CombineWith(int mode, const QByteArray& text);
  void SetForm(int index);

  // IQueryUi
  void Message(const QString& text) override;
  bool AskYesNo(const QString& text) override;
  int ShowBuilder(CTolvarDoc& doc) override;
  void WordFound(const QString& line) override;
  void WaitCursor(bool on) override;

  QByteArray currentSection;
  QString statusNote;  // e.g. a portion cut for want of room

 Q_SIGNALS:
  void stateChanged();  // portion, marks or query changed: the frame updates its panes
  void openFileRequested(const QString& path);  // a query file chosen in the history

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void LayoutContents();
  std::unique_ptr<CTolvarDoc> doc_;
  CLeftView* left_;
  CTolvarView* view_;
  CQueryTab* builder_ = nullptr;
  QString path_;
  bool contentsToggled_ = false, contentsOpen_ = false;
};

}  // namespace tolvar
