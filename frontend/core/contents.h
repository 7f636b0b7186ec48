// An edition's table of contents as the contents pane shows it, and the heading of a
// record's section.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct EngineHandle;

namespace tolvar {

struct ContentsEntry {
  QByteArray code;  // "1.1.1.7"
  QString title;
  int parent = -1;  // index of the entry it nests under, -1 at the top
};

// The entries in tree order; each nests under the nearest entry of the current path
// whose code begins the new code. Empty without a contents tree.
QList<ContentsEntry> ReadContents(EngineHandle* h);
// Builds the nesting of entries given in order (codes and titles only).
void NestContents(QList<ContentsEntry>& entries);

}  // namespace tolvar
