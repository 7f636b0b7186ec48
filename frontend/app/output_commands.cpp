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
  print_ = menu->addAction("Печать...", QKeySequence::Print, this, onActive(PrintWithDialog));
  QAction* marked = menu->addAction(Str(43), this, onActive(PrintDirect));
  QAction* preview = menu->addAction("Просмотр печати", this, onActive(PrintPreview));
  menu->addAction("Параметры печати...", this, [this] { PageSetup(this); });
  menu->addSeparator();
  export_ = menu->addAction(Str(58), this, onActive(ExportDocuments));
  // The toolbar shows the short captions.
  print_->setIconText(Str(111));
  export_->setIconText(Str(112));
  outputActions_ = {print_, marked, preview, export_};
}

void CMainFrame::EnableOutputCommands(bool on) {
  for (QAction* a : outputActions_) a->setEnabled(on);
}

}  // namespace tolvar
