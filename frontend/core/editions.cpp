#include "editions.h"

#include <QDir>
#include <QFile>
#include <algorithm>

#include "codec.h"
#include "zrteng.h"

namespace tolvar {

namespace {
// Description texts are in code page 866 on disk.
QString OemText(const char* text) {
  QByteArray bytes(text);
  LOemToAnsi(bytes.data());
  return toUi(bytes);
}
}  // namespace

bool ParseDescription(const QByteArray& bytes, QString* title, QString* shortName) {
  if (bytes.size() < 4 || !bytes.startsWith("ASDO")) return false;
  // At most 2048 bytes after the magic, closed by two zero bytes so that every text
  // below ends inside the buffer.
  QByteArray body = bytes.mid(4, 2048);
  body.append('\0').append('\0');
  const char* p = body.constData();
  const char* end = p + body.size() - 2;
  *title = OemText(p);
  p += std::strlen(p) + 1;  // the title
  if (p < end) p += std::strlen(p) + 1;  // the second text
  for (int k = 0; k < 256 && p < end && *p; ++k) p += std::strlen(p) + 1;  // the field list
  if (p < end) ++p;  // the empty text that ends it
  *shortName = (p < end && *p) ? OemText(p) : *title;
  return true;
}

QList<ScannedEdition> ScanCatalog(const QString& folder) {
  QList<ScannedEdition> found;
  if (folder.isEmpty()) return found;
  const QFileInfoList files = QDir(folder).entryInfoList({"*.cdo"}, QDir::Files, QDir::Name);
  for (const QFileInfo& info : files) {
    if (found.size() >= kMaxEditions) break;
    QFile f(info.filePath());
    if (!f.open(QIODevice::ReadOnly)) continue;
    ScannedEdition e;
    e.name = info.completeBaseName();
    if (ParseDescription(f.read(4 + 2048), &e.title, &e.shortName)) found << e;
  }
  return found;
}

CEditionList::CEditionList() = default;
CEditionList::~CEditionList() { CloseEditions(); }

int CEditionList::OpenEditions(const QString& folder) {
  CloseEditions();
  folder_ = folder;
  scanned_ = ScanCatalog(folder);
  for (const ScannedEdition& e : scanned_) {
    auto h = std::make_unique<EngineHandle>();
    ZRT_Build(h.get());
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(e.name));
    if (ZRT_Open(h.get(), path.constData(), nullptr) != 0) {
      ZRT_Destroy(h.get());
      continue;
    }
    Opened o;
    o.title = toUi(ZRT_GetOemName(h.get(), 1));
    o.shortName = toUi(ZRT_GetOemName(h.get(), 0));
    o.handle = std::move(h);
    open_.push_back(std::move(o));
  }
  // Byte order of the engine's short names, as the drop-down always listed them.
  std::stable_sort(open_.begin(), open_.end(), [](const Opened& a, const Opened& b) {
    return toEngine(a.shortName) < toEngine(b.shortName);
  });
  return Count();
}

void CEditionList::CloseEditions() {
  for (Opened& o : open_) ZRT_Destroy(o.handle.get());
  open_.clear();
}

QString CEditionList::TitleOf(const QString& shortName) const {
  for (const Opened& o : open_)
    if (o.shortName == shortName) return o.title;
  for (const ScannedEdition& e : scanned_)
    if (e.shortName == shortName) return e.title;
  return shortName;
}

QString CEditionList::ShortNameOf(const QString& title) const {
  for (const Opened& o : open_)
    if (o.title == title) return o.shortName;
  for (const ScannedEdition& e : scanned_)
    if (e.title == title) return e.shortName;
  return title;
}

EngineHandle* CEditionList::HandleOfTitle(const QString& title) const {
  for (const Opened& o : open_)
    if (o.title == title) return o.handle.get();
  return nullptr;
}

}  // namespace tolvar
