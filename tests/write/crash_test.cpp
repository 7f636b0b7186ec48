// Packing and loading stopped at every step: the process "dies" at the n-th write,
// rename or removal (every later one is lost), then the edition is opened again. It must
// open, and its files must be exactly those before the operation or those after it.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/file.h"
#include "edition/edition.h"
#include "fixture/fixture_writer.h"
#include "write/write_support.h"

using fixture::Ansi;
using namespace write_test;
namespace fs = std::filesystem;

namespace {

// Lets `budget` changing operations through, then loses every one after them.
class DyingEnv : public zrt::Env {
public:
  explicit DyingEnv(long budget) : budget_(budget) {}
  long used() const { return used_; }

  std::unique_ptr<zrt::File> Open(const std::string& p, zrt::OpenMode m, zrt::Status* why) override {
    if (m == zrt::OpenMode::Create && !Allow()) return nullptr;
    auto f = Posix()->Open(p, m, why);
    return f ? std::make_unique<DyingFile>(std::move(f), this) : nullptr;
  }
  bool Exists(const std::string& p) override { return Posix()->Exists(p); }
  bool Writable(const std::string& p) override { return Posix()->Writable(p); }
  bool Remove(const std::string& p) override { return Allow() && Posix()->Remove(p); }
  bool Rename(const std::string& a, const std::string& b) override {
    return Allow() && Posix()->Rename(a, b);
  }

  bool Allow() { return used_++ < budget_; }

private:
  class DyingFile : public zrt::File {
  public:
    DyingFile(std::unique_ptr<zrt::File> f, DyingEnv* env) : f_(std::move(f)), env_(env) {}
    long long ReadAt(uint64_t o, void* b, size_t n) override { return f_->ReadAt(o, b, n); }
    bool WriteAt(uint64_t o, const void* b, size_t n) override {
      return env_->Allow() && f_->WriteAt(o, b, n);
    }
    long long Size() override { return f_->Size(); }
    bool Truncate(uint64_t s) override { return env_->Allow() && f_->Truncate(s); }
    bool Sync() override { return f_->Sync(); }

  private:
    std::unique_ptr<zrt::File> f_;
    DyingEnv* env_;
  };

  long budget_;
  long used_ = 0;
};

void CopyEdition(const std::string& from, const std::string& to) {
  for (auto& [ext, bytes] : EditionFiles(from)) fixture::WriteFile(to + ext, bytes);
}

// An edition with a static index, appended documents in the update index, a replaced
// record and a withdrawn one, so that packing merges, renumbers and compacts.
void MakeMixedEdition(const std::string& base) {
  std::vector<Doc> docs;
  for (int i = 1; i <= 40; ++i)
    docs.push_back({{1, "D" + std::to_string(i)},
                    {2, Ansi("нефть газ уголь торф") + " w" + std::to_string(i % 7)}});
  ASSERT_EQ(Load(base, docs), 0);
  Handle h;
  ASSERT_EQ(ZRT_Open(h, base.c_str(), nullptr), 0);
  for (int i = 41; i <= 50; ++i) ASSERT_GE(AppendDoc(h, {{1, "D" + std::to_string(i)}, {2, "new w1"}}), 0);
  ASSERT_TRUE(h.h.edition->Commit().ok());
  ASSERT_EQ(ZRT_GotoRecord(h, 3), 0);
  ASSERT_GE(UpdateDoc(h, {{1, "D3"}, {2, "replaced w2"}}), 0);
  ASSERT_EQ(ZRT_GotoRecord(h, 5), 0);
  ASSERT_EQ(UpdateDoc(h, {}), 0);
}

TEST(Crash, PackIsAllOrNothing) {
  TempDir dir;
  MakeMixedEdition(dir / "orig");
  const auto before = EditionFiles(dir / "orig");
  ASSERT_TRUE(before.count(".cdl"));

  // A clean pack gives the "after" files and the number of changing operations.
  CopyEdition(dir / "orig", dir / "clean");
  long steps = 0;
  {
    DyingEnv counting(1L << 40);
    zrt::Env::SetCurrent(&counting);
    Handle h;
    ASSERT_EQ(ZRT_Open(h, (dir / "clean").c_str(), nullptr), 0);
    ASSERT_TRUE(h.h.edition->Pack().ok());
    steps = counting.used();
    zrt::Env::SetCurrent(nullptr);
  }
  const auto after = EditionFiles(dir / "clean");
  ASSERT_NE(after, before);
  ASSERT_FALSE(after.count(".cdl"));
  ASSERT_GT(steps, 5);

  int asBefore = 0, asAfter = 0;
  for (long budget = 0; budget <= steps; ++budget) {
    const std::string base = dir / ("run" + std::to_string(budget));
    CopyEdition(dir / "orig", base);
    {
      DyingEnv dying(budget);
      zrt::Env::SetCurrent(&dying);
      Handle h;
      if (ZRT_Open(h, base.c_str(), nullptr) == 0) h.h.edition->Pack();
      ZRT_Destroy(h);  // the process ends here; nothing more reaches the disk
      zrt::Env::SetCurrent(nullptr);
    }
    Handle h;
    ASSERT_EQ(ZRT_Open(h, base.c_str(), nullptr), 0) << "budget " << budget;
    ZRT_Close(h);
    auto files = EditionFiles(base);
    if (files == before) {
      ++asBefore;
    } else {
      ASSERT_EQ(files, after) << "budget " << budget << " left a mixed edition";
      ++asAfter;
    }
    for (const auto& entry : fs::directory_iterator(fs::path(base).parent_path()))
      if (entry.path().filename().string().rfind("run" + std::to_string(budget) + ".", 0) == 0)
        fs::remove(entry.path());
  }
  EXPECT_GT(asBefore, 0);
  EXPECT_GT(asAfter, 0);
}

// An append batch stopped at every step, after earlier appends were committed: the
// edition opens with the whole batch or none of it, no word finds a record past the
// count, and the words of the earlier appends are all still found.
TEST(Crash, AppendIsAllOrNothing) {
  TempDir dir;
  MakeMixedEdition(dir / "orig");
  auto appendBatch = [](const std::string& base) {
    Handle h;
    if (ZRT_Open(h, base.c_str(), nullptr) != 0) return;
    for (int i = 0; i < 12; ++i) {
      std::string words = "batch";
      for (int w = 0; w < 8; ++w) words += " b" + std::to_string(i * 8 + w) + "x";
      if (AppendDoc(h, {{1, "B" + std::to_string(i)}, {2, words}}) < 0) return;
    }
    ZRT_Commit(h);
  };
  long steps = 0;
  CopyEdition(dir / "orig", dir / "clean");
  {
    DyingEnv counting(1L << 40);
    zrt::Env::SetCurrent(&counting);
    appendBatch(dir / "clean");
    steps = counting.used();
    zrt::Env::SetCurrent(nullptr);
  }
  std::vector<int32_t> earlier, batch;
  for (int32_t r = 41; r <= 50; ++r) earlier.push_back(r);
  for (int32_t r = 51; r <= 62; ++r) batch.push_back(r);
  int none = 0, whole = 0;
  for (long budget = 0; budget <= steps; ++budget) {
    const std::string base = dir / ("run" + std::to_string(budget));
    CopyEdition(dir / "orig", base);
    {
      DyingEnv dying(budget);
      zrt::Env::SetCurrent(&dying);
      appendBatch(base);
      zrt::Env::SetCurrent(nullptr);
    }
    Handle h;
    ASSERT_EQ(ZRT_Open(h, base.c_str(), nullptr), 0) << "budget " << budget;
    EXPECT_EQ(ZRT_CheckEdition(base.c_str(), nullptr, nullptr, nullptr), 0) << "budget " << budget;
    const int32_t count = ZRT_GetNumRecords(h);
    ASSERT_TRUE(count == 50 || count == 62) << "budget " << budget << ": " << count;
    (count == 50 ? none : whole)++;
    EXPECT_EQ(Find(h, "batch"), count == 50 ? std::vector<int32_t>{} : batch) << "budget " << budget;
    EXPECT_EQ(Find(h, "b95x"), count == 50 ? std::vector<int32_t>{} : std::vector<int32_t>{62});
    EXPECT_EQ(Find(h, "new"), earlier) << "budget " << budget;
  }
  EXPECT_GT(none, 0);
  EXPECT_GT(whole, 0);
}

TEST(Crash, FailedLoadLeavesNoEdition) {
  TempDir dir;
  std::vector<Doc> docs;
  for (int i = 1; i <= 30; ++i) docs.push_back({{1, "D" + std::to_string(i)}, {2, "text w" + std::to_string(i)}});
  long steps = 0;
  {
    DyingEnv counting(1L << 40);
    zrt::Env::SetCurrent(&counting);
    ASSERT_EQ(Load(dir / "clean", docs), 0);
    steps = counting.used();
    zrt::Env::SetCurrent(nullptr);
  }
  const auto after = EditionFiles(dir / "clean");
  for (long budget = 0; budget < steps; ++budget) {
    const std::string base = dir / ("run" + std::to_string(budget));
    DyingEnv dying(budget);
    zrt::Env::SetCurrent(&dying);
    Load(base, docs);
    zrt::Env::SetCurrent(nullptr);
    // The edition appears whole or not at all; a move into place that stopped half-way
    // is finished by the next open.
    auto files = EditionFiles(base);
    if (!files.empty() && files != after) {
      Handle h;
      ZRT_Open(h, base.c_str(), nullptr);
      ZRT_Close(h);
      files = EditionFiles(base);
    }
    EXPECT_TRUE(files.empty() || files == after) << "budget " << budget;
  }
}

}  // namespace
