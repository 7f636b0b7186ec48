// The main frame's printing and export commands, kept apart from its other menus.
#include <QMenu>

#include "export_window.h"
#include "main_frame.h"
#include "printing.h"
#include "query_window.h"
#include "string_table.h"

namespace tolvar {

void CMainFrame::AddOutputCommands(QMenu* menu) {
  auto onActive = [this](void (*command)(CTolvarDoc&, QWidget*)) {
    return [this, command] {
      if (CQueryWindow* w = Active()) command(w->Doc(), this);
    };
  };
  // The letters differ from the menu's others (Н, О, С, К, Ф, В); Ctrl+Shift+E is the
  // usual export key and free here, as no standard sequence names export.
  QString markedText = Str(43);
  markedText.insert(markedText.indexOf(QStringLiteral("тмеч")), '&');
  print_ = menu->addAction("&Печать...", QKeySequence::Print, this, onActive(PrintWithDialog));
  QAction* marked = menu->addAction(markedText, this, onActive(PrintDirect));
  QAction* preview = menu->addAction("П&росмотр печати", this, onActive(PrintPreview));
  menu->addAction("П&араметры печати...", this, [this] { PageSetup(this); });
  menu->addSeparator();
  export_ = menu->addAction("&" + Str(58), QKeySequence("Ctrl+Shift+E"), this, onActive(ExportDocuments));
  // The toolbar shows the short captions.
  print_->setIconText(Str(111));
  export_->setIconText(Str(112));
  outputActions_ = {print_, marked, preview, export_};
}

void CMainFrame::EnableOutputCommands(bool on) {
  for (QAction* a : outputActions_) a->setEnabled(on);
}

}  // namespace tolvar
