// Found sets: the occurrences that a query term or a partial query selects, and the set
// operations of the query language. A set is ordered by record (signed), field byte and
// position; at the end of a query it is reduced to one entry per record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "index/postings.h"

namespace zrt {

inline uint64_t SortKey(int32_t record, int field, int position) {
  return SortKey(Occurrence{record, static_cast<uint8_t>(field), static_cast<uint8_t>(position)});
}
inline bool OccurrenceLess(const Occurrence& a, const Occurrence& b) { return SortKey(a) < SortKey(b); }

// Spare occurrence buffers, so that the sets of one query and of the next reuse their
// memory instead of faulting in fresh pages for every term. Bounded in count and in
// bytes kept; the edition releases them when it closes.
class FoundSetBuffers {
public:
  std::vector<Occurrence> Take();
  void Give(std::vector<Occurrence>&& v);
  void Release() { spare_.clear(); spare_.shrink_to_fit(); }

private:
  static constexpr size_t kMaxSpare = 16;
  static constexpr size_t kMaxSpareBytes = size_t{64} << 20;  // per buffer
  std::vector<std::vector<Occurrence>> spare_;
};

struct FoundSet {
  bool stop = false;         // stands for a stop word: neutral in every operator
  bool sorted = true;
  bool recordLevel = true;   // one entry per record; only record numbers matter
  int32_t distinct = 0;      // cached number of records, -1 when unknown
  std::vector<Occurrence> items;

  // Takes occurrences read from an index (any order); the set is then unsorted.
  void Append(const std::vector<Occurrence>& more);
  void EnsureSorted();
  int32_t CountRecords();
  // Writes the distinct record numbers in ascending order, at most `max`; returns how
  // many were written.
  size_t ListRecords(int32_t* out, size_t max);
  void Clear() { *this = FoundSet(); }
  // Empties the set and hands its buffer back for reuse.
  void Recycle(FoundSetBuffers* buffers);
};

// `items` holds fresh.size() unused entries and then a run in set order without
// duplicates; `fresh` (the same) is merged into it in place, an occurrence found in both
// once. Cheap when `fresh` is short: the run moves in blocks between its entries.
void MergeIntoRun(std::vector<Occurrence>& items, const std::vector<Occurrence>& fresh);

// Sorts `items`, made of runs that each are in set order and begin at the offsets of
// `runs` (ascending, the first 0), by merging them pairwise, and drops exact duplicates.
// `scratch` is working space.
void MergeRuns(std::vector<Occurrence>& items, std::vector<size_t> runs, std::vector<Occurrence>& scratch);

enum class CombineMode {
  Record,    // AND, NOT: any occurrence in the same record
  Field,     // SAME, NOT SAME: ... in the same field
  Block,     // WITH, NOT WITH: ... in the same field and block of 32 positions
  Adjacent,  // ADJ n, NOT ADJ: ... in the same field, 1 to n positions after
};

// left becomes left OR right; right is emptied. Buffers come from and go back to
// `buffers` when given.
void Unite(FoundSet& left, FoundSet& right, FoundSetBuffers* buffers = nullptr);
// Keeps the occurrences of left for which right has a partner by `mode` (or, negated,
// has none). An adjacent partner's position becomes the kept occurrence's position, so
// that chains "a ADJ b ADJ c" work. Stop-word operands are neutral. right is emptied.
void Combine(FoundSet& left, FoundSet& right, int distance, CombineMode mode, bool negated,
             FoundSetBuffers* buffers = nullptr);
// Keeps the occurrences in (or, negated, outside) the given source fields.
void RestrictFields(FoundSet& set, const std::vector<uint8_t>& fields, bool negated);
void ReduceToRecords(FoundSet& set);

}  // namespace zrt
