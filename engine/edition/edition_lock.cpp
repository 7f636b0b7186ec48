#include "edition/edition_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "base/bytes.h"
#include "base/file.h"

namespace zrt {
namespace {

constexpr off_t kCommitsAt = 8;
constexpr int kWriterByte = 0;
constexpr int kStateByte = 1;
constexpr long kWaitMicroseconds = 10 * 1000 * 1000;

}  // namespace

EditionLock::~EditionLock() { Release(); }

void EditionLock::Attach(const std::string& base) {
  if (fd_ >= 0 && path_ == base + kLockExtension) return;
  Release();
  path_ = base + kLockExtension;
  // Opening a store that is not there must not leave a lock file behind: the lock is
  // created only beside an edition, or beside the marker of a pack or move to finish.
  Env* env = Env::Current();
  const bool present = env->Exists(base + ".cdo") || env->Exists(base + ".c$m") || env->Exists(base + ".c$$");
  fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC | (present ? O_CREAT : 0), 0644);
  writable_ = fd_ >= 0;
  if (fd_ < 0) fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
}

void EditionLock::Release() {
  if (fd_ >= 0) ::close(fd_);  // drops every lock of this descriptor
  fd_ = -1;
  writable_ = writer_ = false;
  state_ = 0;
}

bool EditionLock::SetLock(int byte, short type, bool wait) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  // Waiting is polled, and given up after a while: a handle of this very process that
  // holds the lock would otherwise never let go.
  long waited = 0;
  for (;;) {
    if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) return true;
    if (errno != EINTR && errno != EAGAIN && errno != EACCES) return false;
    if (!wait || waited >= kWaitMicroseconds) return false;
    const long step = waited < 10000 ? 1000 : 10000;
    ::usleep(static_cast<useconds_t>(step));
    waited += step;
  }
}

Status EditionLock::LockWriter() {
  if (writer_) return Status::Ok();
  if (fd_ < 0 || !writable_) return Status::ReadOnly(path_ + ": the edition cannot be locked for writing");
  if (!SetLock(kWriterByte, F_WRLCK, false))
    return Status::IOError(path_.substr(0, path_.size() - 4) +
                           ": another process is writing to the edition; try again when it has finished");
  writer_ = true;
  return Status::Ok();
}

Status EditionLock::LockState(bool exclusive) {
  if (fd_ < 0) return Status::Ok();
  if (state_ == 2 || (state_ == 1 && !exclusive)) return Status::Ok();
  if (exclusive && !writable_) return Status::ReadOnly(path_ + ": the edition cannot be locked for writing");
  if (!SetLock(kStateByte, exclusive ? F_WRLCK : F_RDLCK, true))
    return Status::IOError(path_.substr(0, path_.size() - 4) +
                           ": the edition is being changed by another process; try again later");
  state_ = exclusive ? 2 : 1;
  return Status::Ok();
}

void EditionLock::UnlockState() {
  if (fd_ < 0 || state_ == 0) return;
  SetLock(kStateByte, F_UNLCK, false);
  state_ = 0;
}

EditionLock::Counters EditionLock::Read() const {
  Counters c;
  unsigned char bytes[16];
  if (fd_ >= 0 && ::pread(fd_, bytes, sizeof bytes, kCommitsAt) == sizeof bytes) {
    c.commits = GetU64(bytes);
    c.packs = GetU64(bytes + 8);
  }
  return c;
}

Status EditionLock::Count(bool pack) {
  if (!writer_) return Status::Ok();
  Counters c = Read();
  ++c.commits;
  if (pack) ++c.packs;
  unsigned char bytes[16];
  PutU64(bytes, c.commits);
  PutU64(bytes + 8, c.packs);
  if (::pwrite(fd_, bytes, sizeof bytes, kCommitsAt) != sizeof bytes)
    return Status::IOError(path_ + ": cannot be written");
  return Status::Ok();
}

}  // namespace zrt
