#include "left_view.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "contents.h"
#include "string_table.h"

namespace tolvar {

namespace {
constexpr int kCodeRole = Qt::UserRole;
}

CLeftView::CLeftView(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setUniformRowHeights(true);
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    if (oneClick && item->data(0, kCodeRole).isValid())
      emit sectionOpened(item->data(0, kCodeRole).toByteArray());
  });
  connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (item->data(0, kCodeRole).isValid()) emit sectionOpened(item->data(0, kCodeRole).toByteArray());
  });
}

bool CLeftView::ShowEdition(const QString& shortName, EngineHandle* h) {
  if (shortName == shown_) return hasContents_;
  shown_ = shortName;
  clear();
  const QList<ContentsEntry> entries = ReadContents(h);
  hasContents_ = !entries.isEmpty();
  if (!hasContents_) {
    addTopLevelItem(new QTreeWidgetItem(QStringList{Str(105)}));
    return false;
  }
  QList<QTreeWidgetItem*> items;
  for (const ContentsEntry& e : entries) {
    auto* item = e.parent < 0 ? new QTreeWidgetItem(this) : new QTreeWidgetItem(items[e.parent]);
    item->setText(0, e.title);
    item->setToolTip(0, QString::fromLatin1(e.code) + "  " + e.title);
    item->setData(0, kCodeRole, e.code);
    items << item;
  }
  return true;
}

void CLeftView::MarkCurrent(const QByteArray& code) {
  QTreeWidgetItem* current = nullptr;
  for (QTreeWidgetItemIterator it(this); *it; ++it) {
    const QByteArray c = (*it)->data(0, kCodeRole).toByteArray();
    const bool onPath = !c.isEmpty() && (code == c || code.startsWith(c + "."));
    QFont f = (*it)->font(0);
    f.setBold(onPath);
    (*it)->setFont(0, f);
    (*it)->setExpanded(onPath && code != c);
    if (code == c) current = *it;
  }
  if (current) scrollToItem(current);
}

}  // namespace tolvar
