// Failing reads and writes under the tree: a failed write is reported (by Add or at the
// latest by Close), a failed read ends a walk with the items read so far.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixture/fault_env.h"
#include "fixture/fixture_writer.h"
#include "key_tree/test_support.h"
#include "key_tree/tree_format.h"
#include "btree/key_tree.h"

namespace keytree_test {
namespace {

using zrt::ItemLayout;
using zrt::KeyTree;

std::string Key(int i) { return "key " + std::to_string(i * 7919 % 1000); }

TEST(KeyTreeIo, FailedWritesAreReported) {
  TempDir dir;
  for (int budget = 0; budget < 60; budget += 3) {
    SCOPED_TRACE("writes allowed: " + std::to_string(budget));
    fixture::FaultEnv env;
    env.failWritesFrom = budget + 1;
    KeyTree tree(ItemLayout::Full());
    if (!tree.Create(dir / "t", false).ok()) {
      EXPECT_EQ(budget, 0);
      continue;
    }
    bool refused = false;
    for (int i = 0; i < 120; ++i) {
      int r = tree.Add(ItemBuffer(ItemLayout::Full(), Key(i), "d").data());
      if (r == -1) refused = true;
      if (refused) {
        EXPECT_EQ(r, -1) << "a tree that failed a write takes nothing more";
      }
    }
    int rc = tree.Close();
    EXPECT_EQ(rc, env.writeFailed ? -1 : 0);
    EXPECT_TRUE(env.writeFailed) << "the budget is below what 120 items need";
  }
}

TEST(KeyTreeIo, FailedReadsEndTheWalk) {
  TempDir dir;
  std::string path = dir / "t";
  {
    KeyTree tree(ItemLayout::Full());
    ASSERT_TRUE(tree.Create(path, false).ok());
    for (int i = 0; i < 300; ++i) tree.Add(ItemBuffer(ItemLayout::Full(), Key(i), "d").data());
    ASSERT_EQ(tree.Close(), 0);
  }
  std::vector<Entry> all = CheckTree(kFull, fixture::ReadFile(path), false);
  for (int budget = 0; budget < 200; budget += 7) {
    fixture::FaultEnv env;
    env.failReadsFrom = budget + 1;
    KeyTree tree(ItemLayout::Full());
    if (!tree.OpenForReading(path).ok()) continue;
    ItemBuffer out(ItemLayout::Full());
    size_t n = 0;
    tree.First();
    while (tree.Next(out.data())) {
      ASSERT_LT(n, all.size());
      ASSERT_EQ(out.key(), all[n].key) << "items read before the failure are right";
      ++n;
    }
    EXPECT_FALSE(tree.Next(out.data()));
    EXPECT_EQ(tree.Close(), 0);
  }
}

}  // namespace
}  // namespace keytree_test
