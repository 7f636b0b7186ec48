#include "edition/journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "base/bytes.h"

namespace zrt {
namespace {

constexpr char kMagic[] = "ZRTJ";
constexpr uint64_t kChunk = 1024;
constexpr uint64_t kWholeFileLimit = 64ull << 20;
constexpr const char* kGuarded[] = {".cdx", ".cdb", ".cdi"};
constexpr int kKeyFile = 2;
constexpr size_t kHeadSizesAt = 4;
constexpr size_t kHeadFixed = 4 + 4 * 8 + 4;  // magic, four sizes, ".cdl" length
constexpr size_t kChunkHead = 1 + 8 + 4;

uint32_t Checksum(const void* data, size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

// The size of the file at `path`, -1 when there is none. A file that is there but cannot
// be sized fails: taking it for absent would have a rollback remove it.
Status SizeOf(const std::string& path, int64_t* size) {
  Env* env = Env::Current();
  *size = -1;
  if (!env->Exists(path)) return Status::Ok();
  Status why;
  auto f = env->Open(path, OpenMode::Read, &why);
  if (!f) return OpenFailure(why, path);
  *size = f->Size();
  return *size >= 0 ? Status::Ok() : Status::IOError(path + ": its size cannot be read");
}

// A new file's name reaches the disk with its folder: without this a power failure could
// lose the journal while keeping the changes it guards.
void SyncFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

class Journal::FileGuard final : public WriteGuard {
public:
  FileGuard(Journal* journal, int file) : journal_(journal), file_(file) {}
  bool BeforeChange(File& f, uint64_t offset, uint64_t length) override {
    return journal_->Save(file_, f, offset, length);
  }

private:
  Journal* journal_;
  int file_;
};

Journal::Journal(std::string base) : base_(std::move(base)) {}

Journal::~Journal() {
  for (int i = 0; i < kGuardedFiles; ++i)
    if (guards_[i]) GuardWrites(base_ + kGuarded[i], nullptr);
}

bool Journal::Exists(const std::string& base) { return Env::Current()->Exists(base + kJournalExtension); }

Status Journal::Begin() {
  if (active_) return Status::Ok();
  Env* env = Env::Current();
  const std::string path = base_ + kJournalExtension;
  std::string list;
  int64_t listSize = -1;
  Status s = SizeOf(base_ + ".cdl", &listSize);
  if (!s.ok()) return s;
  if (listSize >= 0 && !ReadWholeFile(base_ + ".cdl", &list))
    return Status::IOError(base_ + ".cdl: cannot be read");
  std::string head(kHeadFixed, '\0');
  std::memcpy(head.data(), kMagic, 4);
  for (int i = 0; i < kGuardedFiles; ++i) {
    s = SizeOf(base_ + kGuarded[i], &sizes_[i]);
    if (!s.ok()) return s;
    PutU64(head.data() + kHeadSizesAt + 8 * i, static_cast<uint64_t>(sizes_[i]));
    saved_[i].clear();
  }
  PutU64(head.data() + kHeadSizesAt + 8 * kGuardedFiles, static_cast<uint64_t>(listSize));
  PutU32(head.data() + kHeadFixed - 4, static_cast<uint32_t>(list.size()));
  head += list;
  unsigned char sum[4];
  PutU32(sum, Checksum(head.data(), head.size()));
  head.append(reinterpret_cast<char*>(sum), 4);
  Status why;
  out_ = env->Open(path, OpenMode::Create, &why);
  if (!out_) return OpenFailure(why, path);
  if (!out_->WriteAt(0, head.data(), head.size()) || !out_->Sync()) {
    out_.reset();
    env->Remove(path);
    return Status::IOError(path + ": the journal cannot be written");
  }
  outSize_ = head.size();
  SyncFolderOf(path);
  for (int i = 0; i < kGuardedFiles; ++i) {
    guards_[i] = std::make_unique<FileGuard>(this, i);
    GuardWrites(base_ + kGuarded[i], guards_[i].get());
  }
  active_ = true;
  return Status::Ok();
}

bool Journal::Save(int file, File& f, uint64_t offset, uint64_t length) {
  if (!active_) return true;
  const int64_t old = sizes_[file];
  if (old <= 0 || offset >= static_cast<uint64_t>(old)) return true;
  uint64_t end = length > static_cast<uint64_t>(old) - offset ? static_cast<uint64_t>(old)
                                                              : offset + length;
  // Every sync of the journal costs milliseconds, and the key file's pages change all
  // over it: a key file of moderate size goes into the journal whole at its first
  // change, with one sync, instead of a sync for each page.
  if (file == kKeyFile && saved_[file].empty() && static_cast<uint64_t>(old) <= kWholeFileLimit) {
    offset = 0;
    end = static_cast<uint64_t>(old);
  }
  std::string entries;
  std::vector<char> bytes(kChunk);
  for (uint64_t chunk = offset / kChunk; chunk * kChunk < end; ++chunk) {
    if (saved_[file].count(chunk)) continue;
    const uint64_t at = chunk * kChunk;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, static_cast<uint64_t>(old) - at));
    if (!f.ReadExact(at, bytes.data(), n)) return false;
    std::string entry(kChunkHead, '\0');
    entry[0] = static_cast<char>(file);
    PutU64(entry.data() + 1, at);
    PutU32(entry.data() + 9, static_cast<uint32_t>(n));
    entry.append(bytes.data(), n);
    unsigned char sum[4];
    PutU32(sum, Checksum(entry.data(), entry.size()));
    entry.append(reinterpret_cast<char*>(sum), 4);
    entries += entry;
  }
  if (entries.empty()) return true;
  // The old bytes must be on disk before the file's own change can be.
  if (!out_->WriteAt(outSize_, entries.data(), entries.size()) || !out_->Sync()) return false;
  outSize_ += entries.size();
  for (uint64_t chunk = offset / kChunk; chunk * kChunk < end; ++chunk) saved_[file].insert(chunk);
  return true;
}

Status Journal::Finish() {
  if (!active_) return Status::Ok();
  for (int i = 0; i < kGuardedFiles; ++i) {
    GuardWrites(base_ + kGuarded[i], nullptr);
    guards_[i].reset();
  }
  out_.reset();
  active_ = false;
  const std::string path = base_ + kJournalExtension;
  if (!Env::Current()->Remove(path)) return Status::IOError(path + ": cannot be removed");
  return Status::Ok();
}

Status Journal::Recover(const std::string& base) {
  Env* env = Env::Current();
  const std::string path = base + kJournalExtension;
  if (!env->Exists(path)) return Status::Ok();
  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) return Status::IOError(path + ": cannot be read");
  auto fail = [&](const std::string& file) {
    return Status::IOError(file + ": an interrupted write cannot be rolled back");
  };
  size_t headEnd = 0;
  if (bytes.size() >= kHeadFixed + 4 && HasMagic(bytes.data(), kMagic)) {
    const size_t listLength = GetU32(bytes.data() + kHeadFixed - 4);
    if (listLength <= bytes.size() - kHeadFixed - 4 &&
        GetU32(bytes.data() + kHeadFixed + listLength) == Checksum(bytes.data(), kHeadFixed + listLength))
      headEnd = kHeadFixed + listLength + 4;
  }
  if (headEnd) {
    std::array<std::unique_ptr<File>, kGuardedFiles> files;
    for (size_t at = headEnd; at + kChunkHead + 4 <= bytes.size();) {
      const auto file = static_cast<unsigned char>(bytes[at]);
      const uint64_t offset = GetU64(bytes.data() + at + 1);
      const size_t n = GetU32(bytes.data() + at + 9);
      if (file >= kGuardedFiles || n > kChunk || at + kChunkHead + n + 4 > bytes.size() ||
          GetU32(bytes.data() + at + kChunkHead + n) != Checksum(bytes.data() + at, kChunkHead + n))
        break;
      const std::string target = base + kGuarded[file];
      if (!files[file] && !(files[file] = env->Open(target, OpenMode::ReadWrite))) return fail(target);
      if (!files[file]->WriteAt(offset, bytes.data() + at + kChunkHead, n)) return fail(target);
      at += kChunkHead + n + 4;
    }
    for (int i = 0; i < kGuardedFiles; ++i) {
      const std::string target = base + kGuarded[i];
      const auto size = static_cast<int64_t>(GetU64(bytes.data() + kHeadSizesAt + 8 * i));
      if (size < 0) {
        files[i].reset();
        if (env->Exists(target) && !env->Remove(target)) return fail(target);
        continue;
      }
      if (!files[i] && !(files[i] = env->Open(target, OpenMode::ReadWrite))) return fail(target);
      if (!files[i]->Truncate(static_cast<uint64_t>(size)) || !files[i]->Sync()) return fail(target);
    }
    const std::string list = base + ".cdl";
    if (static_cast<int64_t>(GetU64(bytes.data() + kHeadSizesAt + 8 * kGuardedFiles)) < 0) {
      if (env->Exists(list) && !env->Remove(list)) return fail(list);
    } else if (!ReplaceWholeFile(list, bytes.substr(kHeadFixed, GetU32(bytes.data() + kHeadFixed - 4))).ok()) {
      return fail(list);
    }
  }
  env->Remove(base + ".cdl.new");
  if (!env->Remove(path)) return Status::IOError(path + ": cannot be removed");
  return Status::Ok();
}

}  // namespace zrt
