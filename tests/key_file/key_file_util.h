// Shared helpers of the key-file tests: entry builders, whole-tree reads.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "index/key_file.h"
#include "fixture/scratch.h"
#include "key_file/key_file_checker.h"

namespace keyfile_test {

inline zrt::KeyEntry E(std::string key, int32_t record, uint8_t field = 0, uint8_t position = 0) {
  zrt::KeyEntry e;
  e.key = std::move(key);
  e.record = record;
  e.field = field;
  e.position = position;
  return e;
}

inline RawEntry ToRaw(const zrt::KeyEntry& e) { return RawEntry{e.key, e.record, e.field, e.position}; }

using fixture::TempDir;

// Every entry by First/Next; stops (and fails the test) on an error.
inline std::vector<zrt::KeyEntry> ScanAll(zrt::KeyFile* kf, zrt::Status* status = nullptr) {
  std::vector<zrt::KeyEntry> all;
  zrt::Status s = kf->First();
  bool found = true;
  while (s.ok()) {
    zrt::KeyEntry e;
    s = kf->Next(&e, &found);
    if (!s.ok() || !found) break;
    all.push_back(std::move(e));
  }
  if (status) *status = s;
  return all;
}

}  // namespace keyfile_test
