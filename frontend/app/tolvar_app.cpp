#include "tolvar_app.h"

#include <QDir>
#include <QKeyEvent>
#include <QStandardPaths>

#include "string_table.h"
#include "ui_messages.h"

namespace tolvar {

namespace {
CTolvarApp* g_app = nullptr;
}

CTolvarApp& App() { return *g_app; }

QFont DialogFont() {
  const FontRecord& r = App().settings.dialogFont;
  QFont f(r.faceName);
  f.setPixelSize(qMax(8, r.height < 0 ? -r.height : r.height ? r.height : 12));
  return f;
}

void SetApp(CTolvarApp* app) { g_app = app; }

bool CTolvarApp::Start(const QString& folder) {
  programFolder = folder;
  auto store = OpenSettingsStore();
  configFolder = ResolveConfigFolder(store->value("Settings/Config Path").toString(), folder);
  QSettings fallbacks(configFolder + "/defaults.ini", QSettings::IniFormat);
  settings.Read(*store, configFolder.isEmpty() ? nullptr : &fallbacks);
  formNames = ScanForms(configFolder);
  if (formNames.isEmpty()) {
    ui::Warning(nullptr, Str(89));
    return false;
  }
  forms = ChooseForms(formNames, settings.screenTemplate, settings.printTemplate);
  classification.Load(configFolder + "/" + settings.dbClassification);
  engine.Start(settings, configFolder);
  if (settings.dbPath.isEmpty()) settings.dbPath = DefaultCatalogFolder(folder);
  QDir().mkpath(HistoryFolder());  // when it cannot be made, the history is simply not kept
  return true;
}

int CTolvarApp::OpenCatalog() { return editions.OpenEditions(settings.dbPath); }

QString CTolvarApp::FormPath(int index) const {
  if (index < 0 || index >= formNames.size()) index = 0;
  return configFolder + "/" + formNames.value(index) + ".tpl";
}

QString CTolvarApp::HistoryFolder() const {
  if (!settings.historyPath.isEmpty()) return settings.historyPath;
  // The program's own folder is not writable once installed.
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/History";
}

void CTolvarApp::SaveSettings() const {
  Settings s = settings;
  s.screenTemplate = formNames.value(forms.screenIndex);
  s.printTemplate = forms.printIndex > 0 ? formNames.value(forms.printIndex - 1) : Str(102);
  auto store = OpenSettingsStore();
  s.Write(*store);
  store->setValue("Settings/History Path", settings.historyPath);
}

void CTolvarApp::Shutdown() {
  editions.CloseEditions();
  SaveSettings();
}

bool IsEnterPress(const QEvent* e) {
  if (e->type() != QEvent::KeyPress) return false;
  const int key = static_cast<const QKeyEvent*>(e)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace tolvar
