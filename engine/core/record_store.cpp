#include "core/record_store.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"
#include "base/names.h"
#include "text/charset.h"

namespace zrt {
namespace {

// Latin spelling of the Windows-1251 capitals А..Я (0xC0..0xDF) in media names.
const char* const kTranslit[32] = {"A",  "B",  "V",  "G",  "D",  "JE", "ZH", "Z",
                                   "I",  "J",  "K",  "L",  "M",  "N",  "O",  "P",
                                   "R",  "S",  "T",  "U",  "F",  "KH", "TS", "TH",
                                   "SH", "SZ", "YI", "Y",  "JI", "E",  "YU", "YA"};

const char* const kSoundExt[] = {".wav", ".mid"};
const char* const kVideoExt[] = {".avi", ".mov"};
const char* const kPictureExt[] = {".jpg", ".jpeg", ".png", ".gif", ".pcx"};

template <size_t N>
std::string FirstExisting(const std::string& base, const char* const (&exts)[N]) {
  for (const char* ext : exts)
    if (Env::Current()->Exists(base + ext)) return base + ext;
  return {};
}

}  // namespace

std::string MediaRelativeName(const std::string& identifier) {
  std::string name;
  for (unsigned char c : identifier) {
    if (name.size() >= 31) break;
    if (c >= 0xC0 && c <= 0xDF)
      name += kTranslit[c - 0xC0];
    else if (c == '-' || c == '.')
      name += '/';
    else
      name += static_cast<char>(c);
  }
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  size_t at = name.find("orvant");
  if (at != std::string::npos) {
    size_t len = 6;
    if (at + 6 < name.size() && name[at + 6] == '/') ++len;
    name.erase(at, len);
  }
  size_t paren = name.find('(', 1);
  if (paren != std::string::npos && name[paren - 1] == '/') name.erase(paren - 1);
  return name;
}

RecordStore::RecordStore() = default;
RecordStore::~RecordStore() { Close(); }

Status RecordStore::Open(const std::string& storeName, const char* suffix) {
  Close();
  Env* env = Env::Current();
  Status s = ReadDescription(EditionFileName(storeName, suffix, ".cdo"), &description_);
  if (!s.ok()) return s;

  std::string indexPath = EditionFileName(storeName, suffix, ".cdx");
  dataPath_ = EditionFileName(storeName, suffix, ".cdb");
  readOnly_ = !env->Writable(dataPath_);
  OpenMode mode = readOnly_ ? OpenMode::Read : OpenMode::ReadWrite;

  Status why;
  auto index = env->Open(indexPath, mode, &why);
  if (!index) return Status::NotFound(why.message());
  unsigned char head[kRecordIndexHeaderSize];
  if (!index->ReadExact(0, head, sizeof head) || !HasMagic(head, kRecordIndexMagic))
    return Status::Corruption(indexPath + ": not a record index (no \"ASDX\")");
  uint32_t count = GetU32(head + kRecordCountAt);
  long long indexSize = index->Size();
  // A count the index cannot hold would make every later walk over the records fail or
  // allocate for records that do not exist.
  if (count > 0x7FFFFFFEu || indexSize < static_cast<long long>(RecordIndexSlot(count + 1)))
    return Status::Corruption(indexPath + ": record count " + std::to_string(count) +
                              " does not fit the file");

  auto data = env->Open(dataPath_, mode, &why);
  if (!data) return Status::NotFound(why.message());
  char magic[kMagicSize];
  if (!data->ReadExact(0, magic, kMagicSize) || !HasMagic(magic, kRecordDataMagic))
    return Status::Corruption(dataPath_ + ": not a record data file (no \"ASDB\")");

  index_ = std::move(index);
  data_ = std::move(data);
  recordCount_ = static_cast<int32_t>(count);
  committedCount_ = recordCount_;
  currentRecord_ = -1;
  if (recordCount_ > 0) {
    s = ReadRecord(1);
    if (!s.ok()) {
      Close();
      return s;
    }
  }

  // The table of contents is optional, but one that is there and cannot be read is an
  // error: an edition that silently lost it would look whole.
  const std::string contentsPath = EditionFileName(storeName, suffix, ".cdj");
  if (Env::Current()->Exists(contentsPath)) {
    auto contents = std::make_unique<ZrtKeyTree>();
    s = contents->tree.OpenForReading(contentsPath);
    if (!s.ok()) {
      Close();
      return s.message().find(contentsPath) == std::string::npos ? s.WithContext(contentsPath) : s;
    }
    contents_ = std::move(contents);
  }
  return Status::Ok();
}

void RecordStore::Close() {
  index_.reset();
  data_.reset();
  recordCount_ = -1;
  committedCount_ = -1;
  currentRecord_ = -1;
  entries_.clear();
  recordFlag_ = 0;
  soundPath_.clear();
  videoPath_.clear();
  picturePath_.clear();
  pictureCount_ = 0;
  if (contents_) {
    contents_->tree.Close();
    contents_.reset();
  }
}

Status RecordStore::GotoRecord(int32_t n, bool findMedia) {
  if (!isOpen()) return Status::InvalidArgument("the edition is not open");
  if (recordCount_ == 0) return Status::Ok();
  if (n < 1 || n > recordCount_)
    return Status::InvalidArgument("record " + std::to_string(n) + " is outside 1.." +
                                   std::to_string(recordCount_));
  return ReadRecord(n, findMedia);
}

Status RecordStore::ReadRecord(int32_t n, bool findMedia) {
  soundPath_.clear();
  videoPath_.clear();
  picturePath_.clear();
  pictureCount_ = 0;

  const std::string where = "record " + std::to_string(n) + ": ";
  unsigned char word[4];
  if (!index_->ReadExact(RecordIndexSlot(static_cast<uint32_t>(n)), word, 4))
    return Status::Corruption(where + "its index entry cannot be read");
  uint64_t at = kMagicSize + GetU32(word);

  unsigned char header;
  if (!data_->ReadExact(at, &header, 1)) return Status::Corruption(where + "short read");
  size_t count = header & 0x7F;
  unsigned char table[kMaxEntries * 5];
  if (count && !data_->ReadExact(at + 1, table, count * 5))
    return Status::Corruption(where + "short read of its field entries");

  // Every entry must lie inside the text area, and the area inside the buffer.
  size_t area = 0;
  if (count) {
    const unsigned char* last = table + (count - 1) * 5;
    area = GetU16(last + 1) + static_cast<size_t>(GetU16(last + 3));
  }
  if (area > kRecordBufferSize)
    return Status::Corruption(where + "text area of " + std::to_string(area) +
                              " bytes exceeds the record buffer");
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* e = table + i * 5;
    size_t offset = GetU16(e + 1), stored = GetU16(e + 3);
    if (stored == 0 || offset + stored > area)
      return Status::Corruption(where + "a field entry points outside its text area");
  }
  if (area && !data_->ReadExact(at + 1 + count * 5, buffer_.data(), area))
    return Status::Corruption(where + "short read of its text area");

  entries_.clear();
  recordFlag_ = header & 0x80;
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* e = table + i * 5;
    size_t offset = GetU16(e + 1), stored = GetU16(e + 3);
    char* text = buffer_.data() + offset;
    text[stored - 1] = '\0';  // a damaged terminator must not let a reader run on
    OemToAnsi(text);
    entries_.push_back({e[0], static_cast<uint16_t>(strlen(text)), text});
  }
  currentRecord_ = n;
  if (findMedia) FindMultimedia();
  return Status::Ok();
}

void RecordStore::FindMultimedia() {
  auto textOf = [&](const char* name) -> const char* {
    uint8_t no = SrcNoByField(name);
    if (!no) return nullptr;
    for (const Entry& e : entries_)
      if (e.field == no && e.text[0]) return e.text;
    return nullptr;
  };
  const char* id = textOf("ID");
  const char* na = textOf("NA");
  const char* cb = textOf("CB");
  std::string identifier;
  if (id) {
    identifier = id;
  } else {
    if (!na || !cb) return;
    identifier = cb;
    size_t dash = identifier.find('-');
    if (dash != std::string::npos) identifier = identifier.substr(0, dash + 1) + na;
  }

  std::string dir = dataPath_;
  size_t dot = dir.rfind('.');
  if (dot == std::string::npos) return;
  dir.erase(dot);
  dir += '/';
  const std::string base = dir + MediaRelativeName(identifier);

  soundPath_ = FirstExisting(base, kSoundExt);
  videoPath_ = FirstExisting(base, kVideoExt);
  Env* env = Env::Current();
  for (const char* ext : kPictureExt) {
    std::string name = base + ext;
    if (env->Exists(name)) {
      pictureCount_ = 1;
      picturePath_ = name;
      return;
    }
    int numbered = 0;
    for (char digit = '1'; digit <= '9'; ++digit) {
      if (!env->Exists(name + '.' + digit)) break;
      ++numbered;
    }
    if (numbered) {
      pictureCount_ = numbered;
      picturePath_ = name;
      return;
    }
  }
}

Status EncodeRecord(const RecordStore::Texts& texts, uint8_t flag, std::string* out) {
  std::string entries, area;
  size_t count = 0;
  for (size_t i = 0; i < texts.size() && i < 255; ++i) {
    if (texts[i].empty()) continue;
    if (++count > RecordStore::kMaxEntries)
      return Status::Limit("a record holds at most 127 fields");
    size_t stored = texts[i].size() + 1;
    if (area.size() + stored > RecordStore::kRecordBufferSize)
      return Status::Limit("a record's texts take at most 10000 bytes");
    unsigned char entry[5];
    entry[0] = static_cast<unsigned char>(i + 1);
    PutU16(entry + 1, static_cast<uint16_t>(area.size()));
    PutU16(entry + 3, static_cast<uint16_t>(stored));
    entries.append(reinterpret_cast<char*>(entry), 5);
    area += AnsiToStoredOem(texts[i]);
    area += '\0';
  }
  out->clear();
  *out += static_cast<char>((flag & 0x80) | count);
  *out += entries;
  *out += area;
  return Status::Ok();
}

Status RecordStore::Locate(int32_t n, uint64_t* at, size_t* size) {
  unsigned char word[4];
  if (!index_->ReadExact(RecordIndexSlot(static_cast<uint32_t>(n)), word, 4))
    return Status::Corruption("record " + std::to_string(n) + ": its index entry cannot be read");
  *at = kMagicSize + GetU32(word);
  unsigned char header;
  if (!data_->ReadExact(*at, &header, 1)) return Status::Corruption("short read");
  size_t count = header & 0x7F;
  unsigned char table[kMaxEntries * 5];
  if (count && !data_->ReadExact(*at + 1, table, count * 5)) return Status::Corruption("short read");
  size_t area = count ? GetU16(table + (count - 1) * 5 + 1) + size_t{GetU16(table + (count - 1) * 5 + 3)} : 0;
  *size = 1 + count * 5 + area;
  return Status::Ok();
}

Status RecordStore::ReadRaw(int32_t n, std::string* bytes) {
  if (!isOpen() || n < 1 || n > recordCount_) return Status::InvalidArgument("no such record");
  uint64_t at;
  size_t size;
  Status s = Locate(n, &at, &size);
  if (!s.ok()) return s;
  if (size > 1 + kMaxEntries * 5 + kRecordBufferSize) return Status::Corruption("record too large");
  bytes->assign(size, '\0');
  if (!data_->ReadExact(at, bytes->data(), size)) return Status::Corruption("short read");
  return Status::Ok();
}

Status RecordStore::Append(const Texts& texts) {
  if (!isOpen()) return Status::InvalidArgument("the edition is not open");
  if (readOnly_) return Status::ReadOnly(dataPath_ + ": read-only");
  std::string record;
  Status s = EncodeRecord(texts, 0, &record);
  if (!s.ok()) return s;
  long long end = data_->Size();
  if (end < static_cast<long long>(kMagicSize) || end - kMagicSize > 0xFFFFFFFFLL)
    return Status::Limit(dataPath_ + ": the data file is full");
  unsigned char offset[4];
  PutU32(offset, static_cast<uint32_t>(end - kMagicSize));
  // Data first, then its index entry: a crash in between leaves only unreferenced bytes.
  if (!data_->WriteAt(static_cast<uint64_t>(end), record.data(), record.size()) ||
      !index_->WriteAt(RecordIndexSlot(static_cast<uint32_t>(recordCount_) + 1), offset, 4))
    return Status::IOError(dataPath_ + ": write failed");
  ++recordCount_;
  return ReadRecord(recordCount_, false);
}

Status RecordStore::RewriteCurrent(const Texts& texts, uint32_t* abandoned) {
  *abandoned = 0;
  if (!isOpen()) return Status::InvalidArgument("the edition is not open");
  if (readOnly_) return Status::ReadOnly(dataPath_ + ": read-only");
  int32_t n = currentRecord_;
  if (n < 1 || n > recordCount_) return Status::InvalidArgument("no current record");
  uint64_t at;
  size_t oldSize;
  Status s = Locate(n, &at, &oldSize);
  if (!s.ok()) return s;
  unsigned char header;
  if (!data_->ReadExact(at, &header, 1)) return Status::Corruption("short read");
  std::string record;
  s = EncodeRecord(texts, header, &record);
  if (!s.ok()) return s;
  if (record.size() <= oldSize) {
    if (!data_->WriteAt(at, record.data(), record.size())) return Status::IOError("write failed");
    *abandoned = static_cast<uint32_t>(oldSize - record.size());
  } else {
    // A longer record would overwrite its successor: it moves to the end of the file.
    long long end = data_->Size();
    if (end < static_cast<long long>(kMagicSize) || end - kMagicSize > 0xFFFFFFFFLL)
      return Status::Limit(dataPath_ + ": the data file is full");
    unsigned char offset[4];
    PutU32(offset, static_cast<uint32_t>(end - kMagicSize));
    if (!data_->WriteAt(static_cast<uint64_t>(end), record.data(), record.size()) ||
        !index_->WriteAt(RecordIndexSlot(static_cast<uint32_t>(n)), offset, 4))
      return Status::IOError(dataPath_ + ": write failed");
    *abandoned = static_cast<uint32_t>(oldSize);
  }
  return ReadRecord(n, false);
}

Status RecordStore::CommitCount() {
  if (!isOpen()) return Status::InvalidArgument("the edition is not open");
  if (readOnly_) return Status::ReadOnly(dataPath_ + ": read-only");
  unsigned char count[4];
  PutU32(count, static_cast<uint32_t>(recordCount_));
  if (!index_->WriteAt(kRecordCountAt, count, 4) || !index_->Sync() || !data_->Sync())
    return Status::IOError(dataPath_ + ": the record count cannot be written");
  committedCount_ = recordCount_;
  return Status::Ok();
}

Status RecordStore::ReloadCount() {
  if (!isOpen()) return Status::InvalidArgument("the edition is not open");
  unsigned char count[4];
  if (!index_->ReadExact(kRecordCountAt, count, 4)) return Status::Corruption("short read");
  const uint32_t n = GetU32(count);
  const long long indexSize = index_->Size();
  if (n > 0x7FFFFFFEu || indexSize < static_cast<long long>(RecordIndexSlot(n + 1)))
    return Status::Corruption("record count " + std::to_string(n) + " does not fit the file");
  recordCount_ = committedCount_ = static_cast<int32_t>(n);
  return Status::Ok();
}

uint8_t RecordStore::SrcNoByField(const char* name) const {
  if (!name) return 0;
  for (size_t i = 0; i < description_.fields.size(); ++i) {
    if (StrICmp(description_.fields[i].name.c_str(), name) == 0) {
      size_t position = i + 1;
      if (description_.shiftedNumbering && position >= 11) ++position;
      return static_cast<uint8_t>(position);
    }
  }
  return 0;
}

int RecordStore::PositionOfSrcNo(int n) const {
  if (n <= 0) return 0;
  if (description_.shiftedNumbering && n > 11) --n;
  return n <= fieldCount() ? n : 0;
}

const SourceField* RecordStore::FieldBySrcNo(int n) const {
  int position = PositionOfSrcNo(n);
  return position ? &description_.fields[position - 1] : nullptr;
}

uint16_t RecordStore::IndexGroup(int n) const {
  const SourceField* f = FieldBySrcNo(n);
  return f ? f->group : 0;
}

const char* RecordStore::DataBySrcNo(uint8_t n) const {
  for (const Entry& e : entries_)
    if (e.field == n) return e.text;
  return "";
}

int32_t BrowseRecordNumbers(int32_t count, int32_t from, bool forward, int32_t* out, int32_t max) {
  int32_t written = 0;
  if (forward) {
    for (int64_t r = std::max<int64_t>(from, 0) + 1; r <= count && written < max; ++r)
      out[written++] = static_cast<int32_t>(r);
    return written;
  }
  if (from < 2) return 0;
  const int64_t end = std::min<int64_t>(from, int64_t{count} + 1);
  // Fewer than max numbers before `from`: all of them, as the forward list would.
  for (int64_t r = std::max<int64_t>(end - max, 1); r < end; ++r) out[written++] = static_cast<int32_t>(r);
  return written;
}

}  // namespace zrt
