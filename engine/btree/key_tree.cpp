#include "btree/key_tree.h"

#include <bit>
#include <cstring>

#include "base/bytes.h"

namespace zrt {
namespace {

// Item buffers are file images; the child and value words are read in place.
static_assert(std::endian::native == std::endian::little,
              "item buffers assume a little-endian host");

constexpr uint32_t kAreaAt = kPageHeaderSize;
constexpr uint32_t kNone = static_cast<uint32_t>(kNoPage);

// Unsigned bytewise order up to the NUL; both keys are known to be terminated.
int CompareKeys(const unsigned char* a, const unsigned char* b) {
  for (size_t i = 0;; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    if (a[i] == 0) return 0;
  }
}

bool HasPrefix(const unsigned char* key, const unsigned char* prefix) {
  for (size_t i = 0; prefix[i] != 0; ++i)
    if (key[i] != prefix[i]) return false;
  return true;
}

int64_t AsOffset(uint32_t word) { return static_cast<int64_t>(static_cast<int32_t>(word)); }

}  // namespace

KeyTree::KeyTree(ItemLayout layout)
    : layout_(layout), pages_(PageFormat{layout.keyOffset, kMaxKeyLength, kMaxLevels, false}, &cache_) {}

KeyTree::~KeyTree() {
  if (IsOpen()) Close();
}

bool KeyTree::LayoutUsable() const {
  return layout_.keyOffset >= 4 && layout_.keyOffset + kMaxKeyLength + 1 <= kMaxItemSize &&
         layout_.bufferSize >= layout_.keyOffset + kMaxKeyLength + 1;
}

void KeyTree::Reset() {
  path_ = {};
  level_ = 0;
  atEnd_ = false;
  steps_ = 0;
}

Status KeyTree::Create(const std::string& path, bool allowDuplicates) {
  if (IsOpen()) Close();
  Reset();
  if (!LayoutUsable()) return status_ = Status::InvalidArgument("unusable item layout");
  return Opened(pages_.Create(path), allowDuplicates);
}

Status KeyTree::OpenForReading(const std::string& path) {
  if (IsOpen()) Close();
  Reset();
  if (!LayoutUsable()) return status_ = Status::InvalidArgument("unusable item layout");
  return Opened(pages_.Open(path, false), false);
}

Status KeyTree::Opened(Status s, bool allowDuplicates) {
  status_ = s;
  allowDuplicates_ = allowDuplicates;
  return s;
}

int KeyTree::Close() {
  if (!IsOpen()) return -1;
  // The root reaches the file only here.
  if (pages_.writable()) pages_.HeadChanged();
  Status s = pages_.Close();
  Reset();
  if (!s.ok()) status_ = s;
  return s.ok() ? 0 : -1;
}

// ---- pages ---------------------------------------------------------------------------

bool KeyTree::ItemAt(const unsigned char* page, int32_t pos, Span* out) const {
  uint32_t size;
  if (pos < 0 || !ItemExtent(page, static_cast<uint32_t>(pos), pages_.format(), &size)) return false;
  *out = {static_cast<uint32_t>(pos), size};
  return true;
}

bool KeyTree::Note(const Status& s) {
  if (!s.ok()) status_ = s;
  return s.ok();
}

unsigned char* KeyTree::PageAt(int level) {
  if (level == 0) return pages_.root();
  return Fetch(path_[level].page);
}

unsigned char* KeyTree::Fetch(int64_t offset) {
  unsigned char* page = nullptr;
  return Note(pages_.Load(offset, &page)) ? page : nullptr;
}

void KeyTree::MarkDirty(int level) {
  if (level > 0) pages_.MarkDirty(path_[level].page);  // the root reaches the file only on close
}

bool KeyTree::WritePage(int64_t offset, const unsigned char* page) {
  return Note(pages_.WriteNow(offset, page));
}

bool KeyTree::TakePage(int64_t* offset) { return Note(pages_.Allocate(offset)); }

int64_t KeyTree::ChildOf(const unsigned char* page, int32_t pos) const {
  if (pos < 0) return AsOffset(GetU32(page + kPageLeftmostAt));
  return AsOffset(GetU32(page + kAreaAt + pos));
}

// ---- cursor --------------------------------------------------------------------------

bool KeyTree::Descend(const unsigned char* key, bool stopOnEqual, bool* metEqual) {
  atEnd_ = false;
  steps_ = 0;
  *metEqual = false;
  path_[0] = {0, -1};
  for (int level = 0;; ++level) {
    level_ = level;
    const unsigned char* page = PageAt(level);
    if (!page) return false;
    uint32_t used = GetU32(page + kPageUsedAt);
    int32_t pos = -1;
    bool equal = false;
    Span item;
    for (uint32_t at = 0; at < used; at += item.size) {
      if (!ItemAt(page, static_cast<int32_t>(at), &item)) return false;
      int c = CompareKeys(key, page + kAreaAt + at + layout_.keyOffset);
      if (c < 0) break;
      pos = static_cast<int32_t>(at);
      if (c == 0) {
        equal = true;
        break;
      }
    }
    path_[level].pos = pos;
    if (equal) {
      *metEqual = true;
      if (stopOnEqual) return true;
    }
    if (level == height() - 1) return true;
    int64_t child = ChildOf(page, pos);
    if (!pages_.ValidPage(child) || level + 1 >= kMaxLevels) return false;
    path_[level + 1] = {child, -1};
  }
}

uint64_t KeyTree::StepLimit() const {
  // No sound tree holds more items than its pages can; a walk that goes on longer is
  // going round pages shared by several parents.
  uint64_t pages = static_cast<uint64_t>((pages_.fileEnd() - kHeadSize) / kPageSize) + 1;
  return pages * (kPageAreaSize / RoundUp4(layout_.keyOffset + 1)) + 1;
}

bool KeyTree::CopyItem(const unsigned char* page, int32_t pos, void* item) const {
  Span span;
  if (!ItemAt(page, pos, &span)) return false;
  auto* out = static_cast<unsigned char*>(item);
  std::memcpy(out, page + kAreaAt + pos, span.size);
  if (layout_.dataText) out[layout_.keyOffset - 1] = 0;
  return true;
}

int KeyTree::First() {
  if (!IsOpen()) return -1;
  // Next descends through the leftmost children itself.
  path_[0] = {0, -1};
  level_ = 0;
  atEnd_ = false;
  steps_ = 0;
  status_ = Status::Ok();
  return 0;
}

bool KeyTree::SetEnd() {
  atEnd_ = true;
  return false;
}

bool KeyTree::Damaged() {
  status_ = Status::Corruption("a page of the tree is damaged");
  return SetEnd();
}

bool KeyTree::Next(void* item) {
  if (!IsOpen() || atEnd_ || !item) return false;
  if (++steps_ > StepLimit()) return Damaged();
  while (level_ < height() - 1) {
    const unsigned char* page = PageAt(level_);
    Span span;
    int32_t pos = page ? path_[level_].pos : -1;
    if (!page || (pos >= 0 && !ItemAt(page, pos, &span))) return Damaged();
    int64_t child = ChildOf(page, pos);
    if (!pages_.ValidPage(child)) return Damaged();
    ++level_;
    path_[level_] = {child, -1};
  }
  for (;;) {
    const unsigned char* page = PageAt(level_);
    if (!page) return Damaged();
    uint32_t used = GetU32(page + kPageUsedAt);
    int32_t pos = path_[level_].pos;
    uint32_t next = 0;
    if (pos >= 0) {
      Span span;
      if (!ItemAt(page, pos, &span)) return Damaged();
      next = span.start + span.size;
    }
    if (next < used) {
      path_[level_].pos = static_cast<int32_t>(next);
      if (!CopyItem(page, path_[level_].pos, item)) return Damaged();
      return true;
    }
    if (level_ == 0) return SetEnd();
    --level_;
  }
}

bool KeyTree::KeyOf(const void* item, const unsigned char** key) const {
  const auto* p = static_cast<const unsigned char*>(item) + layout_.keyOffset;
  if (!std::memchr(p, 0, kMaxKeyLength + 1)) return false;
  *key = p;
  return true;
}

// The probe is copied out first: the caller's item buffer receives the result.
bool KeyTree::CopyProbe(const void* item, unsigned char* probe) const {
  const unsigned char* key;
  if (!IsOpen() || !item || !KeyOf(item, &key)) return false;
  std::memcpy(probe, key, kMaxKeyLength + 1);
  return true;
}

bool KeyTree::FindKey(void* item) {
  unsigned char probe[kMaxKeyLength + 1];
  bool equal = false;
  if (!CopyProbe(item, probe)) return false;
  if (!Descend(probe, true, &equal)) return SetEnd();
  const unsigned char* page = PageAt(level_);
  return equal && page && CopyItem(page, path_[level_].pos, item);
}

bool KeyTree::Search(void* item) {
  unsigned char probe[kMaxKeyLength + 1];
  bool equal = false;
  if (!CopyProbe(item, probe)) return false;
  if (!Descend(probe, true, &equal)) return SetEnd();
  if (!Next(item)) return false;
  return HasPrefix(static_cast<unsigned char*>(item) + layout_.keyOffset, probe);
}

// ---- insertion -----------------------------------------------------------------------

int KeyTree::PrepareItem(const void* item, unsigned char* out, uint32_t* size) const {
  const unsigned char* key;
  if (!item || !KeyOf(item, &key)) return -1;
  uint32_t keyLength = static_cast<uint32_t>(std::strlen(reinterpret_cast<const char*>(key)));
  uint32_t n = layout_.keyOffset + keyLength + 1;
  *size = RoundUp4(n);
  std::memset(out, 0, *size);
  std::memcpy(out, item, n);
  PutU32(out, kNone);
  if (layout_.dataText) out[layout_.keyOffset - 1] = 0;
  return 0;
}

int KeyTree::Fail() {
  pages_.Break(status_.ok() ? Status::Corruption(pages_.path() + ": a damaged page met while changing the tree")
                            : status_);
  atEnd_ = true;
  return -1;
}

// The middle item of a full page: the last item that starts before byte used / 2 + 4,
// with `used` as it is before the new item goes in.
bool KeyTree::FindMiddle(const unsigned char* page, Span* middle) const {
  uint32_t used = GetU32(page + kPageUsedAt);
  uint32_t limit = used / 2 + 4;
  bool found = false;
  Span item;
  for (uint32_t at = 0; at < used && at < limit; at += item.size) {
    if (!ItemAt(page, static_cast<int32_t>(at), &item)) return false;
    *middle = item;
    found = true;
  }
  return found;
}

// The insertion place after the cursor position of a level: the start of the page for -1.
bool KeyTree::PlaceAt(const unsigned char* page, int32_t pos, uint32_t* place) const {
  *place = 0;
  if (pos < 0) return true;
  Span item;
  if (!ItemAt(page, pos, &item)) return false;
  *place = item.start + item.size;
  return true;
}

// A tree of the greatest height must not split its root: walk the splits the insertion
// would cause without changing anything.
bool KeyTree::WouldExceedHeight(int level, uint32_t itemSize) {
  if (height() < kMaxLevels) return false;
  for (; level >= 0; --level) {
    const unsigned char* page = PageAt(level);
    uint32_t place;
    Span middle;
    if (!page || !PlaceAt(page, path_[level].pos, &place)) return true;
    if (GetU32(page + kPageUsedAt) + itemSize <= kPageAreaSize) return false;
    if (!FindMiddle(page, &middle)) return true;
    if (place != middle.start) itemSize = middle.size;
  }
  return true;
}

// Inserts `item` after the cursor position of `level`, splitting pages up to the root as
// needed, and leaves the cursor on the inserted item. The cursor entries are carried
// through every split, so no second descent is needed and equal keys stay distinguishable.
int KeyTree::Insert(int level, const unsigned char* item, uint32_t size) {
  std::array<unsigned char, kMaxItemSize> x{};
  std::memcpy(x.data(), item, size);
  uint32_t xSize = size;
  bool target = true;  // x is the item the cursor ends on
  bool viaX = false;   // else: the cursor lies in the page that x's child points to
  int cursorLevel = level;
  for (;;) {
    unsigned char* page = PageAt(level);
    uint32_t place;
    if (!page || !PlaceAt(page, path_[level].pos, &place)) return Fail();
    uint32_t used = GetU32(page + kPageUsedAt);
    unsigned char* area = page + kAreaAt;
    // This level's cursor entry: x itself, or the entry before x.
    int32_t mark = (target || viaX) ? static_cast<int32_t>(place) : path_[level].pos;

    if (used + xSize <= kPageAreaSize) {
      std::memmove(area + place + xSize, area + place, used - place);
      std::memcpy(area + place, x.data(), xSize);
      PutU32(page + kPageUsedAt, used + xSize);
      MarkDirty(level);
      path_[level].pos = mark;
      level_ = cursorLevel;
      return 1;
    }

    // Split. Lay the items out with x in its place, pick the promoted item z, and cut
    // the sequence into the left part (stays) and the right part (new page).
    Span middle;
    if (!FindMiddle(page, &middle)) return Fail();
    std::array<unsigned char, kPageAreaSize + kMaxItemSize> seq{};
    std::memcpy(seq.data(), area, place);
    std::memcpy(seq.data() + place, x.data(), xSize);
    std::memcpy(seq.data() + place + xSize, area + place, used - place);
    uint32_t total = used + xSize;
    uint32_t zStart = middle.start;
    uint32_t zSize = middle.size;
    if (place == middle.start) {
      zSize = xSize;  // x is promoted itself
    } else if (place < middle.start) {
      zStart += xSize;
    }
    uint32_t rightStart = zStart + zSize;
    std::array<unsigned char, kMaxItemSize> z{};
    std::memcpy(z.data(), seq.data() + zStart, zSize);

    int64_t rightOffset;
    if (!TakePage(&rightOffset)) return Fail();
    std::array<unsigned char, kPageSize> right{};
    PutU32(right.data(), static_cast<uint32_t>(rightOffset));
    PutU32(right.data() + kPageUsedAt, total - rightStart);
    std::memcpy(right.data() + kPageLeftmostAt, z.data(), 4);
    std::memcpy(right.data() + kAreaAt, seq.data() + rightStart, total - rightStart);
    PutU32(z.data(), static_cast<uint32_t>(rightOffset));

    Level here = {path_[level].page, mark};
    bool promoted = false;
    bool rightSide = false;
    if (mark >= 0 && static_cast<uint32_t>(mark) == zStart) {
      if (target) {
        promoted = true;
      } else {
        here = {rightOffset, -1};  // z's old child is now the right page's leftmost
        rightSide = true;
      }
    } else if (mark >= 0 && static_cast<uint32_t>(mark) > zStart) {
      here = {rightOffset, mark - static_cast<int32_t>(rightStart)};
      rightSide = true;
    }

    if (!WritePage(rightOffset, right.data())) return Fail();
    std::memcpy(area, seq.data(), zStart);
    std::memset(area + zStart, 0, kPageAreaSize - zStart);
    PutU32(page + kPageUsedAt, zStart);

    if (level > 0) {
      MarkDirty(level);
      path_[level] = here;
      if (promoted) cursorLevel = level - 1;
      x = z;
      xSize = zSize;
      target = promoted;
      viaX = rightSide;
      --level;
      continue;
    }

    // The root splits: its left part moves to a page of its own and the root keeps only z.
    int64_t leftOffset;
    if (!TakePage(&leftOffset)) return Fail();
    std::array<unsigned char, kPageSize> left{};
    PutU32(left.data(), static_cast<uint32_t>(leftOffset));
    PutU32(left.data() + kPageUsedAt, zStart);
    std::memcpy(left.data() + kPageLeftmostAt, page + kPageLeftmostAt, 4);
    std::memcpy(left.data() + kAreaAt, area, zStart);
    if (!WritePage(leftOffset, left.data())) return Fail();
    std::memset(area, 0, kPageAreaSize);
    std::memcpy(area, z.data(), zSize);
    PutU32(page + kPageUsedAt, zSize);
    PutU32(page + kPageLeftmostAt, static_cast<uint32_t>(leftOffset));
    pages_.SetLevels(height() + 1);
    for (int i = kMaxLevels - 1; i > 1; --i) path_[i] = path_[i - 1];
    if (promoted) {
      path_[0] = {0, 0};
      level_ = 0;
    } else {
      if (!rightSide) here.page = leftOffset;
      path_[1] = here;
      path_[0] = {0, rightSide ? 0 : -1};
      level_ = cursorLevel + 1;
    }
    return 1;
  }
}

int KeyTree::Add(const void* item) {
  status_ = Status::Ok();
  if (!IsOpen() || !pages_.writable() || !pages_.broken().ok()) return -1;
  std::array<unsigned char, kMaxItemSize> x;
  uint32_t size;
  if (PrepareItem(item, x.data(), &size) != 0) return -1;
  bool equal = false;
  if (!Descend(x.data() + layout_.keyOffset, false, &equal)) {
    SetEnd();
    return -1;
  }
  if (equal && !allowDuplicates_) return 0;
  if (WouldExceedHeight(level_, size)) return -1;
  return Insert(level_, x.data(), size);
}

int KeyTree::ReplaceKey(const void* item) {
  status_ = Status::Ok();
  if (!IsOpen() || !pages_.writable() || !pages_.broken().ok() || atEnd_) return -1;
  std::array<unsigned char, kMaxItemSize> x;
  uint32_t size;
  if (PrepareItem(item, x.data(), &size) != 0) return -1;
  unsigned char* page = PageAt(level_);
  int32_t pos = path_[level_].pos;
  Span old;
  if (!page || pos < 0 || !ItemAt(page, pos, &old)) return -1;
  int32_t previous = -1;
  Span before;
  for (uint32_t at = 0; at < old.start; at += before.size) {
    if (!ItemAt(page, static_cast<int32_t>(at), &before)) return -1;
    previous = static_cast<int32_t>(at);
  }
  std::memcpy(x.data(), page + kAreaAt + pos, 4);  // the new item inherits the child

  std::array<unsigned char, kMaxItemSize> saved{};
  std::memcpy(saved.data(), page + kAreaAt + pos, old.size);
  uint32_t used = GetU32(page + kPageUsedAt);
  std::memmove(page + kAreaAt + old.start, page + kAreaAt + old.start + old.size,
               used - old.start - old.size);
  std::memset(page + kAreaAt + used - old.size, 0, old.size);
  PutU32(page + kPageUsedAt, used - old.size);
  MarkDirty(level_);
  path_[level_].pos = previous;
  if (WouldExceedHeight(level_, size)) {
    // Put the old item back where it was; it fits, having been there.
    page = PageAt(level_);
    if (!page) return Fail();
    used = GetU32(page + kPageUsedAt);
    std::memmove(page + kAreaAt + old.start + old.size, page + kAreaAt + old.start,
                 used - old.start);
    std::memcpy(page + kAreaAt + old.start, saved.data(), old.size);
    PutU32(page + kPageUsedAt, used + old.size);
    MarkDirty(level_);
    path_[level_].pos = pos;
    return -1;
  }
  return Insert(level_, x.data(), size);
}

}  // namespace zrt
