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
