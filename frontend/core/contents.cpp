#include "contents.h"

#include "codec.h"
#include "zrteng.h"

namespace tolvar {

void NestContents(QList<ContentsEntry>& entries) {
  QList<int> path;  // at most 16 levels, as the pane always kept
  for (int i = 0; i < entries.size(); ++i) {
    const QByteArray& code = entries[i].code;
    while (!path.isEmpty() && !code.startsWith(entries[path.last()].code)) path.removeLast();
    entries[i].parent = path.isEmpty() ? -1 : path.last();
    if (path.size() >= 16) path.removeLast();
    path << i;
  }
}

QList<ContentsEntry> ReadContents(EngineHandle* h) {
  QList<ContentsEntry> entries;
  ORTree* tree = h ? ZRT_GetOgl(h) : nullptr;
  if (!tree || ORTree_First(tree) != 0) return entries;
  ORTreeItem item;
  while (ORTree_Next(tree, &item)) {
    item.key[sizeof item.key - 1] = 0;
    item.data[sizeof item.data - 1] = 0;
    entries.append({QByteArray(item.key), toUi(item.data), -1});
  }
  NestContents(entries);
  return entries;
}

}  // namespace tolvar
