// Every persistent setting of the front end with its default, read from and written to
// QSettings (INI, organisation "ORVANT", application "Tolvar") under the same sections
// and entries as ever. Entries that the program never edits are only read.
#pragma once

#include <QSettings>
#include <QString>

namespace tolvar {

// The part of a font record that is stored; the other fields start at 0.
struct FontRecord {
  int height = 0;  // negative: character height in pixels
  int charset = 0;
  int pitchAndFamily = 0;
  QString faceName;
  bool operator==(const FontRecord&) const = default;
};

// "Arial, 9 pt" as shown beside the font buttons; dpiY is the screen's vertical density.
QString FontDescription(const FontRecord& font, int dpiY);
// Point size of a record: -height*72/dpi for negative heights, the height otherwise.
int FontPointSize(const FontRecord& font, int dpiY);

struct Settings {
  // [Settings]
  QString configPath, dbPath, dbClassification, dzDictionary, stopDictionary;
  QString historyPath;
  int historySize = 0;
  bool autoOpen = true, autoRun = false, autoNew = true, startMaximized = false;
  bool oneClickContent = false, autoCloseContent = true, toolbarFirst = false;
  // [Query]
  bool autoShow = false, morphology = true, dictionarySearch = false;
  bool ignoreOperators = true, ignorePoint = true, quickSearch = false;
  bool autoCut = false, autoCutDict = true;
  QString cutChar = "$", dictionaryPrefix;
  // [Document]
  bool boldTitle = false, italicTitle = false;
  int count = 10;
  QString screenTemplate;  // default string 101
  // [Print]
  QString printTemplate, printHeader = QStringLiteral("Запрос: &q");
  FontRecord dialogFont{-12, 204, 34, "Arial"};
  FontRecord documentFont{-13, 204, 18, "Times New Roman"};

  static constexpr int kMinCount = 1, kMaxCount = 10000;

  // Reads every entry; absent ones take the defaults above, or those of `fallbacks`
  // (the configuration folder's defaults.ini) for the file names and forms.
  void Read(QSettings& store, QSettings* fallbacks = nullptr);
  // Writes what the program may change: the flags, the Query, Document and Print
  // sections, the fonts, and "DB Path".
  void Write(QSettings& store) const;
  char CutChar() const;
};

// The store of the running program.
std::unique_ptr<QSettings> OpenSettingsStore();

}  // namespace tolvar
