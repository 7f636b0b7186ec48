// Failing reads and writes under the tree: a failed write is reported (by Add or at the
// latest by Close), a failed read ends a walk with the items read so far.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "fixture/fixture_writer.h"
#include "base/file.h"
#include "key_tree/test_support.h"
#include "key_tree/tree_format.h"
#include "btree/key_tree.h"

namespace keytree_test {
namespace {

using zrt::ItemLayout;
using zrt::KeyTree;

// Passes reads and writes to the real files until a budget is spent.
class BudgetEnv final : public zrt::Env {
 public:
  int readsLeft = INT_MAX;
  int writesLeft = INT_MAX;
  bool writeFailed = false;

  std::unique_ptr<zrt::File> Open(const std::string& path, zrt::OpenMode mode,
                                  zrt::Status* why) override {
    auto base = zrt::Env::Posix()->Open(path, mode, why);
    if (!base) return nullptr;
    return std::make_unique<BudgetFile>(this, std::move(base));
  }
  bool Exists(const std::string& path) override { return Posix()->Exists(path); }
  bool Writable(const std::string& path) override { return Posix()->Writable(path); }
  bool Remove(const std::string& path) override { return Posix()->Remove(path); }
  bool Rename(const std::string& from, const std::string& to) override {
    return Posix()->Rename(from, to);
  }

 private:
  class BudgetFile final : public zrt::File {
   public:
    BudgetFile(BudgetEnv* env, std::unique_ptr<zrt::File> base)
        : env_(env), base_(std::move(base)) {}
    long long ReadAt(uint64_t offset, void* buf, size_t n) override {
      if (env_->readsLeft <= 0) return -1;
      --env_->readsLeft;
      return base_->ReadAt(offset, buf, n);
    }
    bool WriteAt(uint64_t offset, const void* buf, size_t n) override {
      if (env_->writesLeft <= 0) return !(env_->writeFailed = true);
      --env_->writesLeft;
      return base_->WriteAt(offset, buf, n);
    }
    long long Size() override { return base_->Size(); }
    bool Truncate(uint64_t size) override { return base_->Truncate(size); }
    bool Sync() override { return base_->Sync(); }

   private:
    BudgetEnv* env_;
    std::unique_ptr<zrt::File> base_;
  };
};

class EnvScope {
 public:
  explicit EnvScope(zrt::Env* env) { zrt::Env::SetCurrent(env); }
  ~EnvScope() { zrt::Env::SetCurrent(nullptr); }
};

std::string Key(int i) { return "key " + std::to_string(i * 7919 % 1000); }

TEST(KeyTreeIo, FailedWritesAreReported) {
  TempDir dir;
  for (int budget = 0; budget < 60; budget += 3) {
    SCOPED_TRACE("writes allowed: " + std::to_string(budget));
    BudgetEnv env;
    EnvScope scope(&env);
    env.writesLeft = budget;
    KeyTree tree(ItemLayout::Full());
    if (!tree.Create(dir.File("t"), false).ok()) {
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
  std::string path = dir.File("t");
  {
    KeyTree tree(ItemLayout::Full());
    ASSERT_TRUE(tree.Create(path, false).ok());
    for (int i = 0; i < 300; ++i) tree.Add(ItemBuffer(ItemLayout::Full(), Key(i), "d").data());
    ASSERT_EQ(tree.Close(), 0);
  }
  std::vector<Entry> all = CheckTree(kFull, fixture::ReadFile(path), false);
  for (int budget = 0; budget < 200; budget += 7) {
    BudgetEnv env;
    EnvScope scope(&env);
    env.readsLeft = budget;
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
