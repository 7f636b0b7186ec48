// One writer, many readers: advisory locks on the edition's lock file (".lck"), which
// is never replaced, so that every process locks the same file even while a pack renames
// the others.
//
//   byte 0   writer lock: held exclusively by the one process that writes, from its
//            first change until it closes the edition; a second writer is refused
//   byte 1   state lock: exclusive while a write transaction changes files in place (or
//            a pack swaps files in), shared while a reader opens the edition or reads
//            its update index
//   8-15     commit counter (u64): one more at every commit
//   16-23    pack counter (u64): one more at every pack
//
// Open-file-description locks: they conflict between two handles of one process as they
// do between processes, and closing another descriptor of the file does not drop them.
// On a medium where the lock file cannot be made (a read-only edition) there is no
// writer, and nothing is locked.
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"

namespace zrt {

inline constexpr char kLockExtension[] = ".lck";

class EditionLock {
public:
  EditionLock() = default;
  ~EditionLock();
  EditionLock(const EditionLock&) = delete;
  EditionLock& operator=(const EditionLock&) = delete;

  // Opens (or makes) the lock file of the edition; harmless when it is already open.
  void Attach(const std::string& base);
  // Unlocks everything and closes the lock file.
  void Release();

  // Fails at once when another handle or process writes the edition.
  Status LockWriter();
  bool writer() const { return writer_; }
  // Waits for the state lock (at most ten seconds); taking it shared while holding it
  // exclusive keeps it exclusive.
  Status LockState(bool exclusive);
  void UnlockState();
  bool stateExclusive() const { return state_ == 2; }

  struct Counters {
    uint64_t commits = 0;
    uint64_t packs = 0;
    bool operator==(const Counters&) const = default;
  };
  Counters Read() const;
  // Adds one commit (and one pack when `pack`); needs the writer lock.
  Status Count(bool pack);

private:
  bool SetLock(int byte, short type, bool wait);

  std::string path_;
  int fd_ = -1;
  bool writable_ = false;
  bool writer_ = false;
  int state_ = 0;  // 0 none, 1 shared, 2 exclusive
};

}  // namespace zrt
