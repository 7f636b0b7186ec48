// What the fuzz targets share: an in-memory file layer, so that a damaged file never
// touches the disk and each input starts from the same files, and the seed edition that
// the edition targets damage one file of.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "base/file.h"

namespace fuzz {

class MemEnv final : public zrt::Env {
public:
  std::map<std::string, std::string> files;

  std::unique_ptr<zrt::File> Open(const std::string& path, zrt::OpenMode mode, zrt::Status* why) override {
    auto it = files.find(path);
    if (mode == zrt::OpenMode::Create) it = files.insert_or_assign(path, std::string()).first;
    if (it == files.end()) {
      if (why) *why = zrt::Status::NotFound(path + ": no such file");
      return nullptr;
    }
    return std::make_unique<MemFile>(&it->second);
  }
  bool Exists(const std::string& p) override { return files.count(p) != 0; }
  bool Writable(const std::string& p) override { return Exists(p); }
  bool Remove(const std::string& p) override { return files.erase(p) != 0; }
  bool Rename(const std::string& from, const std::string& to) override {
    auto it = files.find(from);
    if (it == files.end()) return false;
    std::string bytes = std::move(it->second);
    files.erase(it);
    files[to] = std::move(bytes);
    return true;
  }

private:
  class MemFile final : public zrt::File {
  public:
    explicit MemFile(std::string* bytes) : bytes_(bytes) {}
    long long ReadAt(uint64_t offset, void* buf, size_t n) override {
      if (offset >= bytes_->size()) return 0;
      size_t got = std::min<uint64_t>(n, bytes_->size() - offset);
      std::memcpy(buf, bytes_->data() + offset, got);
      return static_cast<long long>(got);
    }
    bool WriteAt(uint64_t offset, const void* buf, size_t n) override {
      // A runaway writer would only exhaust the fuzzer's memory.
      if (offset + n > (64u << 20)) return false;
      if (bytes_->size() < offset + n) bytes_->resize(offset + n);
      std::memcpy(bytes_->data() + offset, buf, n);
      return true;
    }
    long long Size() override { return static_cast<long long>(bytes_->size()); }
    bool Truncate(uint64_t size) override {
      bytes_->resize(size);
      return true;
    }
    bool Sync() override { return true; }

  private:
    std::string* bytes_;
  };
};

// A file of the real disk, read once at start-up; empty when it cannot be read.
std::string ReadDiskFile(const std::string& path);

// The seed editions that fuzz.sh makes in the folder ZRT_FUZZ_SEEDS names (default: the
// build's): "edition/seed" has a static index only, "edition/updated" also documents
// appended through the update index. Searches of the update index scan it, so the
// targets that do not damage it read the faster one.
inline const char kStaticEdition[] = "edition/seed";
inline const char kUpdatedEdition[] = "edition/updated";
// An edition's files by extension (".cdd"), read once.
const std::map<std::string, std::string>& SeedEdition(const std::string& name);
// The base name of the edition in a MemEnv filled with MemEnvFiles().
inline const char kMemBase[] = "/mem/seed";
std::map<std::string, std::string> MemEnvFiles(const std::string& name);

}  // namespace fuzz
