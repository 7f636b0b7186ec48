// Paged key file: a disk B-tree of variable-length entries, the storage under the update
// index (".cdi"). The file layout, the page cache (shared by every key file open in the
// process), the free-page list and the page checks are the paged file's
// (btree/paged_file.h); this file keeps the entries, their order and the split and merge
// rules.
//
// Entry (length 10 + key length + 1, rounded up to a multiple of 4, at most 44):
//   0   4     child: the page of entries greater than this one; -1 in a leaf
//   4   4     record number
//   8   1     field byte
//   9   1     position byte
//   10  n+1   key text, zero-terminated, then zero padding
//
// Order: key bytes as unsigned (a prefix before its extensions), then the record number
// (signed), then the field byte, then the position byte.
//
// Besides the paged file's checks, every page read from the file has its child links
// checked against the file size, its entries against the order and its kind (leaf or
// inner) against the level, so a damaged file gives a Corruption status rather than a
// wild read. A failed read or write while modifying leaves the tree half-changed: from
// then on every call returns that first error and Close writes nothing more. A dirty page
// of this file that cannot be written back when another file takes its cache slot breaks
// this file the same way; the other file goes on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/status.h"
#include "btree/paged_file.h"
#include "index/postings.h"

namespace zrt {

inline constexpr size_t kKeyPageCapacity = kPageAreaSize;  // 1012
inline constexpr size_t kKeyMaxLength = kWordKeyLength;
inline constexpr int kKeyMaxLevels = 8;
// Entry fields.
inline constexpr size_t kKeyEntryRecordAt = 4;
inline constexpr size_t kKeyEntryFieldAt = 8;
inline constexpr size_t kKeyEntryPositionAt = 9;
inline constexpr size_t kKeyEntryKeyAt = 10;
// A page other than the root is rebalanced when it falls below this many used bytes.
inline constexpr size_t kKeyPageMinUsed = kKeyPageCapacity / 2;  // 506

struct KeyEntry {
  std::string key;  // no zero bytes, at most kKeyMaxLength
  int32_t record = 0;
  uint8_t field = 0;
  uint8_t position = 0;

  bool operator==(const KeyEntry&) const = default;
};

// An entry seen where it lies in the page cache: `key` is valid only until the next call
// on the file.
struct KeyEntryView {
  const char* key = nullptr;
  size_t keyLength = 0;
  int32_t record = 0;
  uint8_t field = 0;
  uint8_t position = 0;
};

// Bytes the entry takes inside a page.
size_t KeyEntrySize(size_t key_length);

enum class KeyFileMode {
  Unique,     // an entry equal in all four parts to a present one is not inserted again
  Duplicate,  // equal entries are kept side by side
};

class KeyFile {
public:
  // Creates (or truncates) the file and writes an empty tree.
  static Status Create(const std::string& path, KeyFileMode mode, std::unique_ptr<KeyFile>* out);
  // Opens an existing file for reading and writing.
  static Status Open(const std::string& path, KeyFileMode mode, std::unique_ptr<KeyFile>* out);

  KeyFile(const KeyFile&) = delete;
  KeyFile& operator=(const KeyFile&) = delete;
  // Closes if still open; call Close to learn whether the last writes succeeded.
  ~KeyFile();

  // Writes the header and this file's dirty cached pages, drops its cache slots and
  // closes the file. The object is closed afterwards whatever the result.
  Status Close();
  // Writes the header and this file's dirty cached pages; the file stays open.
  Status Flush(bool sync = false);

  // Adds an entry. In unique mode an equal entry already present makes it a no-op
  // (*inserted false). The key must be at most kKeyMaxLength bytes without zero bytes.
  Status Insert(const KeyEntry& entry, bool* inserted = nullptr);
  // Removes one entry equal to the given one; *removed false when there is none.
  Status Remove(const KeyEntry& entry, bool* removed = nullptr);

  // Scanning. The file has one cursor. After Insert or Remove of entry e the cursor
  // stands before the first entry not smaller than e, so that a scan can remove the
  // entries it meets and go on.
  Status First();                       // before the first entry
  Status Seek(const KeyEntry& target);  // before the first entry not smaller than target
  // Copies the entry after the cursor and steps over it; *found false at the end.
  Status Next(KeyEntry* out, bool* found);
  // The same step without copying: scans of many entries read them in place.
  Status NextView(KeyEntryView* out, bool* found);
  // NextView where it can step inside the leaf it read last, without a status; false
  // (nothing done) where NextView must be asked instead.
  bool NextInLeaf(KeyEntryView* out);
  // Steps to the first entry not smaller than (key, -1, 0, 0) and copies it out
  // (*found false when there is none). *prefix is true when its key begins with `key`.
  Status Find(std::string_view key, KeyEntry* out, bool* found, bool* prefix);

  KeyFileMode mode() const { return mode_; }
  int levels() const { return pages_.levels(); }
  const std::string& path() const { return pages_.path(); }

private:
  struct Node;
  struct Descent;
  enum class Cursor { None, Path, Pending };

  explicit KeyFile(KeyFileMode mode);

  Status CheckEntries(const unsigned char* page, int64_t self, const uint16_t* starts, uint32_t count) const;
  Status ReadPage(int32_t offset, bool leaf, const unsigned char** page);
  Status LoadNode(int32_t offset, bool leaf, Node* out);
  Status StoreNode(const Node& node);
  Status AllocatePage(int32_t* offset);
  Status FreePage(int32_t offset);
  Status Descend(const KeyEntry& target, Descent* d);
  Status InsertAt(int level, size_t pos, std::string entry);
  Status SplitAt(int level, Node node, size_t k);
  Status Rebalance(int level);
  Status DoInsert(const KeyEntry& entry, bool* inserted);
  Status DoRemove(const KeyEntry& entry, bool* removed, int depth);
  Status DescendLeftmost(int level, int32_t offset);
  Status PositionCursor();
  Status Step(const unsigned char** entry, size_t* keyLength);
  const unsigned char* StepInLeaf(size_t* keyLength);
  Status Ready() const;  // closed or broken: why not
  void SetPending(const KeyEntry& entry);
  Status Fail(Status s);

  KeyFileMode mode_;
  PagedFile pages_;

  // Cursor: page offset and position at each level from the root down. At an inner
  // level the position is the child index (0 = leftmost child); in the leaf it is the
  // index of the entry that Next returns. path_at_ is that entry's byte offset in the
  // item area, kept beside the index so that a scan steps without walking the page.
  Cursor cursor_ = Cursor::None;
  int32_t path_page_[kKeyMaxLevels] = {};
  size_t path_pos_[kKeyMaxLevels] = {};
  uint32_t path_at_[kKeyMaxLevels] = {};
  // A separator from an inner page, copied: the descent to the next leaf may take the
  // cache slot of the page it lies in.
  unsigned char upper_[kKeyEntryKeyAt + kKeyMaxLength + 4] = {};
  std::unique_ptr<KeyEntry> pending_;  // where the cursor goes after a modification
  // The cursor's leaf as the last step found it, and the cache epoch it was found in.
  const unsigned char* leafPage_ = nullptr;
  int32_t leafOffset_ = 0;
  uint64_t leafEpoch_ = 0;
};

}  // namespace zrt
