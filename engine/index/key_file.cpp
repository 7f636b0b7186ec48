#include "index/key_file.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "base/bytes.h"

namespace zrt {

namespace {

constexpr int32_t kNoPage = -1;
constexpr int32_t kFreeMark = -2;
constexpr size_t kEntryFixed = 10;  // child, record, field, position
constexpr int kCacheSlots = 8;

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
  int32_t ra = GetI32(a + 4), rb = GetI32(b + 4);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (a[8] != b[8]) return a[8] < b[8] ? -1 : 1;
  if (a[9] != b[9]) return a[9] < b[9] ? -1 : 1;
  return 0;
}

std::string EncodeEntry(std::string_view key, int32_t record, uint8_t field, uint8_t position,
                        int32_t child) {
  std::string e(KeyEntrySize(key.size()), '\0');
  PutI32(U(e), child);
  PutI32(U(e) + 4, record);
  U(e)[8] = field;
  U(e)[9] = position;
  std::memcpy(U(e) + kEntryFixed, key.data(), key.size());
  return e;
}

std::string EncodeEntry(const KeyEntry& e, int32_t child) {
  return EncodeEntry(e.key, e.record, e.field, e.position, child);
}

KeyEntry DecodeEntry(const unsigned char* p) {
  KeyEntry e;
  e.key = reinterpret_cast<const char*>(p + kEntryFixed);
  e.record = GetI32(p + 4);
  e.field = p[8];
  e.position = p[9];
  return e;
}

Status Corrupt(const std::string& path, int32_t page, const char* what) {
  return Status::Corruption(path + ": page " + std::to_string(page) + ": " + what);
}

bool ValidKey(std::string_view key) {
  return key.size() <= kKeyMaxLength && key.find('\0') == std::string_view::npos;
}

}  // namespace

size_t KeyEntrySize(size_t key_length) { return (kEntryFixed + key_length + 1 + 3) & ~size_t{3}; }

int CompareKeyEntries(const KeyEntry& a, const KeyEntry& b) {
  size_t n = std::min(a.key.size(), b.key.size());
  int c = std::memcmp(a.key.data(), b.key.data(), n);
  if (c != 0) return c < 0 ? -1 : 1;
  if (a.key.size() != b.key.size()) return a.key.size() < b.key.size() ? -1 : 1;
  if (a.record != b.record) return a.record < b.record ? -1 : 1;
  if (a.field != b.field) return a.field < b.field ? -1 : 1;
  if (a.position != b.position) return a.position < b.position ? -1 : 1;
  return 0;
}

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
    std::memset(page, 0, kKeyPageSize);
    PutI32(page, self);
    PutU32(page + 4, static_cast<uint32_t>(used()));
    PutI32(page + 8, leftmost);
    std::memcpy(page + kKeyPageHeaderSize, area.data(), area.size());
  }
};

// What a descent found: the first entry not smaller than the target, in tree order.
struct KeyFile::Descent {
  int level = -1;  // -1: every entry is smaller
  size_t pos = 0;
  bool equal = false;
  size_t used[kKeyMaxLevels] = {};
};

struct CacheSlot {
  KeyFile* owner = nullptr;  // nullptr: the slot is empty
  int32_t offset = -1;
  bool dirty = false;
  bool checked = false;  // the image passed CheckPage or was written by this file
  unsigned char data[kKeyPageSize];
};

// The page cache shared by every key file of the process: 8 slots taken round-robin,
// dirty pages written back when their slot is taken or their file is flushed.
class KeyPageCache {
public:
  // Points *slot at the cached copy of the page, valid until the next cache call.
  // With load false the caller overwrites the whole page, so nothing is read.
  static Status Get(KeyFile* f, int32_t offset, bool load, CacheSlot** slot) {
    CacheSlot* hit = nullptr;
    for (CacheSlot& s : slots_) {
      if (s.owner == f && s.offset == offset) hit = &s;
    }
    if (!hit) {
      current_ = (current_ + 1) % kCacheSlots;
      hit = &slots_[current_];
      // A broken file's pages stay unwritten, like the rest of it.
      if (hit->owner && hit->dirty && hit->owner->broken_.ok()) {
        KeyFile* victim = hit->owner;
        bool ok = victim->file_->WriteAt(static_cast<uint64_t>(hit->offset), hit->data, kKeyPageSize);
        hit->owner = nullptr;
        if (!ok) {
          Status err = Status::IOError(victim->path_ + ": cannot write page " + std::to_string(hit->offset));
          if (victim->broken_.ok()) victim->broken_ = err;
          if (victim == f) return err;
        }
      }
      hit->owner = nullptr;
      hit->dirty = false;
      hit->checked = false;
      if (load) {
        long long got = f->file_->ReadAt(static_cast<uint64_t>(offset), hit->data, kKeyPageSize);
        if (got < 0) return Status::IOError(f->path_ + ": cannot read page " + std::to_string(offset));
        if (got != static_cast<long long>(kKeyPageSize)) {
          return Status::Corruption(f->path_ + ": page " + std::to_string(offset) + " past the end of the file");
        }
      }
      hit->owner = f;
      hit->offset = offset;
    }
    if (!load) hit->dirty = true;
    *slot = hit;
    return Status::Ok();
  }

  // Writes the file's dirty pages; they stay cached.
  static Status WriteBack(KeyFile* f) {
    for (CacheSlot& s : slots_) {
      if (s.owner != f || !s.dirty) continue;
      if (!f->file_->WriteAt(static_cast<uint64_t>(s.offset), s.data, kKeyPageSize)) {
        return Status::IOError(f->path_ + ": cannot write page " + std::to_string(s.offset));
      }
      s.dirty = false;
    }
    return Status::Ok();
  }

  static void Drop(KeyFile* f) {
    for (CacheSlot& s : slots_) {
      if (s.owner == f) {
        s.owner = nullptr;
        s.dirty = false;
      }
    }
  }

private:
  static CacheSlot slots_[kCacheSlots];
  static int current_;
};

CacheSlot KeyPageCache::slots_[kCacheSlots];
int KeyPageCache::current_ = 0;

KeyFile::KeyFile(std::string path, KeyFileMode mode, std::unique_ptr<File> file)
    : path_(std::move(path)), mode_(mode), file_(std::move(file)), root_(std::make_unique<Node>()) {}

KeyFile::~KeyFile() { (void)Close(); }

Status KeyFile::Create(const std::string& path, KeyFileMode mode, std::unique_ptr<KeyFile>* out) {
  Status why;
  auto file = Env::Current()->Open(path, OpenMode::Create, &why);
  if (!file) return why.ok() ? Status::IOError(path + ": cannot create") : why;
  std::unique_ptr<KeyFile> kf(new KeyFile(path, mode, std::move(file)));
  kf->file_end_ = static_cast<int64_t>(kKeyFileHeaderSize);
  Status s = kf->WriteHeader();
  if (!s.ok()) {
    kf->broken_ = s;
    return s;
  }
  *out = std::move(kf);
  return Status::Ok();
}

Status KeyFile::Open(const std::string& path, KeyFileMode mode, std::unique_ptr<KeyFile>* out) {
  Status why;
  auto file = Env::Current()->Open(path, OpenMode::ReadWrite, &why);
  if (!file) return why.ok() ? Status::IOError(path + ": cannot open") : why;
  std::unique_ptr<KeyFile> kf(new KeyFile(path, mode, std::move(file)));
  Status s = kf->ReadHeader();
  if (!s.ok()) {
    kf->broken_ = s;  // nothing of it may be written back
    return s;
  }
  *out = std::move(kf);
  return Status::Ok();
}

Status KeyFile::OpenOrCreate(const std::string& path, KeyFileMode mode, std::unique_ptr<KeyFile>* out) {
  if (Env::Current()->Exists(path)) return Open(path, mode, out);
  return Create(path, mode, out);
}

bool KeyFile::ValidOffset(int64_t offset) const {
  return offset >= static_cast<int64_t>(kKeyFileHeaderSize) && offset + static_cast<int64_t>(kKeyPageSize) <= file_end_;
}

Status KeyFile::Fail(Status s) {
  if (broken_.ok()) broken_ = s;
  cursor_ = Cursor::None;
  return s;
}

// Every number of a page image is checked before the page is first used, so a damaged
// file cannot lead a later step outside the page or the file. Whether the page is a leaf
// is checked on every use, since a damaged link may reach it from the wrong level.
static Status CheckPage(const unsigned char* p, int32_t self, const std::string& path, int64_t file_end) {
  auto valid = [&](int64_t o) {
    return o >= static_cast<int64_t>(kKeyFileHeaderSize) && o + static_cast<int64_t>(kKeyPageSize) <= file_end;
  };
  if (GetI32(p) != self) return Corrupt(path, self, "wrong own offset");
  uint32_t used = GetU32(p + 4);
  if (used > kKeyPageCapacity) return Corrupt(path, self, "used bytes out of range");
  int32_t left = GetI32(p + 8);
  bool leaf = left == kNoPage;
  if (!leaf && !valid(left)) return Corrupt(path, self, "bad leftmost child");
  const unsigned char* a = p + kKeyPageHeaderSize;
  size_t o = 0, prev = 0;
  while (o < used) {
    if (used - o < KeyEntrySize(0)) return Corrupt(path, self, "entry past the used bytes");
    size_t room = std::min(kKeyMaxLength + 1, used - o - kEntryFixed);
    const void* z = std::memchr(a + o + kEntryFixed, 0, room);
    if (!z) return Corrupt(path, self, "key too long or unterminated");
    size_t key_length = static_cast<const unsigned char*>(z) - (a + o + kEntryFixed);
    size_t len = KeyEntrySize(key_length);
    if (len > used - o) return Corrupt(path, self, "entry past the used bytes");
    int32_t child = GetI32(a + o);
    if (leaf ? child != kNoPage : !valid(child)) return Corrupt(path, self, "bad child link");
    if (o > 0 && CompareRaw(a + prev, a + o) > 0) return Corrupt(path, self, "entries out of order");
    prev = o;
    o += len;
  }
  return Status::Ok();
}

// Copies a checked page image into *out, after checking its kind.
Status KeyFile::CopyPage(const unsigned char* p, int32_t self, bool leaf, Node* out) const {
  out->self = self;
  out->leftmost = GetI32(p + 8);
  if ((out->leftmost == kNoPage) != leaf) {
    return Corrupt(path_, self, leaf ? "inner page where a leaf belongs" : "leaf where an inner page belongs");
  }
  out->area.assign(reinterpret_cast<const char*>(p + kKeyPageHeaderSize), GetU32(p + 4));
  out->Reindex();
  return Status::Ok();
}

Status KeyFile::ReadHeader() {
  unsigned char h[kKeyFileHeaderSize];
  long long got = file_->ReadAt(0, h, sizeof h);
  if (got < 0) return Status::IOError(path_ + ": cannot read the header");
  if (got != static_cast<long long>(sizeof h)) return Status::Corruption(path_ + ": shorter than its header");
  long long size = file_->Size();
  if (size < 0) return Status::IOError(path_ + ": cannot get the file size");
  file_end_ = std::min<long long>(size, INT32_MAX);
  int32_t levels = GetI32(h + kKeyPageSize + 4);
  if (levels < 1 || levels > kKeyMaxLevels) return Status::Corruption(path_ + ": bad level count");
  levels_ = levels;
  free_head_ = GetI32(h + kKeyPageSize);
  if (free_head_ != kNoPage && !ValidOffset(free_head_)) return Status::Corruption(path_ + ": bad free-list head");
  Status s = CheckPage(h, 0, path_, file_end_);
  if (!s.ok()) return s;
  return CopyPage(h, 0, levels_ == 1, root_.get());
}

Status KeyFile::WriteHeader() {
  unsigned char h[kKeyFileHeaderSize];
  root_->Encode(h);
  PutI32(h + kKeyPageSize, free_head_);
  PutI32(h + kKeyPageSize + 4, levels_);
  if (!file_->WriteAt(0, h, sizeof h)) return Status::IOError(path_ + ": cannot write the header");
  header_dirty_ = false;
  return Status::Ok();
}

Status KeyFile::LoadNode(int32_t offset, bool leaf, Node* out) {
  if (offset == 0) {
    *out = *root_;
    return Status::Ok();
  }
  if (!ValidOffset(offset)) return Corrupt(path_, offset, "link outside the file");
  CacheSlot* slot = nullptr;
  Status s = KeyPageCache::Get(this, offset, true, &slot);
  if (!s.ok()) return s;
  if (!slot->checked) {
    s = CheckPage(slot->data, offset, path_, file_end_);
    if (!s.ok()) return s;
    slot->checked = true;
  }
  return CopyPage(slot->data, offset, leaf, out);
}

Status KeyFile::StoreNode(const Node& node) {
  if (node.used() > kKeyPageCapacity) return Corrupt(path_, node.self, "page overfull");
  if (node.self == 0) {
    *root_ = node;
    header_dirty_ = true;
    return Status::Ok();
  }
  CacheSlot* slot = nullptr;
  Status s = KeyPageCache::Get(this, node.self, false, &slot);
  if (!s.ok()) return s;
  node.Encode(slot->data);
  slot->checked = true;
  return Status::Ok();
}

Status KeyFile::AllocatePage(int32_t* offset) {
  if (free_head_ != kNoPage) {
    if (!ValidOffset(free_head_)) return Status::Corruption(path_ + ": bad free-list link");
    CacheSlot* slot = nullptr;
    Status s = KeyPageCache::Get(this, free_head_, true, &slot);
    if (!s.ok()) return s;
    const unsigned char* p = slot->data;
    int32_t next = GetI32(p);
    if (GetI32(p + 8) != kFreeMark || (next != kNoPage && !ValidOffset(next))) {
      return Corrupt(path_, free_head_, "bad free-list page");
    }
    *offset = free_head_;
    free_head_ = next;
    header_dirty_ = true;
    return Status::Ok();
  }
  if (file_end_ + static_cast<int64_t>(kKeyPageSize) > INT32_MAX) return Status::Limit(path_ + ": file full");
  *offset = static_cast<int32_t>(file_end_);
  file_end_ += kKeyPageSize;
  return Status::Ok();
}

Status KeyFile::FreePage(int32_t offset) {
  CacheSlot* slot = nullptr;
  Status s = KeyPageCache::Get(this, offset, false, &slot);
  if (!s.ok()) return s;
  slot->checked = false;  // no longer a tree page
  unsigned char* p = slot->data;
  std::memset(p, 0, kKeyPageSize);
  PutI32(p, free_head_);
  PutI32(p + 8, kFreeMark);
  free_head_ = offset;
  header_dirty_ = true;
  return Status::Ok();
}

Status KeyFile::Descend(const KeyEntry& target, Descent* d) {
  std::string t = EncodeEntry(target, kNoPage);
  bool has[kKeyMaxLevels] = {};
  bool eq[kKeyMaxLevels] = {};
  int32_t offset = 0;
  Node n;
  for (int lv = 0; lv < levels_; ++lv) {
    bool leaf = lv == levels_ - 1;
    Status s = LoadNode(offset, leaf, &n);
    if (!s.ok()) return s;
    size_t pos = 0;
    int c = 1;
    while (pos < n.count() && (c = CompareRaw(n.entry(pos), U(t))) < 0) ++pos;
    path_page_[lv] = offset;
    path_pos_[lv] = pos;
    has[lv] = pos < n.count();
    eq[lv] = has[lv] && c == 0;
    d->used[lv] = n.used();
    if (!leaf) offset = n.child(pos);
  }
  d->level = -1;
  d->equal = false;
  for (int lv = levels_ - 1; lv >= 0; --lv) {
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
  Node n;
  for (int lv = level; lv < levels_; ++lv) {
    bool leaf = lv == levels_ - 1;
    Status s = LoadNode(offset, leaf, &n);
    if (!s.ok()) return s;
    path_page_[lv] = offset;
    path_pos_[lv] = 0;
    offset = n.leftmost;
  }
  return Status::Ok();
}

// Puts `entry` at position `pos` of the page on the path at `level`, splitting the page
// (and in turn its parents) when it does not fit.
Status KeyFile::InsertAt(int level, size_t pos, std::string entry) {
  Node n;
  Status s = LoadNode(path_page_[level], level == levels_ - 1, &n);
  if (!s.ok()) return s;
  if (pos > n.count()) return Corrupt(path_, n.self, "position past the entries");
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
  if (node.count() < 3 || k == 0 || k + 1 >= node.count()) return Corrupt(path_, node.self, "cannot split");
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
    if (levels_ >= kKeyMaxLevels) return Status::Limit(path_ + ": tree too deep");
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
    if (s.ok()) ++levels_;
    header_dirty_ = true;
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
    bool leaf = level == levels_ - 1;
    Node n;
    s = LoadNode(path_page_[level], leaf, &n);
    if (!s.ok()) return s;
    if (n.used() >= kKeyPageMinUsed) return Status::Ok();
    Node parent;
    s = LoadNode(path_page_[level - 1], false, &parent);
    if (!s.ok()) return s;
    size_t p = path_pos_[level - 1];
    if (parent.count() == 0) return Status::Ok();
    if (p > parent.count()) return Corrupt(path_, parent.self, "position past the entries");
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
  if (root_->count() == 0 && root_->leftmost != kNoPage) {
    Node child;
    s = LoadNode(root_->leftmost, levels_ == 2, &child);
    if (!s.ok()) return s;
    int32_t freed = child.self;
    child.self = 0;
    s = StoreNode(child);
    if (s.ok()) s = FreePage(freed);
    if (!s.ok()) return s;
    --levels_;
  }
  return Status::Ok();
}

Status KeyFile::DoInsert(const KeyEntry& entry, bool* inserted) {
  Descent d;
  Status s = Descend(entry, &d);
  if (!s.ok()) return s;
  if (mode_ == KeyFileMode::Unique && d.equal) return Status::Ok();
  if (levels_ == kKeyMaxLevels) {
    // Refuse before changing anything when a split might have to reach the root.
    bool all_full = true;
    for (int lv = 0; lv < levels_; ++lv) {
      if (d.used[lv] + KeyEntrySize(kKeyMaxLength) <= kKeyPageCapacity) all_full = false;
    }
    if (all_full) return Status::Limit(path_ + ": tree too deep");
  }
  s = InsertAt(levels_ - 1, path_pos_[levels_ - 1], EncodeEntry(entry, kNoPage));
  if (!s.ok()) return Fail(s);
  *inserted = true;
  return Status::Ok();
}

Status KeyFile::DoRemove(const KeyEntry& entry, bool* removed, int depth) {
  Descent d;
  Status s = Descend(entry, &d);
  if (!s.ok()) return depth == 0 ? s : Fail(s);
  if (!d.equal) return depth == 0 ? Status::Ok() : Fail(Status::Corruption(path_ + ": lost an entry"));
  int leaf = levels_ - 1;
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
  if (bottom.count() == 0) return Corrupt(path_, bottom.self, "empty page");
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
  if (depth > 0) return Fail(Status::Corruption(path_ + ": page overfull"));
  size_t split = inner.SplitIndex();
  s = SplitAt(d.level, std::move(inner), split);
  if (!s.ok()) return Fail(s);
  return DoRemove(DecodeEntry(U(next)), removed, depth + 1);
}

Status KeyFile::Ready() const {
  if (!file_) return Status::InvalidArgument("key file is closed");
  return broken_;
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

Status KeyFile::Next(KeyEntry* out, bool* found) {
  *found = false;
  if (Status ready = Ready(); !ready.ok()) return ready;
  Status s = PositionCursor();
  if (!s.ok()) return s;
  int leaf = levels_ - 1;
  Node n;
  s = LoadNode(path_page_[leaf], true, &n);
  if (!s.ok()) return s;
  if (path_pos_[leaf] < n.count()) {
    *out = DecodeEntry(n.entry(path_pos_[leaf]++));
    *found = true;
    return Status::Ok();
  }
  // The leaf is done: the next entry is the separator above, then the leftmost leaf of
  // the subtree after it.
  for (int lv = leaf - 1; lv >= 0; --lv) {
    s = LoadNode(path_page_[lv], false, &n);
    if (!s.ok()) return s;
    if (path_pos_[lv] < n.count()) {
      KeyEntry e = DecodeEntry(n.entry(path_pos_[lv]));
      ++path_pos_[lv];
      s = DescendLeftmost(lv + 1, n.child(path_pos_[lv]));
      if (!s.ok()) return s;
      *out = std::move(e);
      *found = true;
      return Status::Ok();
    }
  }
  return Status::Ok();
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
  Status s = KeyPageCache::WriteBack(this);
  if (s.ok() && header_dirty_) s = WriteHeader();
  if (s.ok() && sync && !file_->Sync()) s = Status::IOError(path_ + ": cannot sync");
  if (!s.ok()) return Fail(s);
  return s;
}

Status KeyFile::Close() {
  if (!file_) return Status::Ok();
  Status s = broken_;
  if (s.ok()) {
    s = KeyPageCache::WriteBack(this);
    if (s.ok() && header_dirty_) s = WriteHeader();
  }
  KeyPageCache::Drop(this);
  file_.reset();
  cursor_ = Cursor::None;
  return s;
}

}  // namespace zrt
