#include "btree/paged_file.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "base/bytes.h"

namespace zrt {

namespace {

int64_t AsOffset(const unsigned char* p) { return static_cast<int32_t>(GetU32(p)); }
void PutOffset(unsigned char* p, int64_t offset) { PutU32(p, static_cast<uint32_t>(offset)); }

}  // namespace

bool ItemExtent(const unsigned char* page, uint32_t at, const PageFormat& format, uint32_t* size,
                uint32_t* keyLength) {
  uint32_t used = GetU32(page + kPageUsedAt);
  if (used > kPageAreaSize || at >= used || used - at <= format.keyAt) return false;
  const unsigned char* key = page + kPageHeaderSize + at + format.keyAt;
  uint32_t room = std::min(used - at - format.keyAt, format.maxKeyLength + 1);
  // Keys are a few bytes: a plain loop beats a call per item.
  uint32_t length = 0;
  while (length < room && key[length] != 0) ++length;
  if (length == room) return false;
  uint32_t n = RoundUp4(format.keyAt + length + 1);
  if (n > used - at) return false;
  *size = n;
  *keyLength = length;
  return true;
}

bool ItemExtent(const unsigned char* page, uint32_t at, const PageFormat& format, uint32_t* size) {
  uint32_t keyLength = 0;
  return ItemExtent(page, at, format, size, &keyLength);
}

PageCache* PageCache::Shared() {
  static PageCache cache;
  return &cache;
}

PagedFile::PagedFile(PageFormat format, PageCache* cache, ItemCheck check)
    : format_(format), cache_(cache), check_(std::move(check)) {}

PagedFile::~PagedFile() { (void)Close(); }

void PagedFile::Reset() {
  ++cache_->epoch_;
  for (auto& slot : cache_->slots_) {
    if (slot.owner == this) {
      slot.owner = nullptr;
      slot.dirty = false;
    }
  }
  file_.reset();
  writable_ = false;
  root_.fill(0);
  freeHead_ = kNoPage;
  levels_ = 1;
  fileEnd_ = kHeadSize;
  headDirty_ = false;
  broken_ = Status::Ok();
  taken_.clear();
}

Status PagedFile::Corrupt(int64_t page, const std::string& what) const {
  return Status::Corruption(path_ + ": page " + std::to_string(page) + ": " + what);
}

Status PagedFile::Break(Status s) {
  if (broken_.ok()) broken_ = s;
  return s;
}

Status PagedFile::Create(const std::string& path) {
  if (IsOpen()) (void)Close();
  Reset();
  path_ = path;
  Status why;
  auto file = Env::Current()->Open(path, OpenMode::Create, &why);
  if (!file) return OpenFailure(why, path);
  file_ = std::move(file);
  writable_ = true;
  PutOffset(root_.data() + kPageLeftmostAt, kNoPage);
  Status s = WriteHead();
  if (!s.ok()) Reset();
  return s;
}

Status PagedFile::Open(const std::string& path, bool writable) {
  if (IsOpen()) (void)Close();
  Reset();
  path_ = path;
  Status why;
  auto file = Env::Current()->Open(path, writable ? OpenMode::ReadWrite : OpenMode::Read, &why);
  if (!file) return OpenFailure(why, path);
  unsigned char head[kHeadSize];
  long long got = file->ReadAt(0, head, kHeadSize);
  if (got < 0) return Status::IOError(path + ": cannot read the head");
  if (got != static_cast<long long>(kHeadSize)) return Status::Corruption(path + ": shorter than its head");
  long long size = file->Size();
  if (size < 0) return Status::IOError(path + ": cannot get the file size");
  // Offsets are 32-bit in the file; pages beyond that cannot be linked.
  fileEnd_ = std::min<long long>(size, INT32_MAX);
  if (writable) {
    // New pages go on the page grid even when the file ends with a partial page.
    fileEnd_ = kHeadSize + (fileEnd_ - kHeadSize + kPageSize - 1) / kPageSize * kPageSize;
  }
  uint32_t levels = GetU32(head + kHeadLevelsAt);
  if (levels < 1 || levels > static_cast<uint32_t>(format_.maxLevels)) {
    return Status::Corruption(path + ": level count out of range");
  }
  levels_ = static_cast<int>(levels);
  freeHead_ = AsOffset(head + kHeadFreeAt);
  // A read-only file never takes free pages, so a damaged list does not matter there.
  if (writable && freeHead_ != kNoPage && !ValidPage(freeHead_)) {
    return Status::Corruption(path + ": bad free-list head");
  }
  Status s = CheckPage(head, 0);
  if (!s.ok()) return s;
  std::memcpy(root_.data(), head, kPageSize);
  file_ = std::move(file);
  writable_ = writable;
  return Status::Ok();
}

bool PagedFile::ValidPage(int64_t offset) const {
  return offset >= kHeadSize && (offset - kHeadSize) % kPageSize == 0 && offset + kPageSize <= fileEnd_;
}

// Every number of a page image is checked before the page is first used, so that a
// damaged file cannot lead a later step outside the page or the file.
Status PagedFile::CheckPage(const unsigned char* page, int64_t self) const {
  if (AsOffset(page + kPageSelfAt) != self) return Corrupt(self, "wrong own offset");
  uint32_t used = GetU32(page + kPageUsedAt);
  if (used > kPageAreaSize) return Corrupt(self, "used bytes out of range");
  uint32_t size = 0;
  uint16_t starts[kMaxPageItems];
  uint32_t count = 0;
  for (uint32_t at = 0; at < used; at += size) {
    if (!ItemExtent(page, at, format_, &size)) return Corrupt(self, "item past the used bytes or key unterminated");
    starts[count++] = static_cast<uint16_t>(at);
  }
  return check_ ? check_(page, self, starts, count) : Status::Ok();
}

Status PagedFile::TakeSlot(int64_t offset, bool load, PageCache::Slot** out) {
  auto& slots = cache_->slots_;
  for (int i = 0; i < kPageCacheSlots; ++i) {
    if (slots[i].owner == this && slots[i].offset == offset) {
      cache_->last_ = i;
      *out = &slots[i];
      return Status::Ok();
    }
  }
  // The slots are reused in cyclic order, not by least recent use.
  int i = (cache_->last_ + 1) % kPageCacheSlots;
  cache_->last_ = i;
  ++cache_->epoch_;
  PageCache::Slot& slot = slots[i];
  if (slot.owner && slot.dirty) {
    PagedFile* victim = slot.owner;
    Status s = victim->WriteSlot(slot);
    if (!s.ok()) {
      victim->Break(s);
      slot.owner = nullptr;
      if (victim == this) return s;
    }
  }
  slot.owner = nullptr;
  slot.dirty = false;
  slot.checked = false;
  if (load) {
    long long got = file_->ReadAt(static_cast<uint64_t>(offset), slot.data.data(), kPageSize);
    if (got < 0) return Status::IOError(path_ + ": cannot read page " + std::to_string(offset));
    if (got != static_cast<long long>(kPageSize)) return Corrupt(offset, "past the end of the file");
  }
  slot.owner = this;
  slot.offset = offset;
  *out = &slot;
  return Status::Ok();
}

// A broken file's pages stay unwritten, like the rest of it.
Status PagedFile::WriteSlot(PageCache::Slot& slot) {
  if (!broken_.ok()) return Status::Ok();
  if (!file_->WriteAt(static_cast<uint64_t>(slot.offset), slot.data.data(), kPageSize)) {
    return Status::IOError(path_ + ": cannot write page " + std::to_string(slot.offset));
  }
  slot.dirty = false;
  return Status::Ok();
}

Status PagedFile::Load(int64_t offset, unsigned char** page) {
  if (!ValidPage(offset)) return Corrupt(offset, "link outside the file");
  PageCache::Slot* slot = nullptr;
  Status s = TakeSlot(offset, true, &slot);
  if (!s.ok()) return s;
  if (!slot->checked) {
    // A page that fails stays cached unchecked: it may be a dirty free page reached
    // through a damaged link, which must still reach the file.
    s = CheckPage(slot->data.data(), offset);
    if (!s.ok()) return s;
    slot->checked = true;
  }
  *page = slot->data.data();
  return Status::Ok();
}

Status PagedFile::Fresh(int64_t offset, unsigned char** page) {
  PageCache::Slot* slot = nullptr;
  Status s = TakeSlot(offset, false, &slot);
  if (!s.ok()) return s;
  slot->dirty = true;
  slot->checked = true;
  *page = slot->data.data();
  return Status::Ok();
}

void PagedFile::MarkDirty(int64_t offset) {
  for (auto& slot : cache_->slots_) {
    if (slot.owner == this && slot.offset == offset) slot.dirty = true;
  }
}

Status PagedFile::WriteNow(int64_t offset, const unsigned char* page) {
  for (auto& slot : cache_->slots_) {
    if (slot.owner == this && slot.offset == offset) {
      std::memcpy(slot.data.data(), page, kPageSize);
      slot.dirty = false;
      slot.checked = true;
    }
  }
  if (!broken_.ok()) return broken_;
  if (!file_->WriteAt(static_cast<uint64_t>(offset), page, kPageSize)) {
    return Break(Status::IOError(path_ + ": cannot write page " + std::to_string(offset)));
  }
  return Status::Ok();
}

Status PagedFile::Allocate(int64_t* offset) {
  if (freeHead_ != kNoPage) {
    int64_t head = freeHead_;
    if (!ValidPage(head) || taken_.count(head)) return Status::Corruption(path_ + ": bad free-list link");
    // The next link is read from the cached image when there is one (a page freed since
    // the last write-back), else straight from the file.
    unsigned char frame[kPageHeaderSize];
    const unsigned char* p = nullptr;
    for (auto& slot : cache_->slots_) {
      if (slot.owner == this && slot.offset == head) p = slot.data.data();
    }
    if (!p) {
      if (!file_->ReadExact(static_cast<uint64_t>(head), frame, sizeof frame)) {
        return Status::IOError(path_ + ": cannot read free page " + std::to_string(head));
      }
      p = frame;
    }
    int64_t next = AsOffset(p + kPageSelfAt);
    bool marked = !format_.marksFreePages || AsOffset(p + kPageLeftmostAt) == kFreePageMark;
    if (!marked || (next != kNoPage && !ValidPage(next))) return Corrupt(head, "bad free-list page");
    taken_.insert(head);
    freeHead_ = next;
    headDirty_ = true;
    *offset = head;
    return Status::Ok();
  }
  if (fileEnd_ + kPageSize > INT32_MAX) return Status::Limit(path_ + ": file full");
  *offset = fileEnd_;
  fileEnd_ += kPageSize;
  return Status::Ok();
}

Status PagedFile::Free(int64_t offset) {
  unsigned char* p = nullptr;
  Status s = Fresh(offset, &p);
  if (!s.ok()) return s;
  std::memset(p, 0, kPageSize);
  PutOffset(p + kPageSelfAt, freeHead_);
  PutOffset(p + kPageLeftmostAt, kFreePageMark);
  for (auto& slot : cache_->slots_) {
    if (slot.owner == this && slot.offset == offset) slot.checked = false;  // no longer a tree page
  }
  ++cache_->epoch_;
  taken_.erase(offset);
  freeHead_ = offset;
  headDirty_ = true;
  return Status::Ok();
}

Status PagedFile::WriteHead() {
  unsigned char head[kHeadSize];
  std::memcpy(head, root_.data(), kPageSize);
  PutOffset(head + kHeadFreeAt, freeHead_);
  PutU32(head + kHeadLevelsAt, static_cast<uint32_t>(levels_));
  if (!file_->WriteAt(0, head, kHeadSize)) return Break(Status::IOError(path_ + ": cannot write the head"));
  headDirty_ = false;
  return Status::Ok();
}

Status PagedFile::Flush() {
  if (!file_) return Status::InvalidArgument("paged file is closed");
  if (!broken_.ok()) return broken_;
  if (!writable_) return Status::Ok();
  for (auto& slot : cache_->slots_) {
    if (slot.owner != this || !slot.dirty) continue;
    Status s = WriteSlot(slot);
    if (!s.ok()) return Break(s);
  }
  return headDirty_ ? WriteHead() : Status::Ok();
}

Status PagedFile::Sync() {
  if (!file_) return Status::InvalidArgument("paged file is closed");
  if (!file_->Sync()) return Break(Status::IOError(path_ + ": cannot sync"));
  return Status::Ok();
}

Status PagedFile::Close() {
  if (!file_) return Status::Ok();
  Status s = Flush();
  Reset();
  return s;
}

}  // namespace zrt
