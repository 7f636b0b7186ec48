// The update index: the words of documents added or changed since the last pack.
//   ".cdl" record set: "ASDL", total entry count u32, item count u32, waste counter u32,
//          then 6-byte items ordered by record: record u32, a zero byte, entry count u8
//          (modulo 256). A count of 0 marks a record whose words were withdrawn.
//   ".cdi" paged key file of entries (word key, record, field byte, position byte).
// Nothing is opened until first use; Close writes ".cdl" anew, or deletes both files
// when the set has no items.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/status.h"
#include "index/postings.h"
#include "index/record_bitmap.h"

namespace zrt {

inline constexpr char kUpdateListMagic[] = "ASDL";
inline constexpr size_t kUpdateListTotalAt = 4;
inline constexpr size_t kUpdateListCountAt = 8;
inline constexpr size_t kUpdateListWasteAt = 12;
inline constexpr size_t kUpdateListHeaderSize = 16;
inline constexpr size_t kUpdateListItemSize = 6;
inline constexpr size_t kUpdateListItemCountAt = 5;  // after the record and the zero byte

class KeyFile;

class UpdateIndex {
public:
  struct Item {
    uint32_t record;
    uint8_t entries;  // 0: withdrawn
  };

  UpdateIndex();
  ~UpdateIndex();

  // Remembers the ".cdl" name of the store; nothing is opened.
  void Attach(const std::string& storeName);
  // Opens on first use. Without ".cdl" it fails unless `create`.
  Status Open(bool create);
  bool isOpen() const;
  // True when the edition has an update index on disk or open.
  bool Exists() const;

  // word: Windows-1251 as the scanner returns it; upper-cased, cut to 30 bytes and
  // converted to the key's code page here.
  Status AddOccurrence(const char* word, uint32_t record, uint8_t field, uint8_t position);
  Status WithdrawRecord(uint32_t record);
  Status DeleteRecords(uint32_t first, uint32_t last);

  // Appends to *out the occurrences of every entry whose key matches `term` (Windows-1251
  // query text) by the same rules as the static dictionary: exact, prefix with the cut
  // character, "?", a cut character with a digit, a cut character inside the term, auto
  // cut. With `runs`, the appended occurrences come as runs each ordered by record,
  // field and position (one per key at most), and the offset in *out where each begins
  // is pushed to *runs; without, they are sorted as a whole. `found` is false when no
  // key matched.
  Status Lookup(const char* term, std::vector<Occurrence>* out, bool* found,
                std::vector<size_t>* runs = nullptr);
  // Dictionary-listing rows of the keys matching `root` (same rules), one per distinct
  // word, whose field byte is in `groupMask`; at most 1250 rows.
  Status List(const char* root, uint32_t groupMask, std::vector<DictionaryRow>* rows);
  // Records whose static-index occurrences no longer count (every record in the set).
  std::vector<uint32_t> ChangedRecords() const;
  // The same records as a bitmap, made again after the set changes.
  const RecordBitmap& Changed();
  const std::vector<Item>& items() const { return items_; }
  uint32_t totalEntries() const { return total_; }
  uint32_t waste() const { return waste_; }
  void SetWaste(uint32_t waste) {
    dirty_ |= waste != waste_;
    waste_ = waste;
  }

  // Sequential scan of all entries in key order, for packing.
  Status ScanFirst();
  // False at the end, or on a damaged page (scanStatus() then says why); key is the
  // 30-byte-at-most OEM key text.
  bool ScanNext(std::string* key, Occurrence* occurrence);
  const Status& scanStatus() const { return scanStatus_; }

  // Only records 1 to `count` are found by Lookup and List: words of records that a
  // writer has appended but not committed, or that a crash left behind, stay unseen.
  void SetVisibleRecords(uint32_t count) { visibleRecords_ = count; }
  bool Visible(int32_t record) const {
    return record >= 1 && static_cast<uint32_t>(record) <= visibleRecords_;
  }

  // Forgets every item (packing has moved them into the static index), so that Close
  // deletes both files.
  void Clear();
  // Writes the key file's changed pages and ".cdl", both synced, and keeps the index
  // open; a commit of the edition's changes.
  Status Flush();
  // Writes ".cdl" (or deletes both files when empty) and closes ".cdi". When writing
  // fails the index stays open with its set in memory.
  Status Close();
  // Closes without writing anything (a reader whose view is out of date).
  void Drop();

  const std::string& listPath() const { return listPath_; }
  std::string keyPath() const;

private:
  Status WriteList();

  std::string listPath_;
  std::unique_ptr<KeyFile> keys_;
  std::vector<Item> items_;  // ordered by record
  RecordBitmap changed_;     // the records of items_ when changedValid_
  bool changedValid_ = false;
  uint32_t total_ = 0;
  uint32_t waste_ = 0;
  bool open_ = false;
  uint32_t visibleRecords_ = 0xFFFFFFFFu;
  Status scanStatus_;
  bool dirty_ = false;  // the set differs from ".cdl"; an unchanged set is not rewritten
};

}  // namespace zrt
