#include "index/key_file.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "base/bytes.h"

namespace zrt {

namespace {

constexpr size_t kEntryFixed = kKeyEntryKeyAt;  // child, record, field, position
constexpr PageFormat kKeyFileFormat{kKeyEntryKeyAt, kKeyMaxLength, kKeyMaxLevels, true};

int32_t GetI32(const void* p) { return static_cast<int32_t>(GetU32(p)); }
void PutI32(void* p, int32_t v) { PutU32(p, static_cast<uint32_t>(v)); }

const unsigned char* U(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }
unsigned char* U(std::string& s) { return reinterpret_cast<unsigned char*>(s.data()); }

// Both entries are well formed (their keys end with a zero inside the entry).
int CompareRaw(const unsigned char* a, const unsigned char* b) {
  const unsigned char* ka = a + kEntryFixed;
  const unsigned char* kb = b + kEntryFixed;
  while (*ka != 0 && *ka == *kb) {
    ++ka;
    ++kb;
  }
  if (*ka != *kb) return *ka < *kb ? -1 : 1;
  int32_t ra = GetI32(a + kKeyEntryRecordAt), rb = GetI32(b + kKeyEntryRecordAt);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (a[kKeyEntryFieldAt] != b[kKeyEntryFieldAt]) return a[kKeyEntryFieldAt] < b[kKeyEntryFieldAt] ? -1 : 1;
  if (a[kKeyEntryPositionAt] != b[kKeyEntryPositionAt]) return a[kKeyEntryPositionAt] < b[kKeyEntryPositionAt] ? -1 : 1;
  return 0;
}

std::string EncodeEntry(std::string_view key, int32_t record, uint8_t field, uint8_t position,
                        int32_t child) {
  std::string e(KeyEntrySize(key.size()), '\0');
  PutI32(U(e), child);
  PutI32(U(e) + kKeyEntryRecordAt, record);
  U(e)[kKeyEntryFieldAt] = field;
  U(e)[kKeyEntryPositionAt] = position;
  std::memcpy(U(e) + kEntryFixed, key.data(), key.size());
  return e;
}

std::string EncodeEntry(const KeyEntry& e, int32_t child) {
  return EncodeEntry(e.key, e.record, e.field, e.position, child);
}

KeyEntry DecodeEntry(const unsigned char* p) {
  KeyEntry e;
  e.key = reinterpret_cast<const char*>(p + kEntryFixed);
  e.record = GetI32(p + kKeyEntryRecordAt);
  e.field = p[kKeyEntryFieldAt];
  e.position = p[kKeyEntryPositionAt];
  return e;
}

// The size of a well-formed entry (its key ends with a zero inside it).
uint32_t EntrySize(const unsigned char* e) {
  return static_cast<uint32_t>(KeyEntrySize(std::strlen(reinterpret_cast<const char*>(e + kEntryFixed))));
}

bool ValidKey(std::string_view key) {
  return key.size() <= kKeyMaxLength && key.find('\0') == std::string_view::npos;
}

}  // namespace

size_t KeyEntrySize(size_t key_length) { return RoundUp4(static_cast<uint32_t>(kEntryFixed + key_length + 1)); }


// A page copied out of the cache (or the in-memory root) for reading or changing.
// The entry bytes are trusted here: they were checked when the page was loaded or
// were built by this file.
struct KeyFile::Node {
  int32_t self = 0;
  int32_t leftmost = kNoPage;
  std::string area;           // the used entry bytes
  std::vector<uint32_t> offs;  // start of each entry in `area`

  size_t used() const { return area.size(); }
  size_t count() const { return offs.size(); }
  const unsigned char* entry(size_t i) const { return U(area) + offs[i]; }
  size_t entry_size(size_t i) const { return (i + 1 < offs.size() ? offs[i + 1] : area.size()) - offs[i]; }
  size_t start(size_t i) const { return i < offs.size() ? offs[i] : area.size(); }
  std::string copy(size_t i) const { return area.substr(offs[i], entry_size(i)); }
  int32_t child(size_t i) const { return i == 0 ? leftmost : GetI32(entry(i - 1)); }

  void Reindex() {
    offs.clear();
    size_t o = 0;
    while (o < area.size()) {
      offs.push_back(static_cast<uint32_t>(o));
      const void* z = std::memchr(area.data() + o + kEntryFixed, 0, area.size() - o - kEntryFixed);
      size_t key_length = static_cast<const char*>(z) - (area.data() + o + kEntryFixed);
      o += KeyEntrySize(key_length);
    }
  }
  void Insert(size_t i, const std::string& e) {
    area.insert(start(i), e);
    Reindex();
  }
  void Erase(size_t i) {
    area.erase(offs[i], entry_size(i));
    Reindex();
  }
  void Replace(size_t i, const std::string& e) {
    area.replace(offs[i], entry_size(i), e);
    Reindex();
  }

  // The entry that holds byte used / 2 + 4 of the entry area: the one that goes up
  // when the page splits.
  size_t SplitIndex() const {
    size_t x = used() / 2 + 4;
    for (size_t i = 0; i < count(); ++i) {
      if (offs[i] <= x && x < offs[i] + entry_size(i)) return i;
    }
    return count() - 1;
  }

  void Encode(unsigned char* page) const {
    std::memset(page, 0, kPageSize);
    PutI32(page + kPageSelfAt, self);
    PutU32(page + kPageUsedAt, static_cast<uint32_t>(used()));
    PutI32(page + kPageLeftmostAt, leftmost);
    std::memcpy(page + kPageHeaderSize, area.data(), area.size());
  }
};

// What a descent found: the first entry not smaller than the target, in tree order.
struct KeyFile::Descent {
  int level = -1;  // -1: every entry is smaller
  size_t pos = 0;
  bool equal = false;
  size_t used[kKeyMaxLevels] = {};
};

KeyFile::KeyFile(KeyFileMode mode)
    : mode_(mode),
      pages_(kKeyFileFormat, PageCache::Shared(),
             [this](const unsigned char* page, int64_t self, const uint16_t* starts, uint32_t count) {
               return CheckEntries(page, self, starts, count);
             }) {}

KeyFile::~KeyFile() { (void)Close(); }

Status KeyFile::Create(const std::string& path, KeyFileMode mode, std::unique_ptr<KeyFile>* out) {
  std::unique_ptr<KeyFile> kf(new KeyFile(mode));
  Status s = kf->pages_.Create(path);
  if (s.ok()) *out = std::move(kf);
  return s;
}

Status KeyFile::Open(const std::string& path, KeyFileMode mode, std::unique_ptr<KeyFile>* out) {
  std::unique_ptr<KeyFile> kf(new KeyFile(mode));
  Status s = kf->pages_.Open(path, true);
  if (s.ok() && (kf->levels() == 1) != (GetI32(kf->pages_.root() + kPageLeftmostAt) == kNoPage)) {
    s = kf->pages_.Corrupt(0, "root kind does not match the level count");
  }
  if (!s.ok()) {
    kf->pages_.Break(s);  // nothing of it may be written back
    return s;
  }
  *out = std::move(kf);
  return Status::Ok();
}

Status KeyFile::Fail(Status s) {
  pages_.Break(s);
  cursor_ = Cursor::None;
  return s;
}

// The paged file has checked the page's frame and the extent of every entry, whose
// starts it passes; what is left is the tree's own: child links and order. Whether the
// page is a leaf is checked on every use, since a damaged link may reach it from the
// wrong level.
Status KeyFile::CheckEntries(const unsigned char* p, int64_t self, const uint16_t* starts, uint32_t count) const {
  int32_t left = GetI32(p + kPageLeftmostAt);
  bool leaf = left == kNoPage;
  if (!leaf && !pages_.ValidPage(left)) return pages_.Corrupt(self, "bad leftmost child");
  const unsigned char* a = p + kPageHeaderSize;
  for (uint32_t i = 0; i < count; ++i) {
    const unsigned char* e = a + starts[i];
    int32_t child = GetI32(e);
    if (leaf ? child != kNoPage : !pages_.ValidPage(child)) return pages_.Corrupt(self, "bad child link");
    if (i > 0 && CompareRaw(a + starts[i - 1], e) > 0) return pages_.Corrupt(self, "entries out of order");
  }
  return Status::Ok();
}

// A checked page where it lies (the root in the head, the others in the cache), after
// checking its kind; valid until the next page call.
Status KeyFile::ReadPage(int32_t offset, bool leaf, const unsigned char** page) {
  unsigned char* p = pages_.root();
  if (offset != 0) {
    Status s = pages_.Load(offset, &p);
    if (!s.ok()) return s;
  }
  if ((GetI32(p + kPageLeftmostAt) == kNoPage) != leaf) {
    return pages_.Corrupt(offset, leaf ? "inner page where a leaf belongs" : "leaf where an inner page belongs");
  }
  *page = p;
  return Status::Ok();
}

// A copy of a page, for changing it.
Status KeyFile::LoadNode(int32_t offset, bool leaf, Node* out) {
  const unsigned char* p = nullptr;
  Status s = ReadPage(offset, leaf, &p);
  if (!s.ok()) return s;
  out->self = offset;
  out->leftmost = GetI32(p + kPageLeftmostAt);
  out->area.assign(reinterpret_cast<const char*>(p + kPageHeaderSize), GetU32(p + kPageUsedAt));
  out->Reindex();
  return Status::Ok();
}

Status KeyFile::StoreNode(const Node& node) {
  if (node.used() > kKeyPageCapacity) return pages_.Corrupt(node.self, "page overfull");
  if (node.self == 0) {
    node.Encode(pages_.root());
    pages_.HeadChanged();
    return Status::Ok();
  }
  unsigned char* p = nullptr;
  Status s = pages_.Fresh(node.self, &p);
  if (s.ok()) node.Encode(p);
  return s;
}

Status KeyFile::AllocatePage(int32_t* offset) {
  int64_t o = 0;
  Status s = pages_.Allocate(&o);
  *offset = static_cast<int32_t>(o);
  return s;
}

Status KeyFile::FreePage(int32_t offset) { return pages_.Free(offset); }

Status KeyFile::Descend(const KeyEntry& target, Descent* d) {
  std::string t = EncodeEntry(target, kNoPage);
  bool has[kKeyMaxLevels] = {};
  bool eq[kKeyMaxLevels] = {};
  int32_t offset = 0;
  for (int lv = 0; lv < pages_.levels(); ++lv) {
    bool leaf = lv == pages_.levels() - 1;
    const unsigned char* p = nullptr;
    Status s = ReadPage(offset, leaf, &p);
    if (!s.ok()) return s;
    const unsigned char* area = p + kPageHeaderSize;
    const uint32_t used = GetU32(p + kPageUsedAt);
    size_t pos = 0;
    uint32_t at = 0;
    int32_t child = GetI32(p + kPageLeftmostAt);  // the child before entry `pos`
    int c = 1;
    while (at < used && (c = CompareRaw(area + at, U(t))) < 0) {
      child = GetI32(area + at);
      at += EntrySize(area + at);
      ++pos;
    }
    path_page_[lv] = offset;
    path_pos_[lv] = pos;
    path_at_[lv] = at;
    has[lv] = at < used;
    eq[lv] = has[lv] && c == 0;
    d->used[lv] = used;
    if (!leaf) offset = child;
  }
  d->level = -1;
  d->equal = false;
  for (int lv = pages_.levels() - 1; lv >= 0; --lv) {
    if (has[lv]) {
      d->level = lv;
      d->pos = path_pos_[lv];
      d->equal = eq[lv];
      break;
    }
  }
  return Status::Ok();
}

Status KeyFile::DescendLeftmost(int level, int32_t offset) {
  for (int lv = level; lv < pages_.levels(); ++lv) {
    bool leaf = lv == pages_.levels() - 1;
    const unsigned char* p = nullptr;
    Status s = ReadPage(offset, leaf, &p);
    if (!s.ok()) return s;
    path_page_[lv] = offset;
    path_pos_[lv] = 0;
    path_at_[lv] = 0;
    offset = GetI32(p + kPageLeftmostAt);
  }
  return Status::Ok();
}

// Puts `entry` at position `pos` of the page on the path at `level`, splitting the page
// (and in turn its parents) when it does not fit.
Status KeyFile::InsertAt(int level, size_t pos, std::string entry) {
  Node n;
  Status s = LoadNode(path_page_[level], level == pages_.levels() - 1, &n);
  if (!s.ok()) return s;
  if (pos > n.count()) return pages_.Corrupt(n.self, "position past the entries");
  if (n.used() + entry.size() <= kKeyPageCapacity) {
    n.Insert(pos, entry);
    return StoreNode(n);
  }
  // The split entry is chosen on the page as it was; when the new entry lands exactly
  // there it goes up itself, otherwise the old split entry goes up and the new one
  // stays on its side.
  size_t split = n.SplitIndex();
  n.Insert(pos, entry);
  return SplitAt(level, std::move(n), pos < split ? split + 1 : split);
}

// Splits a page whose entries (held in `node`, possibly more than fit) are too many:
// entry k goes up, the entries after it move to a new page.
Status KeyFile::SplitAt(int level, Node node, size_t k) {
  if (node.count() < 3 || k == 0 || k + 1 >= node.count()) return pages_.Corrupt(node.self, "cannot split");
  std::string up = node.copy(k);
  Node left, right;
  left.self = node.self;
  left.leftmost = node.leftmost;
  left.area = node.area.substr(0, node.offs[k]);
  left.Reindex();
  right.leftmost = GetI32(U(up));
  right.area = node.area.substr(node.offs[k] + up.size());
  right.Reindex();
  Status s;
  if (level == 0) {
    if (pages_.levels() >= kKeyMaxLevels) return Status::Limit(pages_.path() + ": tree too deep");
    // The root stays in the header: its entries move to a new left page and it keeps
    // only the entry that went up, so the tree grows at the top.
    s = AllocatePage(&right.self);
    if (s.ok()) s = AllocatePage(&left.self);
    if (!s.ok()) return s;
    PutI32(U(up), right.self);
    Node root;
    root.self = 0;
    root.leftmost = left.self;
    root.area = up;
    root.Reindex();
    s = StoreNode(right);
    if (s.ok()) s = StoreNode(left);
    if (s.ok()) s = StoreNode(root);
    if (s.ok()) pages_.SetLevels(pages_.levels() + 1);
    return s;
  }
  s = AllocatePage(&right.self);
  if (!s.ok()) return s;
  PutI32(U(up), right.self);
  s = StoreNode(left);
  if (s.ok()) s = StoreNode(right);
  if (!s.ok()) return s;
  return InsertAt(level - 1, path_pos_[level - 1], std::move(up));
}

// Restores the fill of the page on the path at `level` after an entry left it.
Status KeyFile::Rebalance(int level) {
  Status s;
  while (level > 0) {
    bool leaf = level == pages_.levels() - 1;
    Node n;
    s = LoadNode(path_page_[level], leaf, &n);
    if (!s.ok()) return s;
    if (n.used() >= kKeyPageMinUsed) return Status::Ok();
    Node parent;
    s = LoadNode(path_page_[level - 1], false, &parent);
    if (!s.ok()) return s;
    size_t p = path_pos_[level - 1];
    if (parent.count() == 0) return Status::Ok();
    if (p > parent.count()) return pages_.Corrupt(parent.self, "position past the entries");
    // Prefer the left neighbour; the leftmost child has only a right one.
    size_t sep_index = p > 0 ? p - 1 : 0;
    Node sib;
    s = LoadNode(parent.child(p > 0 ? p - 1 : 1), leaf, &sib);
    if (!s.ok()) return s;
    Node& left = p > 0 ? sib : n;
    Node& right = p > 0 ? n : sib;
    std::string sep = parent.copy(sep_index);
    if (left.used() + sep.size() + right.used() < kKeyPageCapacity) {
      PutI32(U(sep), right.leftmost);
      left.area += sep;
      left.area += right.area;
      left.Reindex();
      s = StoreNode(left);
      if (s.ok()) s = FreePage(right.self);
      if (!s.ok()) return s;
      parent.Erase(sep_index);
      s = StoreNode(parent);
      if (!s.ok()) return s;
      --level;
      continue;
    }
    // Borrow one entry through the parent from the fuller page.
    bool to_left = right.used() > left.used() || (right.used() == left.used() && p == 0);
    PutI32(U(sep), right.leftmost);
    std::string new_sep;
    if (to_left) {
      left.area += sep;
      new_sep = right.copy(0);
      right.leftmost = GetI32(U(new_sep));
      right.Erase(0);
      left.Reindex();
    } else {
      new_sep = left.copy(left.count() - 1);
      right.leftmost = GetI32(U(new_sep));
      left.Erase(left.count() - 1);
      right.Insert(0, sep);
    }
    PutI32(U(new_sep), right.self);
    s = StoreNode(left);
    if (s.ok()) s = StoreNode(right);
    if (!s.ok()) return s;
    // Keys differ in length, so the new separator may not fit where the old one was.
    parent.Replace(sep_index, new_sep);
    if (parent.used() <= kKeyPageCapacity) return StoreNode(parent);
    size_t split = parent.SplitIndex();
    return SplitAt(level - 1, std::move(parent), split);
  }
  // The root left without entries hands its level to its only child.
  int32_t only_child = GetI32(pages_.root() + kPageLeftmostAt);
  if (GetU32(pages_.root() + kPageUsedAt) == 0 && only_child != kNoPage) {
    Node child;
    s = LoadNode(only_child, pages_.levels() == 2, &child);
    if (!s.ok()) return s;
    int32_t freed = child.self;
    child.self = 0;
    s = StoreNode(child);
    if (s.ok()) s = FreePage(freed);
    if (!s.ok()) return s;
    pages_.SetLevels(pages_.levels() - 1);
  }
  return Status::Ok();
}

Status KeyFile::DoInsert(const KeyEntry& entry, bool* inserted) {
  Descent d;
  Status s = Descend(entry, &d);
  if (!s.ok()) return s;
  if (mode_ == KeyFileMode::Unique && d.equal) return Status::Ok();
  if (pages_.levels() == kKeyMaxLevels) {
    // Refuse before changing anything when a split might have to reach the root.
    bool all_full = true;
    for (int lv = 0; lv < pages_.levels(); ++lv) {
      if (d.used[lv] + KeyEntrySize(kKeyMaxLength) <= kKeyPageCapacity) all_full = false;
    }
    if (all_full) return Status::Limit(pages_.path() + ": tree too deep");
  }
  s = InsertAt(pages_.levels() - 1, path_pos_[pages_.levels() - 1], EncodeEntry(entry, kNoPage));
  if (!s.ok()) return Fail(s);
  *inserted = true;
  return Status::Ok();
}

Status KeyFile::DoRemove(const KeyEntry& entry, bool* removed, int depth) {
  Descent d;
  Status s = Descend(entry, &d);
  if (!s.ok()) return depth == 0 ? s : Fail(s);
  if (!d.equal) return depth == 0 ? Status::Ok() : Fail(Status::Corruption(pages_.path() + ": lost an entry"));
  int leaf = pages_.levels() - 1;
  if (d.level == leaf) {
    Node n;
    s = LoadNode(path_page_[leaf], true, &n);
    if (s.ok()) {
      n.Erase(d.pos);
      s = StoreNode(n);
    }
    if (s.ok()) s = Rebalance(leaf);
    if (!s.ok()) return Fail(s);
    *removed = true;
    return Status::Ok();
  }
  // An entry of an inner page gives way to the next entry in order, the first entry of
  // the leftmost leaf of its right subtree, which then leaves that leaf.
  Node inner, bottom;
  s = LoadNode(path_page_[d.level], false, &inner);
  if (!s.ok()) return s;
  path_pos_[d.level] = d.pos + 1;
  s = DescendLeftmost(d.level + 1, inner.child(d.pos + 1));
  if (s.ok()) s = LoadNode(path_page_[leaf], true, &bottom);
  if (!s.ok()) return s;
  if (bottom.count() == 0) return pages_.Corrupt(bottom.self, "empty page");
  std::string next = bottom.copy(0);
  PutI32(U(next), GetI32(inner.entry(d.pos)));
  inner.Replace(d.pos, next);
  if (inner.used() <= kKeyPageCapacity) {
    bottom.Erase(0);
    s = StoreNode(inner);
    if (s.ok()) s = StoreNode(bottom);
    if (s.ok()) s = Rebalance(leaf);
    if (!s.ok()) return Fail(s);
    *removed = true;
    return Status::Ok();
  }
  // The longer successor does not fit: split the inner page with it in place, then
  // remove one of the two equal copies the tree now holds. That second removal never
  // gets here again, since an entry is then replaced by an equal one.
  if (depth > 0) return Fail(Status::Corruption(pages_.path() + ": page overfull"));
  size_t split = inner.SplitIndex();
  s = SplitAt(d.level, std::move(inner), split);
  if (!s.ok()) return Fail(s);
  return DoRemove(DecodeEntry(U(next)), removed, depth + 1);
}

Status KeyFile::Ready() const {
  if (!pages_.IsOpen()) return Status::InvalidArgument("key file is closed");
  return pages_.broken();
}

void KeyFile::SetPending(const KeyEntry& entry) {
  pending_ = std::make_unique<KeyEntry>(entry);
  cursor_ = Cursor::Pending;
}

Status KeyFile::Insert(const KeyEntry& entry, bool* inserted) {
  bool dummy = false;
  if (!inserted) inserted = &dummy;
  *inserted = false;
  if (Status ready = Ready(); !ready.ok()) return ready;
  if (!ValidKey(entry.key)) return Status::InvalidArgument("key longer than 30 bytes or with a zero byte");
  Status s = DoInsert(entry, inserted);
  if (s.ok()) SetPending(entry);
  return s;
}

Status KeyFile::Remove(const KeyEntry& entry, bool* removed) {
  bool dummy = false;
  if (!removed) removed = &dummy;
  *removed = false;
  if (Status ready = Ready(); !ready.ok()) return ready;
  if (!ValidKey(entry.key)) return Status::InvalidArgument("key longer than 30 bytes or with a zero byte");
  Status s = DoRemove(entry, removed, 0);
  if (s.ok()) SetPending(entry);
  return s;
}

Status KeyFile::First() {
  if (Status ready = Ready(); !ready.ok()) return ready;
  cursor_ = Cursor::None;
  Status s = DescendLeftmost(0, 0);
  if (s.ok()) cursor_ = Cursor::Path;
  return s;
}

Status KeyFile::Seek(const KeyEntry& target) {
  if (Status ready = Ready(); !ready.ok()) return ready;
  if (target.key.find('\0') != std::string::npos) return Status::InvalidArgument("key with a zero byte");
  cursor_ = Cursor::None;
  Descent d;
  Status s = Descend(target, &d);
  if (s.ok()) cursor_ = Cursor::Path;
  return s;
}

Status KeyFile::PositionCursor() {
  if (cursor_ == Cursor::Pending) {
    KeyEntry target = *pending_;
    return Seek(target);
  }
  if (cursor_ == Cursor::None) return Status::InvalidArgument("no scan in progress");
  return Status::Ok();
}

// The usual step of a scan, inside the leaf that the last step read, with the file
// neither closed nor broken since: no status is made or copied on the way. Null when
// the step must take the full way (the leaf's end, a change, an entry that fails its
// extent check).
const unsigned char* KeyFile::StepInLeaf(size_t* keyLength) {
  if (cursor_ != Cursor::Path || !leafPage_ || leafEpoch_ != pages_.cacheEpoch() || !pages_.IsOpen() ||
      !pages_.broken().ok())
    return nullptr;
  const int leaf = pages_.levels() - 1;
  uint32_t size = 0, length = 0;
  if (leafOffset_ != path_page_[leaf] || path_at_[leaf] >= GetU32(leafPage_ + kPageUsedAt) ||
      !ItemExtent(leafPage_, path_at_[leaf], kKeyFileFormat, &size, &length))
    return nullptr;
  const unsigned char* entry = leafPage_ + kPageHeaderSize + path_at_[leaf];
  *keyLength = length;
  path_at_[leaf] += size;
  ++path_pos_[leaf];
  return entry;
}

// The entry after the cursor, stepped over, and the length of its key; null at the end.
// It stays valid until the next page call.
Status KeyFile::Step(const unsigned char** entry, size_t* keyLength) {
  *entry = StepInLeaf(keyLength);
  if (*entry) return Status::Ok();
  if (Status ready = Ready(); !ready.ok()) return ready;
  Status s = PositionCursor();
  if (!s.ok()) return s;
  int leaf = pages_.levels() - 1;
  const unsigned char* p = nullptr;
  // The leaf of the last step, while no cache slot has changed hands since: a scan
  // takes its page once, not once per entry.
  if (leafPage_ && leafOffset_ == path_page_[leaf] && leafEpoch_ == pages_.cacheEpoch()) {
    p = leafPage_;
  } else {
    leafPage_ = nullptr;
    s = ReadPage(path_page_[leaf], true, &p);
    if (!s.ok()) return s;
    leafPage_ = p;
    leafOffset_ = path_page_[leaf];
    leafEpoch_ = pages_.cacheEpoch();
  }
  // The extent is taken with the page's bounds: the cursor's offset comes from an
  // earlier reading of the page.
  uint32_t size = 0, length = 0;
  if (path_at_[leaf] < GetU32(p + kPageUsedAt)) {
    if (!ItemExtent(p, path_at_[leaf], kKeyFileFormat, &size, &length))
      return pages_.Corrupt(path_page_[leaf], "the cursor is not at an entry");
    *entry = p + kPageHeaderSize + path_at_[leaf];
    *keyLength = length;
    path_at_[leaf] += size;
    ++path_pos_[leaf];
    return Status::Ok();
  }
  // The leaf is done: the next entry is the separator above, then the leftmost leaf of
  // the subtree after it.
  leafPage_ = nullptr;
  for (int lv = leaf - 1; lv >= 0; --lv) {
    s = ReadPage(path_page_[lv], false, &p);
    if (!s.ok()) return s;
    if (path_at_[lv] < GetU32(p + kPageUsedAt)) {
      if (!ItemExtent(p, path_at_[lv], kKeyFileFormat, &size, &length) || size > sizeof upper_)
        return pages_.Corrupt(path_page_[lv], "the cursor is not at an entry");
      std::memcpy(upper_, p + kPageHeaderSize + path_at_[lv], size);
      path_at_[lv] += size;
      ++path_pos_[lv];
      s = DescendLeftmost(lv + 1, GetI32(upper_));
      if (!s.ok()) return s;
      *entry = upper_;
      *keyLength = length;
      return Status::Ok();
    }
  }
  return Status::Ok();
}

Status KeyFile::Next(KeyEntry* out, bool* found) {
  const unsigned char* e = nullptr;
  size_t length = 0;
  Status s = Step(&e, &length);
  *found = e != nullptr;
  if (e) *out = DecodeEntry(e);
  return s;
}

namespace {

void FillView(const unsigned char* e, size_t keyLength, KeyEntryView* out) {
  out->key = reinterpret_cast<const char*>(e + kEntryFixed);
  out->keyLength = keyLength;
  out->record = GetI32(e + kKeyEntryRecordAt);
  out->field = e[kKeyEntryFieldAt];
  out->position = e[kKeyEntryPositionAt];
}

}  // namespace

Status KeyFile::NextView(KeyEntryView* out, bool* found) {
  const unsigned char* e = nullptr;
  size_t length = 0;
  Status s = Step(&e, &length);
  *found = e != nullptr;
  if (e) FillView(e, length, out);
  return s;
}

bool KeyFile::NextInLeaf(KeyEntryView* out) {
  size_t length = 0;
  const unsigned char* e = StepInLeaf(&length);
  if (e) FillView(e, length, out);
  return e != nullptr;
}

Status KeyFile::Find(std::string_view key, KeyEntry* out, bool* found, bool* prefix) {
  *found = false;
  *prefix = false;
  KeyEntry target;
  target.key = std::string(key);
  target.record = -1;
  Status s = Seek(target);
  if (s.ok()) s = Next(out, found);
  if (!s.ok()) return s;
  *prefix = *found && out->key.size() >= key.size() && out->key.compare(0, key.size(), key) == 0;
  return Status::Ok();
}

Status KeyFile::Flush(bool sync) {
  if (Status ready = Ready(); !ready.ok()) return ready;
  Status s = pages_.Flush();
  if (s.ok() && sync) s = pages_.Sync();
  if (!s.ok()) return Fail(s);
  return s;
}

Status KeyFile::Close() {
  cursor_ = Cursor::None;
  return pages_.Close();
}

}  // namespace zrt
