#include "query/found_set.h"

#include <algorithm>
#include <tuple>

namespace zrt {

bool OccurrenceLess(const Occurrence& a, const Occurrence& b) {
  return std::tie(a.record, a.field, a.position) < std::tie(b.record, b.field, b.position);
}

namespace {

bool SameOccurrence(const Occurrence& a, const Occurrence& b) {
  return a.record == b.record && a.field == b.field && a.position == b.position;
}

// Sorted, without exact duplicates (they would only be dropped later by the reduction
// to records; removing them early keeps every later operation smaller).
void Normalize(std::vector<Occurrence>& items) {
  if (!std::is_sorted(items.begin(), items.end(), OccurrenceLess))
    std::sort(items.begin(), items.end(), OccurrenceLess);
  items.erase(std::unique(items.begin(), items.end(), SameOccurrence), items.end());
}

// The first occurrence of `right` at or after (record, field, position).
std::vector<Occurrence>::const_iterator Seek(const std::vector<Occurrence>& right,
                                             std::vector<Occurrence>::const_iterator from,
                                             int32_t record, int field, int position) {
  Occurrence key{record, static_cast<uint8_t>(field), static_cast<uint8_t>(position)};
  return std::lower_bound(from, right.end(), key, OccurrenceLess);
}

}  // namespace

void FoundSet::Append(const std::vector<Occurrence>& more) {
  if (more.empty()) return;
  items.insert(items.end(), more.begin(), more.end());
  stop = false;
  sorted = false;
  recordLevel = false;
  distinct = -1;
}

void FoundSet::EnsureSorted() {
  if (sorted || stop) return;
  Normalize(items);
  sorted = true;
}

int32_t FoundSet::CountRecords() {
  if (recordLevel) return static_cast<int32_t>(items.size());
  if (distinct < 0) {
    EnsureSorted();
    int32_t n = 0;
    for (size_t i = 0; i < items.size(); ++i)
      if (i == 0 || items[i].record != items[i - 1].record) ++n;
    distinct = n;
  }
  return distinct;
}

size_t FoundSet::ListRecords(int32_t* out, size_t max) {
  EnsureSorted();
  size_t n = 0;
  for (size_t i = 0; i < items.size() && n < max; ++i)
    if (i == 0 || items[i].record != items[i - 1].record) out[n++] = items[i].record;
  return n;
}

void Unite(FoundSet& left, FoundSet& right) {
  bool stop = left.stop && right.stop;
  left.items.insert(left.items.end(), right.items.begin(), right.items.end());
  Normalize(left.items);
  left.stop = stop;
  left.sorted = true;
  left.recordLevel = false;
  left.distinct = -1;
  right.Clear();
}

void Combine(FoundSet& left, FoundSet& right, int distance, CombineMode mode, bool negated) {
  if (left.stop || right.stop) {
    // A stop word narrows nothing: the other operand stands (a NOT of a stop word, or of
    // anything after a stop word, leaves the left operand).
    if (left.stop && !negated) Unite(left, right);
    else right.Clear();
    return;
  }
  left.EnsureSorted();
  right.EnsureSorted();
  const auto& r = right.items;
  auto from = r.begin();
  size_t kept = 0;
  bool moved = false;
  for (Occurrence a : left.items) {
    from = Seek(r, from, a.record, 0, 0);
    bool holds = false;
    int newPosition = a.position;
    if (from != r.end() && from->record == a.record) {
      switch (mode) {
        case CombineMode::Record:
          holds = true;
          break;
        case CombineMode::Field: {
          auto it = Seek(r, from, a.record, a.field, 0);
          holds = it != r.end() && it->record == a.record && it->field == a.field;
          break;
        }
        case CombineMode::Block: {
          int block = a.position & ~31;
          auto it = Seek(r, from, a.record, a.field, block);
          holds = it != r.end() && it->record == a.record && it->field == a.field &&
                  (it->position & ~31) == block;
          break;
        }
        case CombineMode::Adjacent: {
          if (a.position < 255) {
            auto it = Seek(r, from, a.record, a.field, a.position + 1);
            holds = it != r.end() && it->record == a.record && it->field == a.field &&
                    it->position <= a.position + distance;
            if (holds) newPosition = it->position;
          }
          break;
        }
      }
    }
    if (holds == negated) continue;
    if (!negated && newPosition != a.position) {
      a.position = static_cast<uint8_t>(newPosition);
      moved = true;
    }
    left.items[kept++] = a;
  }
  left.items.resize(kept);
  if (moved) Normalize(left.items);
  left.sorted = true;
  left.recordLevel = false;
  left.distinct = -1;
  right.Clear();
}

void RestrictFields(FoundSet& set, const std::vector<uint8_t>& fields, bool negated) {
  bool in[256] = {};
  for (uint8_t f : fields) in[f] = true;
  std::erase_if(set.items, [&](const Occurrence& o) { return in[o.field] == negated; });
  set.recordLevel = false;
  set.distinct = -1;
}

void SubtractRecords(FoundSet& set, const std::vector<uint32_t>& records) {
  if (records.empty()) return;
  std::erase_if(set.items, [&](const Occurrence& o) {
    return std::binary_search(records.begin(), records.end(), static_cast<uint32_t>(o.record));
  });
  set.recordLevel = false;
  set.distinct = -1;
}

void ReduceToRecords(FoundSet& set) {
  if (set.recordLevel) return;
  set.EnsureSorted();
  auto& v = set.items;
  v.erase(std::unique(v.begin(), v.end(),
                      [](const Occurrence& a, const Occurrence& b) { return a.record == b.record; }),
          v.end());
  set.recordLevel = true;
  set.distinct = static_cast<int32_t>(v.size());
}

}  // namespace zrt
