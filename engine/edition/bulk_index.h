// Occurrences of a bulk load, collected in memory and spilled to sorted run files when
// they outgrow a budget, then handed to the static index writer in dictionary order.
// The result is byte for byte what inserting them into the update index and packing
// would give, without a B-tree insertion per occurrence.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/status.h"
#include "index/index_writer.h"
#include "index/postings.h"

namespace zrt {

class BulkIndex {
public:
  // Run files are named runBase + number.
  explicit BulkIndex(std::string runBase, size_t budgetOccurrences = 8u << 20)
      : runBase_(std::move(runBase)), budget_(budgetOccurrences) {}
  ~BulkIndex();

  // key: the OEM word key (at most 30 bytes).
  Status Add(const std::string& key, const Occurrence& occurrence);
  // Feeds every occurrence, in dictionary order, to the writer.
  Status WriteTo(StaticIndexWriter* writer);
  uint64_t occurrences() const { return total_; }

private:
  Status Spill();
  void RemoveRuns();

  std::string runBase_;
  size_t budget_;
  std::unordered_map<std::string, std::vector<Occurrence>> words_;
  size_t held_ = 0;
  uint64_t total_ = 0;
  std::vector<std::string> runs_;
};

}  // namespace zrt
