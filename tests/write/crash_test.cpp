// Packing and loading stopped at every step: the process "dies" at the n-th write,
// rename or removal (every later one is lost), then the edition is opened again. It must
// open, and its files must be exactly those before the operation or those after it.
#include <gtest/gtest.h>

#include <filesystem>

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
    fixture::FaultEnv counting;
    Handle h;
    ASSERT_EQ(ZRT_Open(h, (dir / "clean").c_str(), nullptr), 0);
    ASSERT_TRUE(h.h.edition->Pack().ok());
    steps = counting.changes;
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
      fixture::FaultEnv dying;
      dying.changesAllowed = budget;
      Handle h;
      if (ZRT_Open(h, base.c_str(), nullptr) == 0) h.h.edition->Pack();
      ZRT_Destroy(h);  // the process ends here; nothing more reaches the disk
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

TEST(Crash, FailedLoadLeavesNoEdition) {
  TempDir dir;
  std::vector<Doc> docs;
  for (int i = 1; i <= 30; ++i) docs.push_back({{1, "D" + std::to_string(i)}, {2, "text w" + std::to_string(i)}});
  long steps = 0;
  {
    fixture::FaultEnv counting;
    ASSERT_EQ(Load(dir / "clean", docs), 0);
    steps = counting.changes;
  }
  const auto after = EditionFiles(dir / "clean");
  for (long budget = 0; budget < steps; ++budget) {
    const std::string base = dir / ("run" + std::to_string(budget));
    {
      fixture::FaultEnv dying;
      dying.changesAllowed = budget;
      Load(base, docs);
    }
    // A write that fails is seen by the loader, which removes what it made (removals
    // are lost too once the process is "dead": then the edition must still open empty
    // or complete, never damaged).
    auto files = EditionFiles(base);
    if (files.empty() || files == after) continue;
    Handle h;
    if (ZRT_Open(h, base.c_str(), nullptr) == 0) {
      int32_t n = ZRT_GetNumRecords(h);
      EXPECT_TRUE(n == 0 || n == 30) << "budget " << budget << ": " << n << " records";
    }
  }
}

}  // namespace
