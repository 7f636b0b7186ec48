#include "settings.h"

#include <memory>

#include "string_table.h"

namespace tolvar {

QString FontDescription(const FontRecord& font, int dpiY) {
  QString name = font.faceName.isEmpty() ? QStringLiteral("System") : font.faceName;
  if (font.charset == 204 && !name.contains(" Cyr") && !name.contains(" CYR")) name += " Cyrillic";
  if (font.height == 0) return name;
  return QStringLiteral("%1, %2 pt").arg(name).arg(FontPointSize(font, dpiY));
}

int FontPointSize(const FontRecord& font, int dpiY) {
  if (font.height >= 0) return font.height;
  return dpiY > 0 ? -font.height * 72 / dpiY : -font.height;
}

namespace {
int Int(QSettings& s, const char* key, int def) { return s.value(key, def).toInt(); }
QString Text(QSettings& s, const char* key, const QString& def) {
  return s.value(key, def).toString();
}
FontRecord ReadFont(QSettings& s, const QString& section, const FontRecord& def) {
  FontRecord f;
  f.height = s.value(section + "/Height", def.height).toInt();
  f.charset = s.value(section + "/Charset", def.charset).toInt();
  f.pitchAndFamily = s.value(section + "/PitchAndFamily", def.pitchAndFamily).toInt();
  f.faceName = s.value(section + "/FaceName", def.faceName).toString();
  return f;
}
void WriteFont(QSettings& s, const QString& section, const FontRecord& f) {
  s.setValue(section + "/Height", f.height);
  s.setValue(section + "/Charset", f.charset);
  s.setValue(section + "/PitchAndFamily", f.pitchAndFamily);
  s.setValue(section + "/FaceName", f.faceName);
}
}  // namespace

void Settings::Read(QSettings& s, QSettings* fb) {
  auto fallback = [fb](const char* key, const QString& def) {
    return fb ? fb->value(key, def).toString() : def;
  };
  auto fileName = [&](const char* key) {
    const QString v = Text(s, key, "");
    return v.isEmpty() ? fallback(key, "") : v;
  };
  configPath = Text(s, "Settings/Config Path", "");
  dbPath = Text(s, "Settings/DB Path", "");
  dbClassification = fileName("Settings/DB Classification");
  dzDictionary = fileName("Settings/DZ Dictionary");
  stopDictionary = fileName("Settings/Stop Dictionary");
  historyPath = Text(s, "Settings/History Path", "");
  historySize = Int(s, "Settings/History Size", 0);
  autoOpen = Int(s, "Settings/AutoOpen", 1);
  autoRun = Int(s, "Settings/AutoRun", 0);
  autoNew = Int(s, "Settings/AutoNew", 1);
  startMaximized = Int(s, "Settings/Start Maximized", 0);
  oneClickContent = Int(s, "Settings/OneClick content", 0);
  autoCloseContent = Int(s, "Settings/AutoClose content", 1);
  toolbarFirst = Int(s, "Settings/Toolbar 1st", 0);

  autoShow = Int(s, "Query/Auto Show", 0);
  morphology = Int(s, "Query/Morphology", 1);
  cutChar = Text(s, "Query/Cut Char", "$");
  dictionarySearch = Int(s, "Query/Dictionary Search", 0);
  ignoreOperators = Int(s, "Query/Ignore Operators", 1);
  ignorePoint = Int(s, "Query/Ignore Point", 1);
  dictionaryPrefix = Text(s, "Query/Dictionary Prefix", "");
  // The older entry counts only while the new one is off; it is never written.
  quickSearch = Int(s, "Query/Quick Search", 0) || Int(s, "Settings/QuickSearch", 0);
  autoCut = Int(s, "Query/Auto Cut", 0);
  autoCutDict = Int(s, "Query/Auto Cut Dict", 1);

  boldTitle = Int(s, "Document/Bold Title", 0);
  italicTitle = Int(s, "Document/Italic Title", 0);
  count = Int(s, "Document/Count", 10);
  if (count < kMinCount || count > kMaxCount) count = 10;
  screenTemplate = s.value("Document/Template", fallback("Document/Template", Str(101))).toString();
  printTemplate = s.value("Print/Template", fallback("Print/Template", "")).toString();
  printHeader = Text(s, "Print/Header", QStringLiteral("Запрос: &q"));
  dialogFont = ReadFont(s, "DialogFont", FontRecord{-12, 204, 34, "Arial"});
  documentFont = ReadFont(s, "DocumentFont", FontRecord{-13, 204, 18, "Times New Roman"});
}

void Settings::Write(QSettings& s) const {
  s.setValue("Settings/DB Path", dbPath);
  s.setValue("Settings/AutoOpen", int(autoOpen));
  s.setValue("Settings/AutoRun", int(autoRun));
  s.setValue("Settings/AutoNew", int(autoNew));
  s.setValue("Settings/Start Maximized", int(startMaximized));
  s.setValue("Settings/OneClick content", int(oneClickContent));
  s.setValue("Settings/AutoClose content", int(autoCloseContent));
  s.setValue("Query/Auto Show", int(autoShow));
  s.setValue("Query/Morphology", int(morphology));
  s.setValue("Query/Cut Char", cutChar);
  s.setValue("Query/Dictionary Search", int(dictionarySearch));
  s.setValue("Query/Ignore Operators", int(ignoreOperators));
  s.setValue("Query/Ignore Point", int(ignorePoint));
  s.setValue("Query/Dictionary Prefix", dictionaryPrefix);
  s.setValue("Query/Quick Search", int(quickSearch));
  s.setValue("Query/Auto Cut", int(autoCut));
  s.setValue("Query/Auto Cut Dict", int(autoCutDict));
  s.setValue("Document/Bold Title", int(boldTitle));
  s.setValue("Document/Italic Title", int(italicTitle));
  s.setValue("Document/Count", count);
  s.setValue("Document/Template", screenTemplate);
  s.setValue("Print/Template", printTemplate);
  s.setValue("Print/Header", printHeader);
  WriteFont(s, "DialogFont", dialogFont);
  WriteFont(s, "DocumentFont", documentFont);
  s.sync();
}

char Settings::CutChar() const {
  return cutChar.isEmpty() ? '$' : char(cutChar.at(0).toLatin1());
}

std::unique_ptr<QSettings> OpenSettingsStore() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "ORVANT",
                                     "Tolvar");
}

}  // namespace tolvar
