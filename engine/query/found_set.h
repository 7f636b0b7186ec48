// Found sets: the occurrences that a query term or a partial query selects, and the set
// operations of the query language. A set is ordered by record (signed), field byte and
// position; at the end of a query it is reduced to one entry per record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "index/postings.h"

namespace zrt {

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
};

bool OccurrenceLess(const Occurrence& a, const Occurrence& b);

enum class CombineMode {
  Record,    // AND, NOT: any occurrence in the same record
  Field,     // SAME, NOT SAME: ... in the same field
  Block,     // WITH, NOT WITH: ... in the same field and block of 32 positions
  Adjacent,  // ADJ n, NOT ADJ: ... in the same field, 1 to n positions after
};

// left becomes left OR right; right is emptied.
void Unite(FoundSet& left, FoundSet& right);
// Keeps the occurrences of left for which right has a partner by `mode` (or, negated,
// has none). An adjacent partner's position becomes the kept occurrence's position, so
// that chains "a ADJ b ADJ c" work. Stop-word operands are neutral. right is emptied.
void Combine(FoundSet& left, FoundSet& right, int distance, CombineMode mode, bool negated);
// Keeps the occurrences in (or, negated, outside) the given source fields.
void RestrictFields(FoundSet& set, const std::vector<uint8_t>& fields, bool negated);
// Drops every occurrence of the given records (sorted ascending).
void SubtractRecords(FoundSet& set, const std::vector<uint32_t>& records);
void ReduceToRecords(FoundSet& set);

}  // namespace zrt
