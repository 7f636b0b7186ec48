// The rollback journal of one write transaction on an edition (appends and updates
// through the update index, from the first change to the commit). Before any byte that
// existed when the transaction began is overwritten in ".cdx", ".cdb" or ".cdi", its
// original 1024-byte chunk is appended to the journal and the journal is synced; bytes
// past a file's old end need no copy, the rollback cuts them off. A key file of up to
// 64 MB is saved whole at its first change, which costs one sync instead of one a page. ".cdl" is replaced as
// a whole at the commit, so its old content is kept whole in the journal's head.
//
// ".c$j": the head, then chunks.
//   head   "ZRTJ", then for ".cdx", ".cdb", ".cdi", ".cdl" in turn the file's size when
//          the transaction began (i64, -1: the file did not exist), then the old ".cdl"
//          bytes, then a checksum (u32) of everything before it
//   chunk  file (u8: 0 ".cdx", 1 ".cdb", 2 ".cdi"), offset (u64), length (u32), the old
//          bytes, a checksum (u32) of the chunk
// The commit is the removal of the journal, after every changed file is synced. An open
// that finds a journal puts the old chunks back, cuts the files to their old sizes and
// restores ".cdl"; a head that fails its checksum means that nothing was changed yet, a
// chunk that fails it ends the list (its page was not written yet).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "base/file.h"
#include "base/status.h"

namespace zrt {

inline constexpr char kJournalExtension[] = ".c$j";

class Journal {
public:
  explicit Journal(std::string base);
  ~Journal();  // an unfinished journal stays on disk for the next open to roll back
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Writes and syncs the head and starts guarding the files.
  Status Begin();
  // The files are synced: removes the journal, which commits the transaction.
  Status Finish();
  bool active() const { return active_; }

  // Rolls back the transaction that an earlier process left unfinished; nothing to do
  // when the edition has no journal. Needs the edition's files writable.
  static Status Recover(const std::string& base);
  static bool Exists(const std::string& base);

private:
  class FileGuard;
  bool Save(int file, File& f, uint64_t offset, uint64_t length);

  static constexpr int kGuardedFiles = 3;  // ".cdx", ".cdb", ".cdi"
  std::string base_;
  std::unique_ptr<File> out_;
  uint64_t outSize_ = 0;
  bool active_ = false;
  std::array<int64_t, kGuardedFiles> sizes_{};
  std::array<std::set<uint64_t>, kGuardedFiles> saved_;  // chunks already in the journal
  std::array<std::unique_ptr<FileGuard>, kGuardedFiles> guards_;
};

}  // namespace zrt
