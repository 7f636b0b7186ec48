// Ordered key tree: a disk B-tree of variable-length items kept in ascending key order
// in a file of 1024-byte pages. An edition's table of contents (".cdj") is such a file,
// and the select engine builds temporary trees of it for ordering and grouping.
//
// The file layout, the page cache (one per tree), the free-page list and the page
// checks are the paged file's (btree/paged_file.h); this file keeps the items, their
// order and the insertion rules.
//
// Item (the layout is a parameter of the tree):
//   0-3     child: page holding the keys between this item and the next; -1 in a leaf
//   4-      payload: full items 256 bytes of NUL-terminated data text, compact items a
//           32-bit value
//   key     NUL-terminated key text of at most 63 bytes, then 0-3 zero bytes so that
//           the item size is a multiple of 4
//
// A free page holds the offset of the next free page in its first 4 bytes. Free pages
// are taken by splits but never given back.
//
// Keys compare as unsigned bytes up to their NUL (a prefix sorts first). Item buffers
// passed in and out hold the item exactly as it lies in the file.
//
// Every file is untrusted: a page is checked when it is read (own offset, used, item
// bounds, key NUL within 64 bytes), children are checked before they are followed,
// and walks stop at the height recorded in the head (at most 10 levels). A damaged tree
// ends a walk early; it never reads outside a page or the file. status() tells why the
// last call failed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/status.h"
#include "btree/paged_file.h"

namespace zrt {

// Where an item's key starts, and the size of the buffers that carry items in and out
// (the largest item: key offset + 63 key bytes + NUL).
struct ItemLayout {
  uint32_t keyOffset;
  uint32_t bufferSize;
  bool dataText;  // bytes 4 up to the key are a NUL-terminated text

  // Table of contents and the exported functions: child, 256-byte data text, key.
  static constexpr ItemLayout Full() { return {260, 324, true}; }
  // Select engine: child, 32-bit value, key.
  static constexpr ItemLayout Compact() { return {8, 72, false}; }
};

class KeyTree {
 public:
  static constexpr uint32_t kMaxKeyLength = 63;
  static constexpr int kMaxLevels = 10;  // cursor depth, hence tree height
  static constexpr uint32_t kMaxItemSize = 324;  // largest item of any layout

  explicit KeyTree(ItemLayout layout);
  ~KeyTree();  // closes the tree, writing the root back
  KeyTree(const KeyTree&) = delete;
  KeyTree& operator=(const KeyTree&) = delete;

  // Creates or truncates the file and writes an empty tree; the cursor is before the
  // first item. A tree that is open is closed first.
  Status Create(const std::string& path, bool allowDuplicates);
  // Opens an existing tree read-only (the table of contents). Fails when the file cannot
  // be opened or its head is damaged (short file, bad root, height outside 1-10).
  Status OpenForReading(const std::string& path);
  // Writes the root with the header words and the dirty cached pages, then closes the
  // file. 0 on success; -1 when a write failed or the tree was not open.
  int Close();

  bool IsOpen() const { return pages_.IsOpen(); }
  int height() const { return pages_.levels(); }
  const ItemLayout& layout() const { return layout_; }
  // Why the last failing call failed (a damaged page, a failed read or write).
  const Status& status() const { return status_; }

  // Positions the cursor before the first item. 0, or -1 when the tree is not open.
  int First();
  // Advances to the next item in key order and copies it into `item`; false after the
  // last item (and on every later call), or when the walk meets a damaged page.
  bool Next(void* item);
  // Inserts a copy of `item` with its child set to -1 and leaves the cursor on it.
  // 1 when inserted; 0 when the key exists and duplicates are not allowed; -1 when the
  // item is refused: key over 63 bytes, tree not open or read-only, the tree would grow
  // past 10 levels, a damaged page or a failed write.
  int Add(const void* item);
  // Looks up the key of `item`; on an equal key copies that whole item into `item`,
  // leaves the cursor on it and returns true. Otherwise `item` is untouched.
  bool FindKey(void* item);
  // Positions as FindKey, then Next into `item`; true when that item's key begins with
  // the probe key. A probe equal to a stored key therefore yields the item after it.
  bool Search(void* item);
  // Replaces the item under the cursor by `item`, which inherits the old item's child
  // and takes its place without a new search (the caller keeps the key order). 1 on
  // success; -1 as for Add, or when the cursor is not on an item.
  int ReplaceKey(const void* item);

 private:
  struct Level {
    int64_t page = 0;  // offset of the page on the path
    int32_t pos = -1;  // byte offset of the current item in the item area, -1 before the first
  };
  struct Span {  // an item found in a page
    uint32_t start;
    uint32_t size;
  };

  Status Opened(Status s, bool allowDuplicates);
  bool LayoutUsable() const;
  bool FindMiddle(const unsigned char* page, Span* middle) const;
  bool PlaceAt(const unsigned char* page, int32_t pos, uint32_t* place) const;
  void Reset();
  bool ItemAt(const unsigned char* page, int32_t pos, Span* out) const;
  unsigned char* PageAt(int level);
  unsigned char* Fetch(int64_t offset);
  void MarkDirty(int level);
  bool WritePage(int64_t offset, const unsigned char* page);
  bool TakePage(int64_t* offset);
  int64_t ChildOf(const unsigned char* page, int32_t pos) const;
  bool Descend(const unsigned char* key, bool stopOnEqual, bool* metEqual);
  bool SetEnd();
  bool Damaged();  // a walk that cannot go on: the end, with status() saying why
  bool CopyItem(const unsigned char* page, int32_t pos, void* item) const;
  int PrepareItem(const void* item, unsigned char* out, uint32_t* size) const;
  bool KeyOf(const void* item, const unsigned char** key) const;
  bool CopyProbe(const void* item, unsigned char* probe) const;
  bool WouldExceedHeight(int level, uint32_t itemSize);
  int Insert(int level, const unsigned char* item, uint32_t size);
  uint64_t StepLimit() const;
  bool Note(const Status& s);  // keeps the reason of a failure; s.ok()
  int Fail();

  ItemLayout layout_;
  PageCache cache_;  // before pages_, which drops its slots when it goes
  PagedFile pages_;
  bool allowDuplicates_ = false;
  Status status_;

  std::array<Level, kMaxLevels> path_{};
  int level_ = 0;       // current level of the cursor
  bool atEnd_ = false;  // the cursor ran past the last item
  uint64_t steps_ = 0;  // items stepped over since the cursor was placed
};

}  // namespace zrt

// The object behind an exported `ORTree` handle: a tree of full items. The edition holds
// one for its table of contents; ORTree_Create allocates one when the handle has none.
struct ZrtKeyTree {
  zrt::KeyTree tree{zrt::ItemLayout::Full()};
  bool ownedByApi = false;  // allocated by ORTree_Create, so ORTree_Close frees it
};
