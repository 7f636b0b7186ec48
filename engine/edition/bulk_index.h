// Occurrences of a bulk load, collected in memory and spilled to sorted run files when
// they outgrow a budget, then handed to the static index writer in dictionary order.
// The result is byte for byte what inserting them into the update index and packing
// would give, without a B-tree insertion per occurrence.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"
#include "index/index_writer.h"
#include "index/postings.h"

namespace zrt {

class BulkIndex {
public:
  // Run files are named runBase + number.
  explicit BulkIndex(std::string runBase, size_t budgetOccurrences = 5u << 20)
      : runBase_(std::move(runBase)), budget_(budgetOccurrences) {}
  ~BulkIndex();

  // key: the OEM word key (at most 30 bytes).
  Status Add(const std::string& key, const Occurrence& occurrence);
  // Feeds every occurrence, in dictionary order, to the writer.
  Status WriteTo(StaticIndexWriter* writer);
  uint64_t occurrences() const { return total_; }

private:
  uint32_t WordOf(const std::string& key);
  void Rehash();
  Status Spill();
  void RemoveRuns();

  std::string runBase_;
  size_t budget_;
  // The words of the current run: their bytes one after another in an arena, found by
  // open addressing (a slot holds word number + 1), so that a lookup touches the slot
  // array and the arena only, not a node and a vector per word.
  std::string arena_;
  std::vector<uint32_t> wordStart_;  // arena offset of each word, and one past the last
  std::vector<uint32_t> slots_;
  // The current run's occurrences in arrival order, with the number of their word.
  std::vector<Occurrence> occurrences_;
  std::vector<uint32_t> wordOf_;
  uint64_t total_ = 0;
  std::vector<std::string> runs_;
};

}  // namespace zrt
