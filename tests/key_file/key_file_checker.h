// An independent reader of key files for the tests: walks the raw bytes by the format
// tables, without the engine's code, and reports every rule a file breaks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace keyfile_test {

struct RawEntry {
  std::string key;
  int32_t record = 0;
  uint8_t field = 0;
  uint8_t position = 0;
};

// Independent order: key bytes unsigned, shorter prefix first, then record (signed),
// field, position.
int CompareRaw(const RawEntry& a, const RawEntry& b);
bool operator<(const RawEntry& a, const RawEntry& b);
bool operator==(const RawEntry& a, const RawEntry& b);

struct RawPage {
  int32_t offset = 0;
  uint32_t used = 0;
  int32_t leftmost = 0;
  std::vector<RawEntry> entries;
  std::vector<int32_t> children;  // the entries' child links
};

struct CheckedFile {
  int levels = 0;
  int32_t free_head = -1;
  std::vector<RawEntry> entries;    // in tree order
  std::vector<int32_t> tree_pages;  // offsets of pages other than the root, pre-order
  std::vector<int32_t> free_pages;  // in list order
  std::string error;                // empty when every rule holds
};

// Reads a page image at `offset` of `bytes` (the root when offset is 0).
bool ReadRawPage(const std::string& bytes, int32_t offset, RawPage* page, std::string* error);
CheckedFile CheckKeyFile(const std::string& bytes);
CheckedFile CheckKeyFilePath(const std::string& path);

}  // namespace keyfile_test
