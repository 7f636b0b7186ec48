// Paged file: the frame under both disk B-trees of the engine, the update index's key
// file (".cdi") and the ordered key tree (tables of contents ".cdj", the select engine's
// temporary trees). It owns the file, the head (the resident root page, the free-list
// head, the level count), page allocation and the free-page list, the page cache and the
// checks every page read from the file passes. Each tree lays out its own items, keeps
// its own order and its own split and merge rules.
//
// File layout (all integers 32-bit little-endian; -1 means none):
//   0     1024  root page (its own offset is 0)
//   1024  4     head of the free-page list
//   1028  4     number of page levels (1 while the root is a leaf)
//   1032  1024  further pages, each identified by its own file offset
//
// Page:
//   0-3     the page's own offset; on a free page the next free page
//   4-7     used bytes of the item area (0-1012)
//   8-11    leftmost child (items smaller than the first one); -1 in a leaf; -2 on a
//           page a key file has freed
//   12-1023 item area: items packed in ascending order; bytes past `used` are zero
//
// Item: 0-3 child (the page of the items after this one; -1 in a leaf), a fixed part
// of the tree's own, the key, NUL-terminated, then zero bytes up to a multiple of 4.
//
// Errors: a failed read, or a page that fails its checks, is reported to the caller
// and changes nothing. A failed write breaks the file: from then on nothing more of it
// is written (Close reports the first failure), so a half-changed tree never reaches
// the disk in pieces. A tree may also break the file itself when a change stops half-way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

#include "base/file.h"
#include "base/status.h"

namespace zrt {

inline constexpr uint32_t kPageSize = 1024;
inline constexpr uint32_t kPageSelfAt = 0;
inline constexpr uint32_t kPageUsedAt = 4;
inline constexpr uint32_t kPageLeftmostAt = 8;
inline constexpr uint32_t kPageHeaderSize = 12;  // where the item area starts
inline constexpr uint32_t kPageAreaSize = kPageSize - kPageHeaderSize;  // 1012
inline constexpr uint32_t kHeadFreeAt = kPageSize;                      // 1024
inline constexpr uint32_t kHeadLevelsAt = kPageSize + 4;                // 1028
inline constexpr uint32_t kHeadSize = kPageSize + 8;                    // 1032
inline constexpr int32_t kNoPage = -1;
inline constexpr int32_t kFreePageMark = -2;
inline constexpr int kPageCacheSlots = 8;

// How a tree lays its items into the page area.
struct PageFormat {
  uint32_t keyAt;          // where an item's key starts
  uint32_t maxKeyLength;   // longest key, without its NUL
  int maxLevels;           // deepest tree the cursor can follow
  bool marksFreePages;     // a free page must carry kFreePageMark to be taken again
};

inline uint32_t RoundUp4(uint32_t n) { return (n + 3u) & ~3u; }

// The size of the item that starts at byte `at` of the page's item area, after checking
// that its key ends within the used bytes and the key limit; false when it does not.
bool ItemExtent(const unsigned char* page, uint32_t at, const PageFormat& format, uint32_t* size);
// The same, with the length of the item's key (without its NUL) as well.
bool ItemExtent(const unsigned char* page, uint32_t at, const PageFormat& format, uint32_t* size,
                uint32_t* keyLength);

// Most items a page area can hold: every item takes a multiple of 4 bytes.
inline constexpr uint32_t kMaxPageItems = kPageAreaSize / 4;

class PagedFile;

// Eight page slots reused in cyclic order: a miss takes the slot after the one used
// last, writing its page back first when it is dirty. The key files of the process
// share one cache; every key tree has its own.
class PageCache {
 public:
  static PageCache* Shared();

 private:
  friend class PagedFile;
  struct Slot {
    PagedFile* owner = nullptr;  // nullptr: the slot is empty
    int64_t offset = -1;
    bool dirty = false;
    bool checked = false;  // the image passed the page checks or was built in memory
    std::array<unsigned char, kPageSize> data{};
  };
  std::array<Slot, kPageCacheSlots> slots_{};
  int last_ = kPageCacheSlots - 1;
  // Counts the times a slot was given to another page or dropped: while it stays the
  // same, a page pointer taken from the cache still shows that page.
  uint64_t epoch_ = 0;
};

class PagedFile {
 public:
  // Further checks of a tree's own on every page read from the file (children, order),
  // given where each item starts (their extents have been checked).
  using ItemCheck =
      std::function<Status(const unsigned char* page, int64_t self, const uint16_t* starts, uint32_t count)>;

  PagedFile(PageFormat format, PageCache* cache, ItemCheck check = nullptr);
  ~PagedFile();  // closes the file, writing back what Close would
  PagedFile(const PagedFile&) = delete;
  PagedFile& operator=(const PagedFile&) = delete;

  // Creates or truncates the file and writes an empty head: a root leaf without items,
  // no free page, one level.
  Status Create(const std::string& path);
  // Opens an existing file and checks its head and root.
  Status Open(const std::string& path, bool writable);
  // Writes this file's dirty pages, then the head when it changed.
  Status Flush();
  Status Sync();
  // Flushes a writable file that is not broken, drops its cache slots and closes it;
  // the first failure since the file was opened, if any.
  Status Close();

  bool IsOpen() const { return file_ != nullptr; }
  bool writable() const { return writable_; }
  const PageFormat& format() const { return format_; }
  const std::string& path() const { return path_; }
  int64_t fileEnd() const { return fileEnd_; }

  // The head. The root page never leaves memory; it reaches the file with the head.
  unsigned char* root() { return root_.data(); }
  void HeadChanged() { headDirty_ = true; }
  int levels() const { return levels_; }
  void SetLevels(int levels) {
    levels_ = levels;
    headDirty_ = true;
  }

  // A page below the root, read through the cache and checked the first time it is
  // read; valid until the next page call.
  Status Load(int64_t offset, unsigned char** page);
  // The cache image of a page the caller fills completely; marked dirty.
  Status Fresh(int64_t offset, unsigned char** page);
  void MarkDirty(int64_t offset);
  // Writes a whole page at once (and into its cache image, if it has one).
  Status WriteNow(int64_t offset, const unsigned char* page);
  // A page for new items: the head of the free list, or a new one at the end of the file.
  // Never takes a cache slot, so page pointers held by the caller stay valid.
  Status Allocate(int64_t* offset);
  // Puts a page on the free list.
  Status Free(int64_t offset);

  // A page offset that lies on the page grid within the file.
  bool ValidPage(int64_t offset) const;
  Status Corrupt(int64_t page, const std::string& what) const;

  // See PageCache::epoch_.
  uint64_t cacheEpoch() const { return cache_->epoch_; }

  const Status& broken() const { return broken_; }
  // Breaks the file with its first failure; returns `s`.
  Status Break(Status s);

 private:
  Status CheckPage(const unsigned char* page, int64_t self) const;
  Status TakeSlot(int64_t offset, bool load, PageCache::Slot** out);
  Status WriteSlot(PageCache::Slot& slot);
  Status WriteHead();
  void Reset();

  PageFormat format_;
  PageCache* cache_;
  ItemCheck check_;
  std::string path_;
  std::unique_ptr<File> file_;
  bool writable_ = false;
  std::array<unsigned char, kPageSize> root_{};
  int64_t freeHead_ = kNoPage;
  int levels_ = 1;
  int64_t fileEnd_ = kHeadSize;  // where the next page beyond the file goes
  bool headDirty_ = false;
  Status broken_;
  std::unordered_set<int64_t> taken_;  // free pages taken: a list with a cycle is refused
};

}  // namespace zrt
