// The merging set operations against std::set as the model: random runs with duplicates
// within and across them, negative records (which order first), and buffers reused from
// one operation to the next.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "index/record_bitmap.h"
#include "query/found_set.h"

namespace {

using zrt::Occurrence;
using Model = std::set<std::tuple<int32_t, int, int>>;

Model ModelOf(const std::vector<Occurrence>& v) {
  Model m;
  for (const Occurrence& o : v) m.insert({o.record, o.field, o.position});
  return m;
}

std::vector<Occurrence> InOrder(const Model& m) {
  std::vector<Occurrence> v;
  for (auto [r, f, p] : m) v.push_back({r, static_cast<uint8_t>(f), static_cast<uint8_t>(p)});
  return v;
}

bool SameItems(const std::vector<Occurrence>& a, const std::vector<Occurrence>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const Occurrence& x, const Occurrence& y) {
           return zrt::SortKey(x) == zrt::SortKey(y);
         });
}

TEST(FoundSetMerge, RunsUnionAndSubtractionMatchTheModel) {
  std::mt19937 rng(7);
  zrt::FoundSetBuffers buffers;
  for (int round = 0; round < 200; ++round) {
    auto randomRun = [&](int n) {
      Model m;
      for (int i = 0; i < n; ++i)
        m.insert({static_cast<int32_t>(rng() % 40) - 3, static_cast<int>(rng() % 3), static_cast<int>(rng() % 256)});
      return InOrder(m);
    };
    // A term of several dictionary rows: runs in order, overlapping one another.
    std::vector<Occurrence> items, scratch = buffers.Take();
    std::vector<size_t> runs;
    Model all;
    for (int r = 0, count = static_cast<int>(rng() % 6); r < count; ++r) {
      runs.push_back(items.size());
      auto run = randomRun(static_cast<int>(rng() % 30));
      items.insert(items.end(), run.begin(), run.end());
      for (const auto& o : ModelOf(run)) all.insert(o);
    }
    zrt::MergeRuns(items, runs, scratch);
    buffers.Give(std::move(scratch));
    ASSERT_TRUE(SameItems(items, InOrder(all))) << "round " << round;

    // The update index's entries of a word merged into its static run in place.
    auto fresh = randomRun(static_cast<int>(rng() % 8));
    std::vector<Occurrence> gapped(fresh.size());
    gapped.insert(gapped.end(), items.begin(), items.end());
    zrt::MergeIntoRun(gapped, fresh);
    Model withFresh = all;
    for (const auto& o : ModelOf(fresh)) withFresh.insert(o);
    ASSERT_TRUE(SameItems(gapped, InOrder(withFresh))) << "round " << round;

    zrt::FoundSet left, right;
    left.items = items;
    left.recordLevel = false;
    right.items = randomRun(static_cast<int>(rng() % 50));
    Model united = all;
    for (const auto& o : ModelOf(right.items)) united.insert(o);
    zrt::Unite(left, right, &buffers);
    ASSERT_TRUE(SameItems(left.items, InOrder(united))) << "round " << round;
    EXPECT_TRUE(right.items.empty());

    std::vector<uint32_t> changed;
    for (uint32_t r = 0; r < 40; ++r)
      if (rng() % 3 == 0) changed.push_back(r);
    changed.push_back(0xFFFFFFFFu);  // record -1 as the list holds it
    std::erase_if(united, [&](const auto& o) {
      return std::binary_search(changed.begin(), changed.end(), static_cast<uint32_t>(std::get<0>(o)));
    });
    zrt::RecordBitmap stale;
    stale.Assign(changed);
    std::erase_if(left.items, [&](const Occurrence& o) { return stale.Contains(o.record); });
    ASSERT_TRUE(SameItems(left.items, InOrder(united))) << "round " << round;
    left.Recycle(&buffers);
  }
}

}  // namespace
