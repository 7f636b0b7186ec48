// The catalog's editions (CEditionCombo's logic): the scan of the ".cdo" files of a
// folder, the engine handles opened for them, sorted by short name, and the title and
// short-name look-ups through which query files find their edition.
#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <vector>

struct EngineHandle;

namespace tolvar {

struct ScannedEdition {
  QString name;       // file base name
  QString title;      // first text of the description
  QString shortName;  // the title when the description has none
};

constexpr int kMaxEditions = 32;

// Reads the descriptions of a folder (at most 32 accepted, by file name); files shorter
// than the magic or with another one are skipped.
QList<ScannedEdition> ScanCatalog(const QString& folder);
// One description's texts; false for a wrong magic.
bool ParseDescription(const QByteArray& bytes, QString* title, QString* shortName);

class CEditionList {
 public:
  CEditionList();
  ~CEditionList();
  CEditionList(const CEditionList&) = delete;
  CEditionList& operator=(const CEditionList&) = delete;

  // Closes what is open, then scans and opens the folder's editions; returns how many.
  int OpenEditions(const QString& folder);
  void CloseEditions();

  int Count() const { return int(open_.size()); }
  EngineHandle* Handle(int i) const { return open_[i].handle.get(); }
  QString ShortName(int i) const { return open_[i].shortName; }
  QString Title(int i) const { return open_[i].title; }
  QString Folder() const { return folder_; }
  const QList<ScannedEdition>& Scanned() const { return scanned_; }

  QString TitleOf(const QString& shortName) const;
  QString ShortNameOf(const QString& title) const;
  EngineHandle* HandleOfTitle(const QString& title) const;

 private:
  struct Opened {
    std::unique_ptr<EngineHandle> handle;
    QString title, shortName;
  };
  QString folder_;
  QList<ScannedEdition> scanned_;
  std::vector<Opened> open_;
};

}  // namespace tolvar
