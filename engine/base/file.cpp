#include "base/file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zrt {
namespace {

struct Guards {
  std::mutex mutex;
  std::map<std::string, WriteGuard*> byPath;
  // The size of byPath: loads and packs write with no guard at all and skip the lookup.
  std::atomic<size_t> count{0};
};
Guards& AllGuards() {
  static Guards guards;
  return guards;
}
WriteGuard* GuardOf(const std::string& path) {
  Guards& g = AllGuards();
  if (g.count.load(std::memory_order_acquire) == 0) return nullptr;
  std::lock_guard<std::mutex> lock(g.mutex);
  auto it = g.byPath.find(path);
  return it == g.byPath.end() ? nullptr : it->second;
}

class PosixFile final : public File {
public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override { ::close(fd_); }

  long long ReadAt(uint64_t offset, void* buf, size_t n) override {
    size_t done = 0;
    auto* p = static_cast<char*>(buf);
    while (done < n) {
      ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    return static_cast<long long>(done);
  }

  bool WriteAt(uint64_t offset, const void* buf, size_t n) override {
    if (WriteGuard* guard = GuardOf(path_); guard && !guard->BeforeChange(*this, offset, n))
      return false;
    size_t done = 0;
    const auto* p = static_cast<const char*>(buf);
    while (done < n) {
      ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += static_cast<size_t>(r);
    }
    return true;
  }

  long long Size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return -1;
    return static_cast<long long>(st.st_size);
  }

  bool Truncate(uint64_t size) override {
    if (WriteGuard* guard = GuardOf(path_); guard && !guard->BeforeChange(*this, size, UINT64_MAX))
      return false;
    return ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
  }
  bool Sync() override { return ::fsync(fd_) == 0; }

private:
  int fd_;
  std::string path_;
};

class PosixEnv final : public Env {
public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode, Status* why) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::Read: flags |= O_RDONLY; break;
      case OpenMode::ReadWrite: flags |= O_RDWR; break;
      case OpenMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
      if (why) *why = Status::IOError(path + ": " + std::strerror(errno));
      return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
      ::close(fd);
      if (why) *why = Status::IOError(path + ": not a regular file");
      return nullptr;
    }
    return std::make_unique<PosixFile>(fd, path);
  }
  bool Exists(const std::string& path) override { return ::access(path.c_str(), F_OK) == 0; }
  bool Writable(const std::string& path) override { return ::access(path.c_str(), W_OK) == 0; }
  bool Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }
  bool Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0;
  }
};

Env* g_current = nullptr;

}  // namespace

void GuardWrites(const std::string& path, WriteGuard* guard) {
  Guards& g = AllGuards();
  std::lock_guard<std::mutex> lock(g.mutex);
  if (guard) {
    g.byPath[path] = guard;
  } else {
    g.byPath.erase(path);
  }
  g.count.store(g.byPath.size(), std::memory_order_release);
}

Env* Env::Posix() {
  static PosixEnv env;
  return &env;
}

Env* Env::Current() { return g_current ? g_current : Posix(); }
void Env::SetCurrent(Env* env) { g_current = env; }

bool ReadWholeFile(const std::string& path, std::string* out, size_t limit) {
  auto f = Env::Current()->Open(path, OpenMode::Read);
  if (!f) return false;
  long long size = f->Size();
  if (size < 0) return false;
  size_t n = static_cast<size_t>(size) < limit ? static_cast<size_t>(size) : limit;
  out->assign(n, '\0');
  long long got = f->ReadAt(0, out->data(), n);
  if (got < 0) return false;
  out->resize(static_cast<size_t>(got));
  return true;
}

Status ReplaceWholeFile(const std::string& path, const std::string& bytes) {
  Env* env = Env::Current();
  const std::string temp = path + ".new";
  Status why;
  auto f = env->Open(temp, OpenMode::Create, &why);
  if (!f) return OpenFailure(why, temp);
  bool written = f->WriteAt(0, bytes.data(), bytes.size()) && f->Sync();
  f.reset();
  if (!written || !env->Rename(temp, path)) {
    env->Remove(temp);
    return Status::IOError(path + ": cannot be written");
  }
  return Status::Ok();
}

}  // namespace zrt
