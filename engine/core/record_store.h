// The record store of an edition: its description (".cdo"), record index (".cdx"),
// record data (".cdb") and optional table of contents (".cdj"), with one current record.
//
// ".cdx": "ASDX", record count (u32) at 4, then at 4 + 4n the offset of record n in
//         ".cdb", counted from the end of its magic (the record starts at offset + 4).
// ".cdb": "ASDB", then records: a header byte (bits 0-6 entry count, bit 7 the record
//         flag), entries of 5 bytes (source field number u8, text offset u16, stored
//         length u16 including the text's NUL), then the text area (at most 10,000
//         bytes) holding the zero-terminated code page 866 texts.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/file.h"
#include "base/status.h"
#include "core/description.h"
#include "core/descriptor.h"
#include "btree/key_tree.h"

namespace zrt {

inline constexpr char kRecordIndexMagic[] = "ASDX";
inline constexpr char kRecordDataMagic[] = "ASDB";
inline constexpr size_t kRecordCountAt = 4;
inline constexpr size_t kRecordIndexHeaderSize = 8;
// Where the ".cdx" word that locates record n lies (record 1 right after the header).
inline constexpr uint64_t RecordIndexSlot(uint32_t n) { return kRecordCountAt + 4ULL * n; }

class RecordStore : public FieldSource {
public:
  static constexpr size_t kRecordBufferSize = 10000;
  static constexpr size_t kMaxEntries = 127;

  struct Entry {
    uint8_t field;    // source field number
    uint16_t length;  // text length without its NUL
    const char* text; // in the record buffer, Windows-1251
  };

  RecordStore();
  ~RecordStore() override;

  // Opens the four files named by storeName (+ suffix) and reads record 1.
  Status Open(const std::string& storeName, const char* suffix);
  void Close();
  bool isOpen() const { return index_ != nullptr; }

  int32_t recordCount() const { return recordCount_; }
  int32_t currentRecord() const { return currentRecord_; }
  // Reads record n into the record buffer and finds its multimedia files (unless a pass
  // that reads only field texts says not to). On an empty store any n succeeds and
  // changes nothing.
  Status GotoRecord(int32_t n, bool findMedia = true);

  const std::vector<Entry>& entries() const { return entries_; }
  uint8_t recordFlag() const { return recordFlag_; }

  // --- field list -------------------------------------------------------------------
  const EditionDescription& description() const { return description_; }
  int fieldCount() const { return static_cast<int>(description_.fields.size()); }
  // Source field number of the first field named `name` (any case); 0 when none.
  uint8_t SrcNoByField(const char* name) const;
  // The field-list position (1-based) behind source field number n, 0 when none.
  int PositionOfSrcNo(int n) const;
  const SourceField* FieldBySrcNo(int n) const;
  // Index group of source field n; 0 when there is no such field.
  uint16_t IndexGroup(int n) const;
  // Text of the current record's first entry for source field n; "" when absent.
  const char* DataBySrcNo(uint8_t n) const;

  // FieldSource, for the descriptor.
  uint8_t SourceFieldByName(const char* name) const override { return SrcNoByField(name); }
  const char* SourceFieldText(uint8_t n) const override { return DataBySrcNo(n); }

  // --- multimedia of the current record -----------------------------------------------
  const std::string& soundPath() const { return soundPath_; }
  const std::string& videoPath() const { return videoPath_; }
  const std::string& picturePath() const { return picturePath_; }
  int32_t pictureCount() const { return pictureCount_; }
  bool numberedPictures() const { return numberedPictures_; }

  // --- writing (fails on a read-only store) -------------------------------------------
  // Field texts of one document (Windows-1251), indexed by source field number - 1;
  // empty texts are not stored.
  using Texts = std::vector<std::string>;
  // Appends a record after the last one and makes it current (without looking for its
  // multimedia files, which only a move to a record does). The count in ".cdx" is not
  // changed until CommitCount, so an uncommitted record is gone after a reopen.
  Status Append(const Texts& texts);
  // Rewrites the current record in place, keeping its number and record flag; a longer
  // record goes to the end of ".cdb" and *abandoned receives the bytes left behind.
  Status RewriteCurrent(const Texts& texts, uint32_t* abandoned);
  Status CommitCount();
  // Forgets the records appended since the last commit (their bytes stay as waste).
  void DropUncommitted() { recordCount_ = committedCount_; }
  // Reads the committed count again: another process may have appended records.
  Status ReloadCount();
  // The count that ".cdx" holds: records past it vanish at the next open.
  int32_t committedCount() const { return committedCount_; }
  // Reads record n's raw bytes (header, entries, text area) as stored, for compaction.
  Status ReadRaw(int32_t n, std::string* bytes);
  File* dataFile() const { return data_.get(); }
  File* indexFile() const { return index_.get(); }

  const std::string& dataPath() const { return dataPath_; }
  bool readOnly() const { return readOnly_; }
  // The table of contents, or null when the edition has none.
  ZrtKeyTree* contents() const { return contents_.get(); }

private:
  // Reads record n into the buffer; a move to a record also finds its media files, a
  // record just written need not (a load would test dozens of names per document).
  Status ReadRecord(int32_t n, bool findMedia = true);
  Status Locate(int32_t n, uint64_t* at, size_t* size);
  void FindMultimedia();

  EditionDescription description_;
  std::unique_ptr<File> index_;  // ".cdx"
  std::unique_ptr<File> data_;   // ".cdb"
  std::string dataPath_;
  bool readOnly_ = false;
  int32_t recordCount_ = -1;
  int32_t committedCount_ = -1;
  int32_t currentRecord_ = -1;

  uint8_t recordFlag_ = 0;
  std::vector<Entry> entries_;
  std::array<char, kRecordBufferSize + 1> buffer_{};

  std::string soundPath_, videoPath_, picturePath_;
  int32_t pictureCount_ = 0;
  bool numberedPictures_ = false;

  std::unique_ptr<ZrtKeyTree> contents_;
};

// A record as it is stored in ".cdb": header byte, entries, code page 866 texts. Fails
// when the record would not fit the reader's limits (127 entries, 10,000-byte text area).
Status EncodeRecord(const RecordStore::Texts& texts, uint8_t flag, std::string* out);

// Browsing without a query: up to `max` record numbers of an edition of `count` records
// after `from` (forward), or the `max` numbers before it, in ascending order. Returns how
// many were written.
int32_t BrowseRecordNumbers(int32_t count, int32_t from, bool forward, int32_t* out, int32_t max);

// The relative media name of a document identifier: Cyrillic capitals transliterated,
// "-" and "." to "/", ASCII lower case, "orvant/" removed, cut before "/(".
std::string MediaRelativeName(const std::string& identifier);

}  // namespace zrt
