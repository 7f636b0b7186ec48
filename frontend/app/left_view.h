// CLeftView: the edition's contents as a tree; the path to the current section bold and
// expanded; opening a section jumps to its documents.
#pragma once

#include <QTreeWidget>

struct EngineHandle;

namespace tolvar {

class CLeftView : public QTreeWidget {
  Q_OBJECT
 public:
  explicit CLeftView(QWidget* parent = nullptr);
  // Rebuilds when the edition differs from the one shown; returns whether it has contents.
  bool ShowEdition(const QString& shortName, EngineHandle* h);
  void MarkCurrent(const QByteArray& sectionCode);
  bool HasContents() const { return hasContents_; }
  bool oneClick = false;

 Q_SIGNALS:
  void sectionOpened(const QByteArray& code);

 private:
  QString shown_;
  bool hasContents_ = false;
};

}  // namespace tolvar
