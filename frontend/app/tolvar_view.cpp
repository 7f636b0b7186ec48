#include "tolvar_view.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "rtf.h"
#include "string_table.h"

namespace tolvar {

CTolvarView::CTolvarView(QWidget* parent) : QTextEdit(parent) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  document()->setDocumentMargin(14);
}

void CTolvarView::ShowRtf(const QByteArray& rtf, const QString& family) {
  // Built apart from the view, so that it is laid out once rather than per insertion.
  auto* doc = new QTextDocument(this);
  doc->setDocumentMargin(14);
  RtfToDocument(rtf, doc, family);
  setDocument(doc);  // deletes the previous one, a child of the view as well
  moveCursor(QTextCursor::Start);
}

QByteArray CTolvarView::SelectionMarkup() const {
  const QTextCursor c = textCursor();
  if (!c.hasSelection()) return {};
  return RtfToMarkup(FragmentToRtf(c.selection())).trimmed();
}

QMimeData* CTolvarView::createMimeDataFromSelection() const {
  auto* data = new QMimeData;
  const QTextDocumentFragment f = textCursor().selection();
  data->setText(f.toPlainText());
  data->setData("text/rtf", FragmentToRtf(f));
  return data;
}

QMenu* CTolvarView::BuildContextMenu(bool quick, bool queryIsEmpty, bool marks) {
  auto* menu = new QMenu(this);
  const bool selection = textCursor().hasSelection();
  menu->addAction(Str(37), this, &CTolvarView::editQuery);
  const int captions[2][3] = {{90, 96, 97}, {38, 39, 40}};
  for (int mode = 1; mode <= 3; ++mode) {
    QAction* a = menu->addAction(Str(captions[quick][mode - 1]),
                                 [this, mode] { emit selectionCommand(mode); });
    a->setEnabled(selection && (mode == 1 || !queryIsEmpty));
  }
  menu->addAction(Str(52), this, &CTolvarView::showHistory);
  menu->addSeparator();
  QAction* copyAction = menu->addAction(Str(98), this, &QTextEdit::copy);
  copyAction->setEnabled(selection);
  if (marks) menu->addAction(Str(43), this, &CTolvarView::printMarked);
  return menu;
}

void CTolvarView::contextMenuEvent(QContextMenuEvent* e) {
  QMenu* menu = BuildContextMenu(quickSearch, queryEmpty, hasMarks);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(e->globalPos());
}

}  // namespace tolvar
