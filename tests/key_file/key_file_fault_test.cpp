// Damaged files and failing file layers: never a crash, always a reported failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fixture/fault_env.h"
#include "fixture/fixture_writer.h"
#include "key_file/key_file_util.h"

namespace keyfile_test {
namespace {

using zrt::KeyEntry;
using zrt::KeyFile;
using zrt::KeyFileMode;
using zrt::Status;

std::vector<KeyEntry> RandomEntries(uint32_t seed, int n) {
  std::mt19937 rng(seed);
  std::vector<KeyEntry> v;
  for (int i = 0; i < n; ++i) {
    std::string key;
    size_t len = 1 + rng() % 30;
    for (size_t k = 0; k < len; ++k) key += static_cast<char>('A' + rng() % 26);
    v.push_back(E(key, static_cast<int32_t>(rng() % 1000), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())));
  }
  return v;
}

// Builds a file with several levels and a free list.
std::vector<RawEntry> BuildSample(const std::string& path) {
  std::unique_ptr<KeyFile> kf;
  EXPECT_TRUE(KeyFile::Create(path, KeyFileMode::Duplicate, &kf).ok());
  auto entries = RandomEntries(11, 1600);
  for (const auto& e : entries) EXPECT_TRUE(kf->Insert(e).ok());
  for (size_t i = 0; i < entries.size(); i += 3) EXPECT_TRUE(kf->Remove(entries[i]).ok());
  EXPECT_EQ(kf->levels(), 3);
  EXPECT_TRUE(kf->Close().ok());
  CheckedFile cf = CheckKeyFilePath(path);
  EXPECT_EQ(cf.error, "");
  EXPECT_FALSE(cf.free_pages.empty());
  return cf.entries;
}

// Uses a possibly damaged file every way there is; returns false when any call failed.
bool Exercise(const std::string& path, std::vector<KeyEntry>* scanned = nullptr) {
  std::unique_ptr<KeyFile> kf;
  if (!KeyFile::Open(path, KeyFileMode::Duplicate, &kf).ok()) return false;
  bool ok = true;
  std::vector<KeyEntry> all;
  Status s = kf->First();
  for (size_t steps = 0; s.ok() && steps < 100000; ++steps) {
    KeyEntry e;
    bool found = false;
    s = kf->Next(&e, &found);
    if (!found) break;
    all.push_back(e);
  }
  ok = ok && s.ok();
  if (scanned) *scanned = all;
  for (const char* key : {"", "A", "M", "QQQ", "ZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZ"}) {
    KeyEntry out;
    bool found = false, prefix = false;
    ok = kf->Find(key, &out, &found, &prefix).ok() && ok;
  }
  for (const auto& e : RandomEntries(5, 40)) ok = kf->Insert(e).ok() && ok;
  for (size_t i = 0; i < all.size() && i < 400; i += 7) ok = kf->Remove(all[i]).ok() && ok;
  ok = kf->Close().ok() && ok;
  return ok;
}

TEST(KeyFileCorrupt, TruncatedFilesFailCleanly) {
  TempDir dir;
  std::string good = dir / "good.cdi", bad = dir / "bad.cdi";
  BuildSample(good);
  std::string bytes = fixture::ReadFile(good);
  CheckedFile cf = CheckKeyFile(bytes);
  size_t tree_end = 1032;
  for (int32_t page : cf.tree_pages) tree_end = std::max(tree_end, static_cast<size_t>(page) + 1024);
  for (size_t len = 0; len < bytes.size(); len += len < 1100 ? 37 : 389) {
    fixture::WriteFile(bad, bytes.substr(0, len));
    bool ok = Exercise(bad);
    if (len < tree_end) {
      EXPECT_FALSE(ok) << len;  // the cut loses a page the tree links to
    }
  }
  std::unique_ptr<KeyFile> kf;
  fixture::WriteFile(bad, bytes.substr(0, 1031));
  EXPECT_EQ(KeyFile::Open(bad, KeyFileMode::Duplicate, &kf).code(), Status::Code::Corruption);
}

TEST(KeyFileCorrupt, FlippedBytesNeverCrashAndValidFilesReadRight) {
  TempDir dir;
  std::string good = dir / "good.cdi", bad = dir / "bad.cdi";
  BuildSample(good);
  const std::string bytes = fixture::ReadFile(good);
  std::mt19937 rng(1234);
  int still_valid = 0, reported = 0;
  for (int round = 0; round < 300; ++round) {
    std::string damaged = bytes;
    int flips = 1 + static_cast<int>(rng() % 3);
    for (int f = 0; f < flips; ++f) {
      // Half of the flips hit the numbers of a header or page header.
      size_t at = rng() % 2 ? rng() % damaged.size() : (rng() % (damaged.size() / 1024)) * 1024 + 8 + rng() % 12;
      at = std::min(at, damaged.size() - 1);
      damaged[at] = static_cast<char>(rng() % 3 ? damaged[at] ^ (1 << (rng() % 8)) : rng());
    }
    fixture::WriteFile(bad, damaged);
    CheckedFile cf = CheckKeyFile(damaged);
    std::vector<KeyEntry> scanned;
    bool ok = Exercise(bad, &scanned);
    if (cf.error.empty()) {
      // A damage the format allows (a record number, a byte of a key in order) must be
      // read as the independent reader reads it.
      ++still_valid;
      std::vector<RawEntry> raw;
      for (const auto& e : scanned) raw.push_back(ToRaw(e));
      EXPECT_EQ(raw, cf.entries) << "round " << round;
      EXPECT_TRUE(ok) << "round " << round;
    } else if (!ok) {
      ++reported;
    }
  }
  EXPECT_GT(still_valid, 0);
  EXPECT_GT(reported, 50);
}

int32_t I32(const std::string& b, size_t at) { return static_cast<int32_t>(fixture::GetU32(b, at)); }
void Put32(std::string* b, size_t at, int32_t v) { fixture::PutU32(*b, at, static_cast<uint32_t>(v)); }

TEST(KeyFileCorrupt, LinksThatLoopOrLieAreCaught) {
  TempDir dir;
  std::string good = dir / "good.cdi", bad = dir / "bad.cdi";
  BuildSample(good);
  const std::string bytes = fixture::ReadFile(good);
  const int32_t level1 = I32(bytes, 8);  // the root's leftmost child

  struct Damage {
    const char* what;
    size_t at;
    int32_t value;
  };
  const Damage damages[] = {
      {"child link back to the root", 8, 0},
      {"page is its own child", static_cast<size_t>(level1) + 8, level1},
      {"child link past the end", 8, static_cast<int32_t>(bytes.size())},
      {"child link not on a page boundary but inside the file", 8, 1500},
      {"used bytes too many", 4, 1016},
      {"level count zero", 1028, 0},
      {"level count nine", 1028, 9},
      {"levels one too many", 1028, 4},
      {"free head inside the header", 1024, 12},
      {"free head past the end", 1024, static_cast<int32_t>(bytes.size()) + 1024},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    std::string damaged = bytes;
    Put32(&damaged, d.at, d.value);
    fixture::WriteFile(bad, damaged);
    EXPECT_FALSE(Exercise(bad));
  }

  // A free list that loops back hands out a page twice unless allocation checks it.
  CheckedFile cf = CheckKeyFile(bytes);
  ASSERT_GE(cf.free_pages.size(), 2u);
  std::string looped = bytes;
  Put32(&looped, static_cast<size_t>(cf.free_pages[1]), cf.free_pages[0]);
  fixture::WriteFile(bad, looped);
  std::unique_ptr<KeyFile> kf;
  ASSERT_TRUE(KeyFile::Open(bad, KeyFileMode::Duplicate, &kf).ok());
  Status s;
  for (const auto& e : RandomEntries(99, 3000)) {
    s = kf->Insert(e);
    if (!s.ok()) break;
  }
  EXPECT_EQ(s.code(), Status::Code::Corruption);
  EXPECT_FALSE(kf->Close().ok());
}

// Runs a workload with enough pages to go through cache evictions; false when any call
// reported a failure. After the first failure every later call must fail as well.
bool WriteWorkload(const std::string& path, bool* sticky) {
  *sticky = true;
  std::unique_ptr<KeyFile> kf;
  if (Status created = KeyFile::Create(path, KeyFileMode::Unique, &kf); !created.ok()) {
    EXPECT_EQ(created.code(), Status::Code::IOError);  // the header write failed
    EXPECT_EQ(kf, nullptr);
    return false;
  }
  bool failed = false;
  auto note = [&](const Status& s) {
    if (failed && s.ok()) *sticky = false;
    if (!s.ok()) failed = true;
  };
  auto entries = RandomEntries(21, 500);
  for (const auto& e : entries) note(kf->Insert(e));
  note(kf->Flush());
  for (size_t i = 0; i < entries.size(); i += 2) note(kf->Remove(entries[i]));
  note(kf->Close());
  return !failed;
}

TEST(KeyFileFaults, EveryFailedWriteIsReported) {
  TempDir dir;
  std::string path = dir / "t.cdi";
  fixture::FaultEnv env;
  bool sticky = false;
  ASSERT_TRUE(WriteWorkload(path, &sticky));
  const long total = env.writes;
  ASSERT_GT(total, 30);
  // Every write of the first pages and the header; a sample of the many evictions.
  for (long n = 1; n <= total; n += n < 40 ? 1 : 7) {
    SCOPED_TRACE("failing write " + std::to_string(n));
    env.writes = 0;
    env.failWriteAt = n;
    bool ok = WriteWorkload(path, &sticky);
    if (env.writes >= n) {
      EXPECT_FALSE(ok);
    }
    EXPECT_TRUE(sticky);
  }
}

TEST(KeyFileFaults, AnotherFilesFailedEvictionIsReportedToThatFile) {
  TempDir dir;
  std::string pa = dir / "a.cdi", pb = dir / "b.cdi";
  fixture::FaultEnv env;
  env.only = "b.cdi";
  env.failWriteAt = 4;  // after the header: one of b's pages written back on eviction
  std::unique_ptr<KeyFile> a, b;
  ASSERT_TRUE(KeyFile::Create(pa, KeyFileMode::Duplicate, &a).ok());
  ASSERT_TRUE(KeyFile::Create(pb, KeyFileMode::Duplicate, &b).ok());
  std::vector<RawEntry> model_a;
  bool b_failed = false;
  auto entries = RandomEntries(3, 2000);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i % 2) {
      ASSERT_TRUE(a->Insert(entries[i]).ok());
      model_a.push_back(ToRaw(entries[i]));
    } else if (!b->Insert(entries[i]).ok()) {
      b_failed = true;
    }
  }
  EXPECT_GE(env.writes, 4);
  EXPECT_FALSE(b->Close().ok() && !b_failed);
  ASSERT_TRUE(a->Close().ok());
  std::sort(model_a.begin(), model_a.end());
  CheckedFile ca = CheckKeyFilePath(pa);
  EXPECT_EQ(ca.error, "");
  EXPECT_EQ(ca.entries, model_a);
}

TEST(KeyFileFaults, FailedReadsAreReported) {
  TempDir dir;
  std::string path = dir / "t.cdi";
  BuildSample(path);
  fixture::FaultEnv env;
  ASSERT_TRUE(Exercise(path));
  const long total = env.reads;
  ASSERT_GT(total, 10);
  BuildSample(path);
  for (long n = 1; n <= total; n += std::max(1L, total / 60)) {
    SCOPED_TRACE("failing reads from " + std::to_string(n));
    env.reads = 0;
    env.failReadsFrom = n;
    EXPECT_FALSE(Exercise(path));
  }
}

}  // namespace
}  // namespace keyfile_test
