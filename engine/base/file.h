// The one seam through which every reader and writer of edition files goes, so that
// tests can swap in a file layer that injects faults (short reads, failed writes,
// a crash at the n-th operation).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/status.h"

namespace zrt {

class File {
public:
  virtual ~File() = default;
  // Reads up to n bytes at offset; returns the count read (short at end of file), -1 on error.
  virtual long long ReadAt(uint64_t offset, void* buf, size_t n) = 0;
  // Writes all n bytes at offset; false on any error.
  virtual bool WriteAt(uint64_t offset, const void* buf, size_t n) = 0;
  virtual long long Size() = 0;  // -1 on error
  virtual bool Truncate(uint64_t size) = 0;
  virtual bool Sync() = 0;
  // Reads exactly n bytes at offset; false on a short read or an error.
  bool ReadExact(uint64_t offset, void* buf, size_t n) {
    return ReadAt(offset, buf, n) == static_cast<long long>(n);
  }
};

enum class OpenMode {
  Read,       // existing file, read only
  ReadWrite,  // existing file, read and write
  Create,     // create or truncate, read and write
};

class Env {
public:
  virtual ~Env() = default;
  virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode, Status* why = nullptr) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // True when the file exists and this process may write it.
  virtual bool Writable(const std::string& path) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // Replaces `to` by `from` in one step.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;

  // The process-wide file layer; tests may install their own (nullptr restores the default).
  static Env* Current();
  static void SetCurrent(Env* env);
  static Env* Posix();
};

// The failure of an Env::Open that returned null: `why` when the file layer said why,
// else a plain I/O error (a test's file layer may refuse without a reason).
inline Status OpenFailure(const Status& why, const std::string& path) {
  return why.ok() ? Status::IOError(path + ": cannot be opened") : why;
}

// Sees every write and truncation of one file before it happens, so that a rollback
// journal can first save the bytes about to change. `file` is the file being changed
// (for reading the old bytes); a truncation passes length UINT64_MAX from the new size.
// A false result refuses the change.
class WriteGuard {
public:
  virtual ~WriteGuard() = default;
  virtual bool BeforeChange(File& file, uint64_t offset, uint64_t length) = 0;
};

// Puts `guard` in front of the file at `path` for every handle of it in this process
// (nullptr removes it). The default file layer asks it; a test's layer that passes its
// files on to the default one keeps it.
void GuardWrites(const std::string& path, WriteGuard* guard);

// Whole-file helper for small files (descriptions, stop lists, forms).
bool ReadWholeFile(const std::string& path, std::string* out, size_t limit = SIZE_MAX);

// Replaces the file at `path` by `bytes` through a synced file beside it (`path` +
// ".new"), so that a failure leaves the old content whole.
Status ReplaceWholeFile(const std::string& path, const std::string& bytes);

}  // namespace zrt
