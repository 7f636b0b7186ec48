// Ordered key tree exports: full items over the tree object behind an ORTree handle.
// A null handle, a handle without a tree or a closed tree gives 0 or -1, never a crash.
#include <cstddef>
#include <cstring>
#include <new>

#include "api/handle.h"
#include "btree/key_tree.h"

using zrt::Guard;
using zrt::Status;

static_assert(sizeof(ORTreeItem) == ORTREE_ITEM_SIZE &&
              ORTREE_ITEM_SIZE == zrt::ItemLayout::Full().bufferSize);
static_assert(offsetof(ORTreeItem, key) == zrt::ItemLayout::Full().keyOffset);

namespace {

zrt::KeyTree* TreeOf(ORTree* t) { return t && t->impl ? &t->impl->tree : nullptr; }

const Status kNoTree = Status::InvalidArgument("no open key tree");

// A change to the tree: 1 or 0 as the tree answers, -1 with a reason.
int Change(ORTree* t, int (*change)(zrt::KeyTree&, const ORTreeItem*), const ORTreeItem* item) {
  return Guard(zrt::ThreadError(), -1, [&](Status& error) {
    zrt::KeyTree* tree = TreeOf(t);
    if (!tree || !item) return zrt::Report(error, kNoTree, 0, -1);
    int rc = change(*tree, item);
    if (rc < 0) error = Status::InvalidArgument("the key tree refused the item (key too long, read-only, "
                                                "full, damaged or not writable)");
    return rc;
  });
}

}  // namespace

extern "C" {

ZRT_API int ORTree_Create(ORTree* t, const char* path, int32_t allowDuplicates) {
  return Guard(zrt::ThreadError(), -1, [&](Status& error) {
    if (!t || !path) return zrt::Report(error, Status::InvalidArgument("no tree or no path"), 0, -1);
    bool allocated = false;
    if (!t->impl) {
      t->impl = new ZrtKeyTree;
      t->impl->ownedByApi = true;
      allocated = true;
    }
    error = t->impl->tree.Create(path, allowDuplicates != 0);
    if (!error.ok() && allocated) {
      delete t->impl;
      t->impl = nullptr;
    }
    return error.ok() ? 0 : -1;
  });
}

// Frees the tree object only when ORTree_Create allocated it; a tree that belongs to an
// edition is closed and left to its owner.
ZRT_API int ORTree_Close(ORTree* t) {
  return Guard(zrt::ThreadError(), -1, [&](Status& error) {
    if (!t || !t->impl) return zrt::Report(error, kNoTree, 0, -1);
    int rc = t->impl->tree.Close();
    if (t->impl->ownedByApi) delete t->impl;
    t->impl = nullptr;
    if (rc < 0) error = Status::IOError("the key tree could not be written back");
    return rc;
  });
}

ZRT_API int ORTree_First(ORTree* t) {
  zrt::KeyTree* tree = TreeOf(t);
  return tree ? tree->First() : -1;
}

ZRT_API int ORTree_Next(ORTree* t, ORTreeItem* item) {
  zrt::KeyTree* tree = TreeOf(t);
  return tree && item && zrt::Quiet(false, [&] { return tree->Next(item); }) ? 1 : 0;
}

ZRT_API int ORTree_Damaged(ORTree* t) {
  zrt::KeyTree* tree = TreeOf(t);
  return tree && tree->status().code() == zrt::Status::Code::Corruption ? 1 : 0;
}

ZRT_API int ORTree_Add(ORTree* t, ORTreeItem* item) {
  return Change(t, [](zrt::KeyTree& tree, const ORTreeItem* i) { return tree.Add(i); }, item);
}

ZRT_API int ORTree_AddS(ORTree* t, const char* data, const char* key) {
  if (!key || std::strlen(key) >= sizeof(ORTreeItem::key)) {
    zrt::ThreadError() = Status::InvalidArgument("a key tree key is at most 63 bytes");
    return -1;
  }
  ORTreeItem item;
  std::memset(&item, 0, sizeof item);
  if (data) std::strncpy(item.data, data, sizeof item.data - 1);
  std::strcpy(item.key, key);
  return ORTree_Add(t, &item);
}

ZRT_API int ORTree_FindORKey(ORTree* t, ORTreeItem* item) {
  zrt::KeyTree* tree = TreeOf(t);
  return tree && item && zrt::Quiet(false, [&] { return tree->FindKey(item); }) ? 1 : 0;
}

ZRT_API int ORTree_Search(ORTree* t, ORTreeItem* item) {
  zrt::KeyTree* tree = TreeOf(t);
  return tree && item && zrt::Quiet(false, [&] { return tree->Search(item); }) ? 1 : 0;
}

ZRT_API int ORTree_ReplaceORKey(ORTree* t, ORTreeItem* item) {
  return Change(t, [](zrt::KeyTree& tree, const ORTreeItem* i) { return tree.ReplaceKey(i); }, item);
}

}  // extern "C"
