// The configuration folder: its output forms, the classification table, and the
// process-wide engine set-up that its files feed (query parameters, morphology, stop list).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "settings.h"

struct DZContext;

namespace tolvar {

// Base names of the "*.tpl" files of a folder, by name.
QStringList ScanForms(const QString& folder);

// The form choice of the settings as indices into the form list: the screen form
// (never below 0) and the print form (0 = as on screen, k = forms[k - 1]).
struct FormChoice {
  int screenIndex = 0;
  int printIndex = 0;
};
FormChoice ChooseForms(const QStringList& forms, const QString& screen, const QString& print);

// Lines "2003004 0601": the number a*1000000+b*1000+c of contents code a.b.c and its
// rubric written "06.01".
struct ClassificationTable {
  QList<qint32> numbers;
  QStringList codes;
  void Parse(const QByteArray& text);
  bool Load(const QString& path);
  // The rubric of a dotted code ("2.3.4"; missing parts read as 0), or "".
  QString CodeOf(const QString& sectionCode) const;
};

// A folder with at least one output form: Config Path when it has forms, else the
// folder installed with the program (or the build tree's), else "".
QString ResolveConfigFolder(const QString& configured, const QString& programFolder);
// The catalog used when "DB Path" is empty: the bundled one.
QString DefaultCatalogFolder(const QString& programFolder);

// The engine's process-wide state that the program sets up once: query parameters,
// the morphology dictionary and the stop list.
class EngineSession {
 public:
  EngineSession();
  ~EngineSession();
  void Start(const Settings& settings, const QString& configFolder);
  void ApplyQueryParameters(const Settings& settings);
  DZContext* Morphology() const { return morphologyOk_ ? dz_.get() : nullptr; }

 private:
  std::unique_ptr<DZContext> dz_;
  bool morphologyOk_ = false, stopLoaded_ = false;
};

}  // namespace tolvar
