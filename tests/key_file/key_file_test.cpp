// The key file against an in-memory model and an independent reader of its bytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "fixture/fixture_writer.h"
#include "key_file/key_file_util.h"

namespace keyfile_test {
namespace {

using zrt::KeyEntry;
using zrt::KeyFile;
using zrt::KeyFileMode;

// The model keeps the checker's order, which is written apart from the engine's.
struct EntryLess {
  bool operator()(const KeyEntry& a, const KeyEntry& b) const { return ToRaw(a) < ToRaw(b); }
};
using Model = std::multiset<KeyEntry, EntryLess>;

template <class Entries>
std::vector<RawEntry> Raw(const Entries& m) {
  std::vector<RawEntry> v;
  for (const auto& e : m) v.push_back(ToRaw(e));
  return v;
}

std::unique_ptr<KeyFile> MustCreate(const std::string& path, KeyFileMode mode) {
  std::unique_ptr<KeyFile> kf;
  zrt::Status s = KeyFile::Create(path, mode, &kf);
  EXPECT_TRUE(s.ok()) << s.message();
  return kf;
}

std::unique_ptr<KeyFile> MustOpen(const std::string& path, KeyFileMode mode) {
  std::unique_ptr<KeyFile> kf;
  zrt::Status s = KeyFile::Open(path, mode, &kf);
  EXPECT_TRUE(s.ok()) << s.message();
  return kf;
}

// Random keys shaped to make many entries per key (short keys), few per page (long
// keys) or separators of very different lengths (mixed), so that splits, merges,
// borrows, root changes and separators that no longer fit all happen.
enum class KeyShape { Short, Long, Mixed };

class Workload {
public:
  Workload(uint32_t seed, KeyShape keys) : rng_(seed), keys_(keys) {}

  KeyEntry RandomEntry() {
    std::string key;
    if (keys_ == KeyShape::Mixed) {
      size_t n = rng_() % 2 ? rng_() % 2 : 28 + rng_() % 3;
      for (size_t i = 0; i < n; ++i) key += static_cast<char>('A' + rng_() % 26);
    } else if (keys_ == KeyShape::Long) {
      size_t n = 1 + rng_() % 30;
      for (size_t i = 0; i < n; ++i) key += static_cast<char>(i < 2 ? 'A' + rng_() % 4 : 0x80 + rng_() % 100);
    } else {
      size_t n = rng_() % 4;
      for (size_t i = 0; i < n; ++i) key += static_cast<char>('A' + rng_() % 3);
    }
    return E(key, static_cast<int32_t>(rng_() % 40) - 2, static_cast<uint8_t>(rng_() % 3),
             static_cast<uint8_t>(rng_() % 3));
  }
  uint32_t Roll(uint32_t n) { return rng_() % n; }

private:
  std::mt19937 rng_;
  KeyShape keys_;
};

// An entry of the (non-empty) model near a random one.
KeyEntry Present(const Model& model, Workload& w) {
  auto it = model.lower_bound(w.RandomEntry());
  return it == model.end() ? *model.rbegin() : *it;
}

void ExpectMatchesModel(KeyFile* kf, const std::string& path, const Model& model) {
  zrt::Status s;
  auto scanned = ScanAll(kf, &s);
  ASSERT_TRUE(s.ok()) << s.message();
  ASSERT_EQ(Raw(scanned), Raw(model));
  ASSERT_TRUE(kf->Flush().ok());
  CheckedFile cf = CheckKeyFilePath(path);
  ASSERT_EQ(cf.error, "");
  ASSERT_EQ(cf.entries, Raw(model));
  ASSERT_EQ(cf.levels, kf->levels());
}

void ExpectFindLikeModel(KeyFile* kf, const Model& model, Workload& w) {
  for (int i = 0; i < 20; ++i) {
    std::string key = w.RandomEntry().key.substr(0, w.Roll(4));
    KeyEntry out;
    bool found = false, prefix = false;
    ASSERT_TRUE(kf->Find(key, &out, &found, &prefix).ok());
    auto it = model.lower_bound(E(key, -1, 0, 0));
    ASSERT_EQ(found, it != model.end());
    if (found) {
      ASSERT_EQ(out, *it);
      ASSERT_EQ(prefix, it->key.compare(0, key.size(), key) == 0);
      KeyEntry after;
      ASSERT_TRUE(kf->Next(&after, &found).ok());
      ++it;
      ASSERT_EQ(found, it != model.end());
      if (found) {
        ASSERT_EQ(after, *it);
      }
    }
  }
}

struct RandomCase {
  KeyFileMode mode;
  KeyShape keys;
  uint32_t seed;
};

class KeyFileRandom : public ::testing::TestWithParam<RandomCase> {};

TEST_P(KeyFileRandom, AgreesWithTheModelThroughGrowthShrinkAndReopen) {
  const RandomCase rc = GetParam();
  TempDir dir;
  std::string path = dir / "t.cdi";
  auto kf = MustCreate(path, rc.mode);
  Model model;
  Workload w(rc.seed, rc.keys);
  int max_levels = 1;
  size_t emptied = 0;
  // Grow, shrink to nothing, grow again: the second growth lives on freed pages.
  const int phases[] = {3500, -1, 2000, -1};
  int ops = 0;
  for (int target : phases) {
    bool shrinking = target < 0;
    for (int step = 0; shrinking ? !model.empty() : static_cast<int>(model.size()) < target; ++step) {
      bool insert = shrinking ? w.Roll(10) < 3 : w.Roll(10) < 7;
      if (insert) {
        KeyEntry e = model.empty() || w.Roll(4) ? w.RandomEntry() : Present(model, w);
        bool inserted = false;
        zrt::Status s = kf->Insert(e, &inserted);
        ASSERT_TRUE(s.ok()) << s.message();
        bool expect = rc.mode == KeyFileMode::Duplicate || model.find(e) == model.end();
        ASSERT_EQ(inserted, expect);
        if (expect) model.insert(e);
      } else {
        KeyEntry e = model.empty() || !w.Roll(5) ? w.RandomEntry() : Present(model, w);
        bool removed = false;
        zrt::Status s = kf->Remove(e, &removed);
        ASSERT_TRUE(s.ok()) << s.message();
        auto it = model.find(e);
        ASSERT_EQ(removed, it != model.end());
        if (it != model.end()) model.erase(it);
      }
      max_levels = std::max(max_levels, kf->levels());
      if (++ops % 1500 == 0) {
        ASSERT_NO_FATAL_FAILURE(ExpectMatchesModel(kf.get(), path, model));
        ASSERT_NO_FATAL_FAILURE(ExpectFindLikeModel(kf.get(), model, w));
        if (ops % 4500 == 0) {
          ASSERT_TRUE(kf->Close().ok());
          kf = MustOpen(path, rc.mode);
          ASSERT_NO_FATAL_FAILURE(ExpectMatchesModel(kf.get(), path, model));
        }
      }
    }
    ASSERT_NO_FATAL_FAILURE(ExpectMatchesModel(kf.get(), path, model));
    const size_t size = fixture::ReadFile(path).size();
    if (shrinking) {
      // Emptied: one level again, every other page on the free list.
      EXPECT_EQ(kf->levels(), 1);
      CheckedFile cf = CheckKeyFilePath(path);
      EXPECT_TRUE(cf.tree_pages.empty());
      EXPECT_EQ(cf.free_pages.size(), (size - 1032) / 1024);
      emptied = size;
    } else if (emptied) {
      EXPECT_EQ(size, emptied) << "the smaller second growth lives on freed pages";
    }
  }
  EXPECT_GE(max_levels, rc.keys == KeyShape::Short ? 2 : 3);
  ASSERT_TRUE(kf->Close().ok());
}

std::string RandomCaseName(const ::testing::TestParamInfo<RandomCase>& info) {
  static const char* const shapes[] = {"Short", "Long", "Mixed"};
  return std::string(info.param.mode == KeyFileMode::Unique ? "Unique" : "Duplicate") +
         shapes[static_cast<int>(info.param.keys)];
}

INSTANTIATE_TEST_SUITE_P(Modes, KeyFileRandom,
                         ::testing::Values(RandomCase{KeyFileMode::Unique, KeyShape::Short, 1},
                                           RandomCase{KeyFileMode::Unique, KeyShape::Long, 2},
                                           RandomCase{KeyFileMode::Unique, KeyShape::Mixed, 3},
                                           RandomCase{KeyFileMode::Duplicate, KeyShape::Short, 4},
                                           RandomCase{KeyFileMode::Duplicate, KeyShape::Long, 5},
                                           RandomCase{KeyFileMode::Duplicate, KeyShape::Mixed, 6}),
                         RandomCaseName);

TEST(KeyFileCache, ClosingOneTreeKeepsTheOthersPages) {
  TempDir dir;
  std::string pa = dir / "a.cdi", pb = dir / "b.cdi";
  auto a = MustCreate(pa, KeyFileMode::Duplicate);
  auto b = MustCreate(pb, KeyFileMode::Duplicate);
  Model ma, mb;
  Workload w(77, KeyShape::Long);
  // Interleaved so that both files hold dirty pages in the shared slots.
  for (int i = 0; i < 3000; ++i) {
    KeyEntry e = w.RandomEntry();
    ASSERT_TRUE((i % 2 ? a : b)->Insert(e).ok());
    (i % 2 ? ma : mb).insert(e);
  }
  ASSERT_TRUE(a->Close().ok());
  for (int i = 0; i < 300; ++i) {
    KeyEntry e = w.RandomEntry();
    ASSERT_TRUE(b->Insert(e).ok());
    mb.insert(e);
  }
  ASSERT_NO_FATAL_FAILURE(ExpectMatchesModel(b.get(), pb, mb));
  ASSERT_TRUE(b->Close().ok());
  CheckedFile ca = CheckKeyFilePath(pa), cb = CheckKeyFilePath(pb);
  EXPECT_EQ(ca.error, "");
  EXPECT_EQ(cb.error, "");
  EXPECT_EQ(ca.entries, Raw(ma));
  EXPECT_EQ(cb.entries, Raw(mb));
}

TEST(KeyFileScan, RemovingWhileScanningVisitsEveryEntryOnce) {
  TempDir dir;
  std::string path = dir / "t.cdi";
  auto kf = MustCreate(path, KeyFileMode::Duplicate);
  Model model;
  Workload w(9, KeyShape::Short);
  for (int i = 0; i < 4000; ++i) {
    KeyEntry e = w.RandomEntry();
    ASSERT_TRUE(kf->Insert(e).ok());
    model.insert(e);
  }
  // Drop the records 10 to 19 the way the update index drops a range.
  ASSERT_TRUE(kf->First().ok());
  size_t seen = 0;
  for (;;) {
    KeyEntry e;
    bool found = false;
    ASSERT_TRUE(kf->Next(&e, &found).ok());
    if (!found) break;
    ++seen;
    if (e.record >= 10 && e.record <= 19) {
      bool removed = false;
      ASSERT_TRUE(kf->Remove(e, &removed).ok());
      ASSERT_TRUE(removed);
    }
  }
  EXPECT_EQ(seen, model.size());
  for (auto it = model.begin(); it != model.end();) {
    it = it->record >= 10 && it->record <= 19 ? model.erase(it) : std::next(it);
  }
  ASSERT_NO_FATAL_FAILURE(ExpectMatchesModel(kf.get(), path, model));
}

// Refusals: keys a page cannot hold, missing files, a closed file.
TEST(KeyFileOpen, RefusalsAndReopen) {
  TempDir dir;
  std::unique_ptr<KeyFile> kf;
  EXPECT_FALSE(KeyFile::Open(dir / "none.cdi", KeyFileMode::Unique, &kf).ok());
  EXPECT_FALSE(KeyFile::Create(dir / "no/such/dir.cdi", KeyFileMode::Unique, &kf).ok());
  ASSERT_TRUE(KeyFile::Create(dir / "x.cdi", KeyFileMode::Unique, &kf).ok());
  EXPECT_EQ(kf->Insert(E(std::string(31, 'A'), 1)).code(), zrt::Status::Code::InvalidArgument);
  EXPECT_EQ(kf->Insert(E(std::string("A\0B", 3), 1)).code(), zrt::Status::Code::InvalidArgument);
  EXPECT_TRUE(kf->Insert(E(std::string(30, 'A'), 1)).ok());
  EXPECT_TRUE(kf->Insert(E("", 1)).ok());
  ASSERT_TRUE(kf->Close().ok());
  EXPECT_EQ(kf->Insert(E("Y", 1)).code(), zrt::Status::Code::InvalidArgument);  // closed
  ASSERT_TRUE(KeyFile::Open(dir / "x.cdi", KeyFileMode::Unique, &kf).ok());
  EXPECT_EQ(ScanAll(kf.get()).size(), 2u);
}

// An inner entry gives way to its successor; when the successor's key is longer and the
// page is nearly full, the page must split instead of overflowing.
TEST(KeyFileRemove, LongerSuccessorInAFullInnerPage) {
  TempDir dir;
  std::string path = dir / "t.cdi";
  auto kf = MustCreate(path, KeyFileMode::Unique);
  Model model;
  auto key = [](int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", i);
    return std::string(buf);
  };
  // Ascending 16-byte entries: each leaf split sends one 16-byte separator to the root.
  RawPage root;
  std::string why;
  int i = 0;
  for (;; ++i) {
    ASSERT_TRUE(kf->Insert(E(key(i), 1)).ok());
    model.insert(E(key(i), 1));
    if (i % 8 != 0 && root.used < 960) continue;  // the root gains 16 bytes every 32 entries
    ASSERT_TRUE(kf->Flush().ok());
    ASSERT_TRUE(ReadRawPage(fixture::ReadFile(path), 0, &root, &why)) << why;
    ASSERT_LT(kf->levels(), 3);
    if (kf->levels() == 2 && root.used + 44 - 16 > 1012) break;
  }
  ASSERT_EQ(kf->levels(), 2);
  const RawEntry sep = root.entries[root.entries.size() / 2];
  zrt::KeyEntry longer = E(sep.key + std::string(26, 'Z'), 1);  // right after the separator
  ASSERT_TRUE(kf->Insert(longer).ok());
  model.insert(longer);
  bool removed = false;
  ASSERT_TRUE(kf->Remove(E(sep.key, sep.record), &removed).ok());
  ASSERT_TRUE(removed);
  model.erase(E(sep.key, sep.record));
  ASSERT_NO_FATAL_FAILURE(ExpectMatchesModel(kf.get(), path, model));
  // And back down: removing everything collapses the tree again.
  for (const auto& e : Model(model)) {
    ASSERT_TRUE(kf->Remove(e, &removed).ok());
    ASSERT_TRUE(removed);
    model.erase(model.find(e));
  }
  EXPECT_EQ(kf->levels(), 1);
  ASSERT_NO_FATAL_FAILURE(ExpectMatchesModel(kf.get(), path, model));
}

}  // namespace
}  // namespace keyfile_test
