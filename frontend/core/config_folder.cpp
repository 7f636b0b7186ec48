#include "config_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "zrteng.h"

namespace tolvar {

QStringList ScanForms(const QString& folder) {
  if (folder.isEmpty()) return {};
  QStringList names;
  const QFileInfoList files =
      QDir(folder).entryInfoList({"*.tpl"}, QDir::Files | QDir::Readable, QDir::Name);
  for (const QFileInfo& f : files) names << f.completeBaseName();
  return names;
}

FormChoice ChooseForms(const QStringList& forms, const QString& screen, const QString& print) {
  FormChoice c;
  const qsizetype s = forms.indexOf(screen);
  c.screenIndex = s < 0 ? 0 : int(s);
  const qsizetype p = forms.indexOf(print);
  c.printIndex = p < 0 ? 0 : int(p) + 1;
  return c;
}

void ClassificationTable::Parse(const QByteArray& text) {
  numbers.clear();
  codes.clear();
  for (QByteArray line : text.split('\n')) {
    line = line.left(63);
    qsizetype i = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    if (i == 0) continue;
    const qint64 number = line.left(i).toLongLong();
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const QByteArray c = line.mid(i, 4);
    if (c.size() < 4 || number > 0x7fffffff) continue;
    numbers << qint32(number);
    codes << QString::fromLatin1(c.left(2) + "." + c.mid(2, 2));
  }
}

bool ClassificationTable::Load(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  Parse(f.readAll());
  return true;
}

QString ClassificationTable::CodeOf(const QString& sectionCode) const {
  const QStringList parts = sectionCode.split('.');
  qint64 key = 0;
  for (int k = 0; k < 3; ++k) key = key * 1000 + (k < parts.size() ? parts[k].toLongLong() : 0);
  const qsizetype at = numbers.indexOf(qint32(key));
  return at < 0 ? QString() : codes[at];
}

namespace {
QStringList InstalledFolders(const QString& programFolder, const char* what) {
  const QString name = QString::fromLatin1(what);
  QStringList folders{programFolder + "/../share/tolvar/" + name};
#ifdef TOLVAR_BUILD_TREE
  // Only a program of the build tree falls back on it: an installed one that found
  // nothing beside itself must say so rather than read a build tree that happens to stay.
  const QString tree = QFileInfo(QStringLiteral(TOLVAR_BUILD_TREE)).canonicalFilePath();
  const QString self = QFileInfo(programFolder).canonicalFilePath();
  if (!tree.isEmpty() && (self == tree || self.startsWith(tree + "/"))) folders << tree + "/" + name;
#endif
  folders << programFolder + "/../../" + name;
  return folders;
}
}  // namespace

QString ResolveConfigFolder(const QString& configured, const QString& programFolder) {
  QStringList candidates;
  if (!configured.isEmpty())
    candidates << (QDir::isRelativePath(configured) ? programFolder + "/" + configured : configured);
  candidates << InstalledFolders(programFolder, "config");
  for (const QString& c : candidates)
    if (!ScanForms(c).isEmpty()) return QDir::cleanPath(c);
  return {};
}

QString DefaultCatalogFolder(const QString& programFolder) {
  for (const QString& c : InstalledFolders(programFolder, "catalog"))
    if (!QDir(c).entryList({"*.cdo"}, QDir::Files).isEmpty()) return QDir::cleanPath(c);
  return {};
}

EngineSession::EngineSession() : dz_(std::make_unique<DZContext>()) {}

EngineSession::~EngineSession() {
  if (morphologyOk_) DZStop(dz_.get());
  if (stopLoaded_) ZRTCStop_destroy();
}

void EngineSession::ApplyQueryParameters(const Settings& s) {
  CDat_SetQParam(s.CutChar(), s.ignorePoint, s.ignoreOperators, s.autoCut);
}

void EngineSession::Start(const Settings& s, const QString& configFolder) {
  ApplyQueryParameters(s);
  // A missing dictionary or stop list leaves the engine without them, as it should.
  const QByteArray dz = QFile::encodeName(configFolder + "/" + s.dzDictionary);
  morphologyOk_ = !s.dzDictionary.isEmpty() && DZInit(dz.constData(), dz_.get()) == 0;
  const QByteArray stop = QFile::encodeName(configFolder + "/" + s.stopDictionary);
  stopLoaded_ = !s.stopDictionary.isEmpty() && ZRTStop_build(stop.constData()) == 1;
}

}  // namespace tolvar
