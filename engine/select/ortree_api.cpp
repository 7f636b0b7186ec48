// Ordered key tree exports: full items over the tree object behind an ORTree handle.
// A null handle, a handle without a tree or a closed tree gives 0 or -1, never a crash.
#include <cstddef>
#include <cstring>
#include <new>

#include "select/key_tree.h"
#include "zrteng.h"

static_assert(sizeof(ORTreeItem) == ORTREE_ITEM_SIZE &&
              ORTREE_ITEM_SIZE == zrt::ItemLayout::Full().bufferSize);
static_assert(offsetof(ORTreeItem, key) == zrt::ItemLayout::Full().keyOffset);

namespace {

zrt::KeyTree* TreeOf(ORTree* t) { return t && t->impl ? &t->impl->tree : nullptr; }

}  // namespace

extern "C" {

ZRT_API int ORTree_Create(ORTree* t, const char* path, int32_t allowDuplicates) {
  if (!t || !path) return -1;
  bool allocated = false;
  if (!t->impl) {
    t->impl = new (std::nothrow) ZrtKeyTree;
    if (!t->impl) return -1;
    t->impl->ownedByApi = true;
    allocated = true;
  }
  bool ok = false;
  try {
    ok = t->impl->tree.Create(path, allowDuplicates != 0).ok();
  } catch (...) {
  }
  if (!ok && allocated) {
    delete t->impl;
    t->impl = nullptr;
  }
  return ok ? 0 : -1;
}

// Frees the tree object only when ORTree_Create allocated it; a tree that belongs to an
// edition is closed and left to its owner.
ZRT_API int ORTree_Close(ORTree* t) {
  if (!t || !t->impl) return -1;
  int rc = t->impl->tree.Close();
  if (t->impl->ownedByApi) delete t->impl;
  t->impl = nullptr;
  return rc;
}

ZRT_API int ORTree_First(ORTree* t) {
  zrt::KeyTree* tree = TreeOf(t);
  return tree ? tree->First() : -1;
}

ZRT_API int ORTree_Next(ORTree* t, ORTreeItem* item) {
  zrt::KeyTree* tree = TreeOf(t);
  return tree && tree->Next(item) ? 1 : 0;
}

ZRT_API int ORTree_Add(ORTree* t, ORTreeItem* item) {
  zrt::KeyTree* tree = TreeOf(t);
  return tree ? tree->Add(item) : -1;
}

ZRT_API int ORTree_AddS(ORTree* t, const char* data, const char* key) {
  zrt::KeyTree* tree = TreeOf(t);
  if (!tree || !key || std::strlen(key) >= sizeof(ORTreeItem::key)) return -1;
  ORTreeItem item;
  std::memset(&item, 0, sizeof item);
  if (data) std::strncpy(item.data, data, sizeof item.data - 1);
  std::strcpy(item.key, key);
  return tree->Add(&item);
}

ZRT_API int ORTree_FindORKey(ORTree* t, ORTreeItem* item) {
  zrt::KeyTree* tree = TreeOf(t);
  return tree && tree->FindKey(item) ? 1 : 0;
}

ZRT_API int ORTree_Search(ORTree* t, ORTreeItem* item) {
  zrt::KeyTree* tree = TreeOf(t);
  return tree && tree->Search(item) ? 1 : 0;
}

ZRT_API int ORTree_ReplaceORKey(ORTree* t, ORTreeItem* item) {
  zrt::KeyTree* tree = TreeOf(t);
  return tree ? tree->ReplaceKey(item) : -1;
}

}  // extern "C"
