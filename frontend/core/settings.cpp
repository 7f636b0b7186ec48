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
// The on/off settings read and written under the same key with the same default.
struct Flag {
  const char* key;
  bool Settings::*member;
  bool byDefault;
};
const Flag kFlags[] = {
    {"Settings/AutoOpen", &Settings::autoOpen, true},
    {"Settings/AutoRun", &Settings::autoRun, false},
    {"Settings/AutoNew", &Settings::autoNew, true},
    {"Settings/Start Maximized", &Settings::startMaximized, false},
    {"Settings/OneClick content", &Settings::oneClickContent, false},
    {"Settings/AutoClose content", &Settings::autoCloseContent, true},
    {"Query/Auto Show", &Settings::autoShow, false},
    {"Query/Morphology", &Settings::morphology, true},
    {"Query/Dictionary Search", &Settings::dictionarySearch, false},
    {"Query/Ignore Operators", &Settings::ignoreOperators, true},
    {"Query/Ignore Point", &Settings::ignorePoint, true},
    {"Query/Auto Cut", &Settings::autoCut, false},
    {"Query/Auto Cut Dict", &Settings::autoCutDict, true},
    {"Document/Bold Title", &Settings::boldTitle, false},
    {"Document/Italic Title", &Settings::italicTitle, false},
};
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
  for (const Flag& f : kFlags) this->*f.member = Int(s, f.key, f.byDefault);
  toolbarFirst = Int(s, "Settings/Toolbar 1st", 0);
  cutChar = Text(s, "Query/Cut Char", "$");
  dictionaryPrefix = Text(s, "Query/Dictionary Prefix", "");
  // The older entry counts only while the new one is off; it is never written.
  quickSearch = Int(s, "Query/Quick Search", 0) || Int(s, "Settings/QuickSearch", 0);
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
  for (const Flag& f : kFlags) s.setValue(f.key, int(this->*f.member));
  s.setValue("Query/Cut Char", cutChar);
  s.setValue("Query/Dictionary Prefix", dictionaryPrefix);
  s.setValue("Query/Quick Search", int(quickSearch));
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
