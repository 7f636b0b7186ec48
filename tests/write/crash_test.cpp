// Packing and loading stopped at every step: the process "dies" at the n-th write,
// rename or removal (every later one is lost), then the edition is opened again. It must
// open, and its files must be exactly those before the operation or those after it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "edition/edition.h"
#include "fixture/fault_env.h"
#include "fixture/fixture_writer.h"
#include "write/write_support.h"

using fixture::Ansi;
using namespace write_test;
namespace fs = std::filesystem;

namespace {

void CopyEdition(const std::string& from, const std::string& to) {
  for (auto& [ext, bytes] : EditionFiles(from)) fixture::WriteFile(to + ext, bytes);
}

// Runs `operation` on a copy of `original` (on nothing when empty) once undisturbed, at
// "clean", then once for every number of changing file calls it may make before the
// process dies; `judge` sees each copy after that death.
void DyingSweep(const TempDir& dir, const std::string& original,
                const std::function<void(const std::string&)>& operation,
                const std::function<void(const std::string&)>& judge) {
  if (!original.empty()) CopyEdition(original, dir / "clean");
  long steps = 0;
  {
    fixture::FaultEnv counting;
    operation(dir / "clean");
    steps = counting.changes;
  }
  ASSERT_GT(steps, 5);
  for (long budget = 0; budget <= steps; ++budget) {
    SCOPED_TRACE("budget " + std::to_string(budget));
    const std::string base = dir / ("run" + std::to_string(budget));
    if (!original.empty()) CopyEdition(original, base);
    {
      fixture::FaultEnv dying;
      dying.changesAllowed = budget;
      operation(base);  // the process ends here; nothing more reaches the disk
    }
    judge(base);
  }
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
  int asBefore = 0, asAfter = 0;
  DyingSweep(dir, dir / "orig", [](const std::string& base) {
    Handle h;
    if (ZRT_Open(h, base.c_str(), nullptr) == 0) h.h.edition->Pack();
  }, [&](const std::string& base) {
    const auto after = EditionFiles(dir / "clean");
    ASSERT_NE(after, before);
    ASSERT_FALSE(after.count(".cdl"));
    Handle h;
    ASSERT_EQ(ZRT_Open(h, base.c_str(), nullptr), 0);
    ZRT_Close(h);
    auto files = EditionFiles(base);
    if (files == before) {
      ++asBefore;
    } else {
      ASSERT_EQ(files, after) << "a mixed edition";
      ++asAfter;
    }
  });
  EXPECT_GT(asBefore, 0);
  EXPECT_GT(asAfter, 0);
}

// An append batch stopped at every step, after earlier appends were committed: the
// edition opens with the whole batch or none of it, no word finds a record past the
// count, and the words of the earlier appends are all still found.
TEST(Crash, AppendIsAllOrNothing) {
  TempDir dir;
  MakeMixedEdition(dir / "orig");
  std::vector<int32_t> earlier, batch;
  for (int32_t r = 41; r <= 50; ++r) earlier.push_back(r);
  for (int32_t r = 51; r <= 62; ++r) batch.push_back(r);
  int none = 0, whole = 0;
  DyingSweep(dir, dir / "orig", [](const std::string& base) {
    Handle h;
    if (ZRT_Open(h, base.c_str(), nullptr) != 0) return;
    for (int i = 0; i < 12; ++i) {
      std::string words = "batch";
      for (int w = 0; w < 8; ++w) words += " b" + std::to_string(i * 8 + w) + "x";
      if (AppendDoc(h, {{1, "B" + std::to_string(i)}, {2, words}}) < 0) return;
    }
    ZRT_Commit(h);
  }, [&](const std::string& base) {
    Handle h;
    ASSERT_EQ(ZRT_Open(h, base.c_str(), nullptr), 0);
    EXPECT_EQ(ZRT_CheckEdition(base.c_str(), nullptr, nullptr, nullptr), 0);
    const int32_t count = ZRT_GetNumRecords(h);
    ASSERT_TRUE(count == 50 || count == 62) << count;
    (count == 50 ? none : whole)++;
    EXPECT_EQ(Find(h, "batch"), count == 50 ? std::vector<int32_t>{} : batch);
    EXPECT_EQ(Find(h, "b95x"), count == 50 ? std::vector<int32_t>{} : std::vector<int32_t>{62});
    EXPECT_EQ(Find(h, "new"), earlier);
  });
  EXPECT_GT(none, 0);
  EXPECT_GT(whole, 0);
}

// A guarded file that is there but cannot be opened when an append starts is never
// journaled as absent (the rollback of a failed append would remove it): the append is
// refused and every file stays as it was.
TEST(Crash, AFileThatWillNotOpenIsNeverTakenForAbsent) {
  TempDir dir;
  MakeMixedEdition(dir / "orig");
  for (const char* ext : {".cdl", ".cdi", ".cdx", ".cdb"}) {
    SCOPED_TRACE(ext);
    const std::string base = dir / (std::string("run") + (ext + 1));
    CopyEdition(dir / "orig", base);
    {
      Handle h;
      ASSERT_EQ(ZRT_Open(h, base.c_str(), nullptr), 0);
      fixture::FaultEnv refusing;
      refusing.wontOpen = base + ext;
      EXPECT_LT(AppendDoc(h, {{1, "B1"}, {2, "batch"}}), 0);
      ZRT_Commit(h);
    }
    EXPECT_EQ(EditionFiles(base), EditionFiles(dir / "orig"));
  }
}

TEST(Crash, FailedLoadLeavesNoEdition) {
  TempDir dir;
  std::vector<Doc> docs;
  for (int i = 1; i <= 30; ++i) docs.push_back({{1, "D" + std::to_string(i)}, {2, "text w" + std::to_string(i)}});
  DyingSweep(dir, "", [&](const std::string& base) { Load(base, docs); }, [&](const std::string& base) {
    // The edition appears whole or not at all; a move into place that stopped half-way
    // is finished by the next open.
    const auto after = EditionFiles(dir / "clean");
    ASSERT_FALSE(after.empty());
    auto files = EditionFiles(base);
    if (!files.empty() && files != after) {
      Handle h;
      ZRT_Open(h, base.c_str(), nullptr);
      ZRT_Close(h);
      files = EditionFiles(base);
    }
    EXPECT_TRUE(files.empty() || files == after);
  });
}

}  // namespace
