// CTolvarApp: what the program holds for its whole run: the settings, the configuration
// folder with its forms and classification table, the engine set-up and the editions.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <memory>

#include "config_folder.h"
#include "editions.h"
#include "settings.h"

class QEvent;

namespace tolvar {

class CTolvarApp {
 public:
  // Reads the settings and prepares the engine; false (after string 89) without forms.
  bool Start(const QString& programFolder);
  void Shutdown();
  void SaveSettings() const;  // also after every confirmed settings dialog
  int OpenCatalog();          // (re)opens the editions of "DB Path"
  QString FormPath(int index) const;
  QString HistoryFolder() const;

  Settings settings;
  QString configFolder, programFolder;
  QStringList formNames;
  FormChoice forms;
  ClassificationTable classification;
  EngineSession engine;
  CEditionList editions;
};

// The application object of the running program, which main (or a test) owns, so that
// it ends before the engine's own process-wide state does.
CTolvarApp& App();
void SetApp(CTolvarApp* app);

// The font of the query-entry fields, from the "DialogFont" settings.
QFont DialogFont();

// Return or Enter pressed: the one-line fields run their action on it instead of
// passing it to the window's default button.
bool IsEnterPress(const QEvent* e);

// Runs a settings dialog and, when accepted, takes its settings over; the caller then
// applies what else the dialog chose and saves.
template <class Dialog>
bool TakeSettings(Dialog& dlg) {
  if (dlg.exec() != Dialog::Accepted) return false;
  App().settings = dlg.settings;
  return true;
}

}  // namespace tolvar
