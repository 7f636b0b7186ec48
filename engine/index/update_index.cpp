#include "index/update_index.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"
#include "base/file.h"
#include "base/names.h"
#include "index/dictionary.h"
#include "index/key_file.h"
#include "index/term_match.h"
#include "text/qparams.h"
#include "text/charset.h"

namespace zrt {
namespace {

constexpr size_t kListHeader = kUpdateListHeaderSize;
constexpr size_t kItemSize = kUpdateListItemSize;

// The key of an indexed word, at most kKeyMaxLength bytes.
std::string KeyOf(const char* word) {
  std::string key = IndexKey(word);
  if (key.size() > kKeyMaxLength) key.resize(kKeyMaxLength);
  return key;
}

}  // namespace

UpdateIndex::UpdateIndex() = default;
UpdateIndex::~UpdateIndex() {
  if (open_) Close();
}

void UpdateIndex::Attach(const std::string& storeName) {
  listPath_ = EditionFileName(storeName, nullptr, ".cdl");
}

std::string UpdateIndex::keyPath() const { return EditionFileName(listPath_, nullptr, ".cdi"); }

bool UpdateIndex::isOpen() const { return open_; }

bool UpdateIndex::Exists() const {
  if (open_) return true;
  if (listPath_.empty()) return false;
  Env* env = Env::Current();
  return env->Exists(listPath_) || env->Exists(keyPath());
}

Status UpdateIndex::Open(bool create) {
  if (open_) return Status::Ok();
  if (listPath_.empty()) return Status::InvalidArgument("the update index is not attached");
  Env* env = Env::Current();
  std::unique_ptr<KeyFile> keys;
  if (env->Exists(listPath_)) {
    if (!env->Exists(keyPath()))
      return Status::Corruption(keyPath() + ": missing, but the update index's record set " + listPath_ +
                                " exists");
    if (!env->Writable(keyPath()))
      return Status::ReadOnly(keyPath() + ": the update index cannot be written");
    std::string bytes;
    if (!ReadWholeFile(listPath_, &bytes)) return Status::IOError(listPath_ + ": cannot be read");
    if (bytes.size() < kListHeader || !HasMagic(bytes.data(), kUpdateListMagic))
      return Status::Corruption(listPath_ + ": not an update-index record set (no \"ASDL\")");
    uint32_t count = GetU32(bytes.data() + kUpdateListCountAt);
    if (count > (bytes.size() - kListHeader) / kItemSize)
      return Status::Corruption(listPath_ + ": " + std::to_string(count) +
                                " items do not fit the file");
    std::vector<Item> items(count);
    for (uint32_t i = 0; i < count; ++i) {
      const char* p = bytes.data() + kListHeader + i * kItemSize;
      items[i] = {GetU32(p), static_cast<uint8_t>(p[kUpdateListItemCountAt])};
      if (i && items[i].record <= items[i - 1].record)
        return Status::Corruption(listPath_ + ": items are not ordered by record");
    }
    Status s = KeyFile::Open(keyPath(), KeyFileMode::Duplicate, &keys);
    if (!s.ok()) return s;
    total_ = GetU32(bytes.data() + kUpdateListTotalAt);
    waste_ = GetU32(bytes.data() + kUpdateListWasteAt);
    items_ = std::move(items);
    changedValid_ = false;
  } else {
    if (!create && env->Exists(keyPath()))
      return Status::Corruption(listPath_ + ": missing, but the update index's key file " + keyPath() +
                                " exists");
    if (!create) return Status::NotFound(listPath_ + ": no update index");
    Status s = KeyFile::Create(keyPath(), KeyFileMode::Duplicate, &keys);
    if (!s.ok()) return s;
    items_.clear();
    changedValid_ = false;
    items_.reserve(128);
    total_ = 0;
    waste_ = 0;
  }
  keys_ = std::move(keys);
  open_ = true;
  dirty_ = !env->Exists(listPath_);
  return Status::Ok();
}

Status UpdateIndex::AddOccurrence(const char* word, uint32_t record, uint8_t field,
                                  uint8_t position) {
  Status s = Open(true);
  if (!s.ok()) return s;
  KeyEntry entry{KeyOf(word), static_cast<int32_t>(record), field, position};
  if (entry.key.empty()) return Status::InvalidArgument("empty word");
  s = keys_->Insert(entry);
  if (!s.ok()) return s;
  auto it = std::lower_bound(items_.begin(), items_.end(), record,
                             [](const Item& item, uint32_t r) { return item.record < r; });
  if (it != items_.end() && it->record == record) {
    // The count byte is only ever read as "withdrawn" when it is 0, so it stops at 255
    // rather than wrapping round to a value that would make packing drop the record.
    if (it->entries < 255) ++it->entries;
  } else {
    items_.insert(it, Item{record, 1});
    changedValid_ = false;
  }
  ++total_;
  dirty_ = true;
  return Status::Ok();
}

Status UpdateIndex::WithdrawRecord(uint32_t record) {
  Status s = Open(true);
  if (!s.ok()) return s;
  auto it = std::lower_bound(items_.begin(), items_.end(), record,
                             [](const Item& item, uint32_t r) { return item.record < r; });
  if (it == items_.end() || it->record != record) {
    items_.insert(it, Item{record, 0});
    changedValid_ = false;
    dirty_ = true;
    return Status::Ok();
  }
  if (it->entries == 0) return Status::Ok();
  s = DeleteRecords(record, record);
  if (!s.ok()) return s;
  it = std::lower_bound(items_.begin(), items_.end(), record,
                        [](const Item& item, uint32_t r) { return item.record < r; });
  items_.insert(it, Item{record, 0});
  changedValid_ = false;
  return Status::Ok();
}

Status UpdateIndex::DeleteRecords(uint32_t first, uint32_t last) {
  Status s = Open(true);
  if (!s.ok()) return s;
  dirty_ = true;
  s = keys_->First();
  KeyEntry entry;
  bool found = false;
  while (s.ok() && (s = keys_->Next(&entry, &found)).ok() && found) {
    auto r = static_cast<uint32_t>(entry.record);
    if (r < first || r > last) continue;
    // Removing leaves the cursor before the next entry, so the scan goes on from there.
    s = keys_->Remove(entry);
    if (total_) --total_;
  }
  if (!s.ok()) return s;
  items_.erase(std::remove_if(items_.begin(), items_.end(),
                              [&](const Item& item) { return item.record >= first && item.record <= last; }),
               items_.end());
  changedValid_ = false;
  return Status::Ok();
}

// Walks the entries whose keys can match `term` (all of them, or the run that begins
// with its prefix), reading them in the cached pages, and hands each matching one to
// `visit`, which returns false to stop. An exact term stops at the first key past its
// own: keys are words, which hold no blanks, so nothing after it can match.
template <typename Visit>
static Status ForEachMatch(const UpdateIndex& index, KeyFile& keys, const TermMatcher& term,
                           Visit visit) {
  Status s = term.matchesAll() ? keys.First() : keys.Seek(KeyEntry{term.prefix(), -1, 0, 0});
  KeyEntryView entry;
  bool found = false;
  if (term.exact()) {
    // The matcher's rule for an exact term, both sides without trailing blanks, kept
    // out of the loop: a frequent word's run is thousands of entries.
    auto bare = [](const char* text, size_t n) {
      while (n > 0 && text[n - 1] == ' ') --n;
      return std::string_view(text, n);
    };
    const std::string_view word = bare(term.prefix().data(), term.prefix().size());
    while (s.ok()) {
      if (!keys.NextInLeaf(&entry) && (!(s = keys.NextView(&entry, &found)).ok() || !found)) break;
      if (bare(entry.key, entry.keyLength) != word) break;
      if (index.Visible(entry.record) && !visit(entry)) break;
    }
    return s;
  }
  while (s.ok()) {
    if (!keys.NextInLeaf(&entry) && (!(s = keys.NextView(&entry, &found)).ok() || !found)) break;
    if (!term.matchesAll() && term.ComparePrefix(entry.key, entry.keyLength) != 0) break;
    if (term.Matches(entry.key, entry.keyLength) && index.Visible(entry.record) && !visit(entry)) break;
  }
  return s;
}

static bool EntryLess(const Occurrence& a, const Occurrence& b) {
  if (a.record != b.record) return a.record < b.record;
  if (a.field != b.field) return a.field < b.field;
  return a.position < b.position;
}

Status UpdateIndex::Lookup(const char* term, std::vector<Occurrence>* out, bool* found,
                           std::vector<size_t>* runs) {
  *found = false;
  Status s = Open(false);
  if (s.code() == Status::Code::NotFound) return Status::Ok();
  if (!s.ok()) return s;
  TermMatcher matcher(term ? term : "", GlobalQueryParams());
  const size_t start = out->size();
  const size_t startRuns = runs ? runs->size() : 0;
  // A term takes at most as many words here as it may take in the static dictionary.
  size_t words = 0;
  std::string word;
  // A key's entries follow each other in set order; a run, strictly ascending, ends only
  // where the next key's first entry does not come after the last one taken.
  const bool oneWord = matcher.exact();
  s = ForEachMatch(*this, *keys_, matcher, [&](const KeyEntryView& e) {
    if (words == 0 || (!oneWord && (word.size() != e.keyLength || std::memcmp(word.data(), e.key, e.keyLength) != 0))) {
      if (words == kMaxTermRows) return false;
      ++words;
      word.assign(e.key, e.keyLength);
    }
    Occurrence o{e.record, e.field, e.position};
    if (runs && (out->size() == start || !EntryLess(out->back(), o))) runs->push_back(out->size());
    out->push_back(o);
    return true;
  });
  if (!s.ok()) {
    out->resize(start);
    if (runs) runs->resize(startRuns);
    return s;
  }
  *found = out->size() > start;
  if (!runs) std::sort(out->begin() + static_cast<std::ptrdiff_t>(start), out->end(), EntryLess);
  return Status::Ok();
}

Status UpdateIndex::List(const char* root, uint32_t groupMask, std::vector<DictionaryRow>* rows) {
  constexpr size_t kMaxRows = 1250;
  rows->clear();
  Status s = Open(false);
  if (s.code() == Status::Code::NotFound) return Status::Ok();
  if (!s.ok()) return s;
  TermMatcher matcher(root ? root : "", GlobalQueryParams());
  std::string word;
  int32_t lastRecord = 0;
  s = ForEachMatch(*this, *keys_, matcher, [&](const KeyEntryView& e) {
    bool anyField = groupMask == 0xFFFFFFFFu;
    if (!anyField && (e.field < 1 || e.field > 32 || !(groupMask & (1u << (e.field - 1)))))
      return true;
    if (rows->empty() || std::string_view(e.key, e.keyLength) != word) {
      if (rows->size() == kMaxRows) return false;
      DictionaryRow row{};
      std::memset(row.word, ' ', sizeof row.word);
      std::memcpy(row.word, e.key, std::min(e.keyLength, sizeof row.word));
      rows->push_back(row);
      word.assign(e.key, e.keyLength);
      lastRecord = e.record;
      rows->back().documents = 1;
    } else if (e.record != lastRecord) {
      ++rows->back().documents;
      lastRecord = e.record;
    }
    DictionaryRow& row = rows->back();
    if (e.field >= 1 && e.field <= 32) row.groupMask |= 1u << (e.field - 1);
    ++row.occurrences;
    return true;
  });
  if (!s.ok()) rows->clear();
  return s;
}

std::vector<uint32_t> UpdateIndex::ChangedRecords() const {
  std::vector<uint32_t> records;
  records.reserve(items_.size());
  for (const Item& item : items_) records.push_back(item.record);
  return records;
}

const RecordBitmap& UpdateIndex::Changed() {
  if (!changedValid_) {
    changed_.Assign(ChangedRecords());
    changedValid_ = true;
  }
  return changed_;
}

Status UpdateIndex::ScanFirst() {
  if (!open_) return Status::InvalidArgument("the update index is not open");
  scanStatus_ = keys_->First();
  return scanStatus_;
}

bool UpdateIndex::ScanNext(std::string* key, Occurrence* occurrence) {
  if (!open_) return false;
  KeyEntry entry;
  bool found = false;
  scanStatus_ = keys_->Next(&entry, &found);
  if (!scanStatus_.ok() || !found) return false;
  *key = std::move(entry.key);
  *occurrence = {entry.record, entry.field, entry.position};
  return true;
}

void UpdateIndex::Clear() {
  items_.clear();
  changedValid_ = false;
  dirty_ = true;
}

Status UpdateIndex::WriteList() {
  // The key file first: a record set must never name entries that did not reach it.
  Status s = keys_->Flush(true);
  if (!s.ok()) return s;
  // Written beside and renamed into place, so that a failed write leaves the old set on
  // disk and this one in memory.
  std::string bytes(kListHeader + items_.size() * kItemSize, '\0');
  std::memcpy(bytes.data(), kUpdateListMagic, kMagicSize);
  PutU32(bytes.data() + kUpdateListTotalAt, total_);
  PutU32(bytes.data() + kUpdateListCountAt, static_cast<uint32_t>(items_.size()));
  PutU32(bytes.data() + kUpdateListWasteAt, waste_);
  for (size_t i = 0; i < items_.size(); ++i) {
    char* p = bytes.data() + kListHeader + i * kItemSize;
    PutU32(p, items_[i].record);
    p[kUpdateListItemCountAt] = static_cast<char>(items_[i].entries);
  }
  s = ReplaceWholeFile(listPath_, bytes);
  if (!s.ok()) return s;
  dirty_ = false;
  return Status::Ok();
}

Status UpdateIndex::Flush() {
  if (!open_) return Status::Ok();
  if (!dirty_) return keys_->Flush(true);
  return WriteList();
}

void UpdateIndex::Drop() {
  if (!open_) return;
  keys_.reset();
  open_ = false;
  dirty_ = false;
  items_.clear();
  changedValid_ = false;
}

Status UpdateIndex::Close() {
  if (!open_) return Status::Ok();
  Env* env = Env::Current();
  if (items_.empty()) {
    Status s = keys_->Close();
    keys_.reset();
    open_ = false;
    env->Remove(listPath_);
    env->Remove(keyPath());
    total_ = 0;
    waste_ = 0;
    return s;
  }
  if (dirty_) {
    Status s = WriteList();
    if (!s.ok()) return s;
  }
  Status s = keys_->Close();
  Drop();
  return s;
}

}  // namespace zrt
