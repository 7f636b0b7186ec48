#include "query/found_set.h"

#include <algorithm>
#include <utility>

namespace zrt {

namespace {

bool SameOccurrence(const Occurrence& a, const Occurrence& b) { return SortKey(a) == SortKey(b); }

// Sorted, without exact duplicates (they would only be dropped later by the reduction
// to records; removing them early keeps every later operation smaller).
void Normalize(std::vector<Occurrence>& items) {
  if (!std::is_sorted(items.begin(), items.end(), OccurrenceLess))
    std::sort(items.begin(), items.end(), OccurrenceLess);
  items.erase(std::unique(items.begin(), items.end(), SameOccurrence), items.end());
}

// Appends the merge of two sorted ranges to `out`, an occurrence found in both once.
void MergeInto(const Occurrence* a, const Occurrence* aEnd, const Occurrence* b, const Occurrence* bEnd,
               std::vector<Occurrence>& out) {
  while (a != aEnd && b != bEnd) {
    uint64_t ka = SortKey(*a), kb = SortKey(*b);
    if (ka < kb) {
      out.push_back(*a++);
    } else if (kb < ka) {
      out.push_back(*b++);
    } else {
      out.push_back(*a++);
      ++b;
    }
  }
  out.insert(out.end(), a, aEnd);
  out.insert(out.end(), b, bEnd);
}

// The first index at or after `from` whose occurrence is not below `key`. Galloping:
// the steps double until they pass the key, then a binary search within the last one,
// so a short skip costs little and a long one a logarithm of its length.
size_t Seek(const std::vector<Occurrence>& v, size_t from, uint64_t key) {
  const size_t n = v.size();
  if (from >= n || SortKey(v[from]) >= key) return from;
  size_t low = from, step = 1;  // v[low] is below the key
  while (low + step < n && SortKey(v[low + step]) < key) {
    low += step;
    step <<= 1;
  }
  size_t high = std::min(n, low + step);  // v[high] (if any) is not below the key
  ++low;
  while (low < high) {
    size_t mid = low + (high - low) / 2;
    if (SortKey(v[mid]) < key) low = mid + 1;
    else high = mid;
  }
  return low;
}

}  // namespace

std::vector<Occurrence> FoundSetBuffers::Take() {
  if (spare_.empty()) return {};
  std::vector<Occurrence> v = std::move(spare_.back());
  spare_.pop_back();
  return v;
}

void FoundSetBuffers::Give(std::vector<Occurrence>&& v) {
  if (v.capacity() == 0 || v.capacity() * sizeof(Occurrence) > kMaxSpareBytes || spare_.size() >= kMaxSpare) {
    std::vector<Occurrence>().swap(v);
    return;
  }
  v.clear();
  spare_.push_back(std::move(v));
}

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

void FoundSet::Recycle(FoundSetBuffers* buffers) {
  if (buffers) buffers->Give(std::move(items));
  *this = FoundSet();
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

void MergeIntoRun(std::vector<Occurrence>& items, const std::vector<Occurrence>& fresh) {
  // Written from the front: the output never overtakes the run's unread part, which
  // starts fresh.size() entries later and loses one entry of lead per fresh entry.
  const size_t end = items.size();
  size_t read = fresh.size(), write = 0;
  for (const Occurrence& f : fresh) {
    const size_t stop = Seek(items, read, SortKey(f));
    std::copy(items.begin() + static_cast<std::ptrdiff_t>(read), items.begin() + static_cast<std::ptrdiff_t>(stop),
              items.begin() + static_cast<std::ptrdiff_t>(write));
    write += stop - read;
    read = stop;
    if (read < end && SortKey(items[read]) == SortKey(f)) ++read;
    items[write++] = f;
  }
  std::copy(items.begin() + static_cast<std::ptrdiff_t>(read), items.end(), items.begin() + static_cast<std::ptrdiff_t>(write));
  items.resize(write + (end - read));
}

void MergeRuns(std::vector<Occurrence>& items, std::vector<size_t> runs, std::vector<Occurrence>& scratch) {
  if (runs.size() <= 1) {
    // One run, as a single word's: strictly ascending (the usual case) needs nothing.
    size_t i = 1;
    while (i < items.size() && SortKey(items[i - 1]) < SortKey(items[i])) ++i;
    if (i >= items.size()) return;
  }
  if (runs.empty() || runs.front() != 0) runs.insert(runs.begin(), 0);
  runs.push_back(items.size());
  runs.erase(std::unique(runs.begin(), runs.end()), runs.end());  // empty runs
  // A run out of order (an index file is never meant to hold one) is sorted on its own.
  for (size_t r = 0; r + 1 < runs.size(); ++r) {
    auto begin = items.begin() + static_cast<std::ptrdiff_t>(runs[r]);
    auto end = items.begin() + static_cast<std::ptrdiff_t>(runs[r + 1]);
    if (!std::is_sorted(begin, end, OccurrenceLess)) std::sort(begin, end, OccurrenceLess);
  }
  // Pairwise passes: each halves the number of runs, so n log(runs) in all.
  std::vector<size_t> next;
  while (runs.size() > 2) {
    scratch.clear();
    scratch.reserve(items.size());
    next.clear();
    size_t r = 0;
    for (; r + 2 < runs.size(); r += 2) {
      next.push_back(scratch.size());
      const Occurrence* base = items.data();
      MergeInto(base + runs[r], base + runs[r + 1], base + runs[r + 1], base + runs[r + 2], scratch);
    }
    if (r + 1 < runs.size()) {
      next.push_back(scratch.size());
      scratch.insert(scratch.end(), items.begin() + static_cast<std::ptrdiff_t>(runs[r]),
                     items.begin() + static_cast<std::ptrdiff_t>(runs[r + 1]));
    }
    next.push_back(scratch.size());
    items.swap(scratch);
    runs.swap(next);
  }
  items.erase(std::unique(items.begin(), items.end(), SameOccurrence), items.end());
}

void Unite(FoundSet& left, FoundSet& right, FoundSetBuffers* buffers) {
  bool stop = left.stop && right.stop;
  left.EnsureSorted();
  right.EnsureSorted();
  if (left.items.empty()) {
    left.items.swap(right.items);
  } else if (!right.items.empty()) {
    std::vector<Occurrence> merged = buffers ? buffers->Take() : std::vector<Occurrence>();
    merged.reserve(left.items.size() + right.items.size());
    const Occurrence* l = left.items.data();
    const Occurrence* r = right.items.data();
    MergeInto(l, l + left.items.size(), r, r + right.items.size(), merged);
    left.items.swap(merged);
    if (buffers) buffers->Give(std::move(merged));
  }
  left.stop = stop;
  left.sorted = true;
  left.recordLevel = false;
  left.distinct = -1;
  right.Recycle(buffers);
}

void Combine(FoundSet& left, FoundSet& right, int distance, CombineMode mode, bool negated,
             FoundSetBuffers* buffers) {
  if (left.stop || right.stop) {
    // A stop word narrows nothing: the other operand stands (a NOT of a stop word, or of
    // anything after a stop word, leaves the left operand).
    if (left.stop && !negated) Unite(left, right, buffers);
    else right.Recycle(buffers);
    return;
  }
  left.EnsureSorted();
  right.EnsureSorted();
  const auto& r = right.items;
  auto& l = left.items;
  size_t from = 0;
  size_t kept = 0;
  bool moved = false;
  for (size_t i = 0; i < l.size(); ++i) {
    Occurrence a = l[i];
    from = Seek(r, from, SortKey(a.record, 0, 0));
    if (!negated && (from == r.size() || r[from].record != a.record)) {
      // No partner before right's next record: left skips ahead to it the same way, so
      // that a rare operand costs little against a frequent one, whichever side it is.
      if (from == r.size()) break;
      i = Seek(l, i, SortKey(r[from].record, 0, 0)) - 1;
      continue;
    }
    bool holds = false;
    int newPosition = a.position;
    if (from != r.size() && r[from].record == a.record) {
      switch (mode) {
        case CombineMode::Record:
          holds = true;
          break;
        case CombineMode::Field: {
          size_t it = Seek(r, from, SortKey(a.record, a.field, 0));
          holds = it != r.size() && r[it].record == a.record && r[it].field == a.field;
          break;
        }
        case CombineMode::Block: {
          int block = a.position & ~31;
          size_t it = Seek(r, from, SortKey(a.record, a.field, block));
          holds = it != r.size() && r[it].record == a.record && r[it].field == a.field &&
                  (r[it].position & ~31) == block;
          break;
        }
        case CombineMode::Adjacent: {
          if (a.position < 255) {
            size_t it = Seek(r, from, SortKey(a.record, a.field, a.position + 1));
            holds = it != r.size() && r[it].record == a.record && r[it].field == a.field &&
                    r[it].position <= a.position + distance;
            if (holds) newPosition = r[it].position;
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
    l[kept++] = a;
  }
  l.resize(kept);
  if (moved) Normalize(left.items);
  left.sorted = true;
  left.recordLevel = false;
  left.distinct = -1;
  right.Recycle(buffers);
}

void RestrictFields(FoundSet& set, const std::vector<uint8_t>& fields, bool negated) {
  bool in[256] = {};
  for (uint8_t f : fields) in[f] = true;
  std::erase_if(set.items, [&](const Occurrence& o) { return in[o.field] == negated; });
  set.recordLevel = false;
  set.distinct = -1;
}

void ReduceToRecords(FoundSet& set) {
  if (set.recordLevel) return;
  set.EnsureSorted();
  auto& v = set.items;
  // The first occurrence of each record, without a branch per occurrence: a frequent
  // word's records change every few occurrences, too often to predict. Each one is
  // written to the next free place, which only a new record keeps.
  size_t kept = 0;
  if (!v.empty()) {
    kept = 1;
    int32_t last = v[0].record;
    for (size_t i = 1; i < v.size(); ++i) {
      const Occurrence o = v[i];
      v[kept] = o;
      kept += o.record != last;
      last = o.record;
    }
  }
  v.resize(kept);
  set.recordLevel = true;
  set.distinct = static_cast<int32_t>(v.size());
}

}  // namespace zrt
