#include "index/dictionary.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"

namespace zrt {

namespace {

const PageIndexEntry* FindPage(const std::vector<PageIndexEntry>& pages, uint8_t first,
                               uint8_t second) {
  auto it = std::lower_bound(pages.begin(), pages.end(), std::make_pair(first, second),
                             [](const PageIndexEntry& e, const std::pair<uint8_t, uint8_t>& k) {
                               return std::make_pair(e.first, e.second) < k;
                             });
  if (it == pages.end() || it->first != first || it->second != second) return nullptr;
  return &*it;
}

// Decodes n occurrences into `o` and returns the end of those kept. The variants without
// a filter part do not test it per occurrence; with a field filter the field byte is
// looked at before anything else is decoded, since most occurrences are left out.
// With kMerge the occurrences of [*fresh, freshEnd) that sort before each decoded one
// go out before it (one equal to it is dropped): a run from the update index merged as
// the static run is read, one compare per occurrence instead of a pass of its own.
template <bool kFields, bool kStale, bool kMerge = false>
Occurrence* DecodeSlice(const unsigned char* bytes, size_t n, const OccurrenceFilter& filter, Occurrence* o,
                        uint64_t* last, bool* inOrder, const Occurrence** fresh = nullptr,
                        const Occurrence* freshEnd = nullptr) {
  // In locals: the byte stores below may alias anything the filter points to.
  const bool* fields = filter.fields;
  const RecordBitmap::View stale = kStale ? filter.staleRecords->view() : RecordBitmap::View{};
  uint64_t previous = *last;
  bool ordered = true;
  const Occurrence* f = kMerge ? *fresh : nullptr;
  uint64_t freshKey = kMerge && f != freshEnd ? SortKey(*f) : UINT64_MAX;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char* p = bytes + i * kOccurrenceSize;
    if constexpr (kFields) {
      if (!fields[p[kOccurrenceFieldAt]]) continue;
    }
    const Occurrence next = DecodeOccurrence(p);
    if constexpr (kStale) {
      if (stale.Contains(next.record)) continue;
    }
    const uint64_t key = SortKey(next);
    ordered &= key > previous;
    previous = key;
    if constexpr (kMerge) {
      while (freshKey <= key) {
        if (freshKey < key) *o++ = *f;
        ++f;
        freshKey = f != freshEnd ? SortKey(*f) : UINT64_MAX;
      }
    }
    *o++ = next;
  }
  if constexpr (kMerge) *fresh = f;
  *last = previous;
  *inOrder &= ordered;
  return o;
}

}  // namespace

Status LookupDictionary(const StaticIndex& index, const TermMatcher& term, uint32_t groupMask,
                        std::vector<DictionaryRow>* rows) {
  const auto& pages = index.pages();
  File* file = index.dictionary();
  if (pages.empty() || !file) return Status::Ok();

  uint64_t start = 0;
  uint64_t count = 0;
  const std::string& prefix = term.prefix();
  if (term.matchesAll()) {
    const PageIndexEntry* page = FindPage(pages, pages.front().first, 0xFF);
    if (!page) return Status::Ok();
    start = page->offset;
    count = page->wordCount;
  } else if (prefix.empty()) {
    // Auto cut with a leading wildcard: no letters to find a run by, so every row is a
    // candidate.
    long long size = file->Size();
    if (size < 0) return Status::IOError("dictionary: cannot read its size");
    count = size > static_cast<long long>(kMagicSize)
                ? (static_cast<uint64_t>(size) - kMagicSize) / kDictionaryRowSize
                : 0;
  } else {
    auto first = static_cast<uint8_t>(prefix[0]);
    uint8_t second = prefix.size() > 1 ? static_cast<uint8_t>(prefix[1])
                     : term.mode() == TermMode::Exact ? uint8_t{' '}
                                                      : uint8_t{0xFF};
    const PageIndexEntry* page = FindPage(pages, first, second);
    if (!page) return Status::Ok();
    start = page->offset;
    count = page->wordCount;
  }

  // An exact term matches one row at most, the one of its own padded key: rows are in
  // the order of their padded keys, so the scan ends at the first row above it, and it
  // reads only a few rows where a short word's page holds thousands that extend it.
  const bool exact = term.exact();
  char exactKey[kWordKeyLength];
  if (exact) PadWordKey(prefix, exactKey);
  if (!prefix.empty() && !term.matchesAll() && count > (exact ? 16 : 64)) {
    // The rows are in key order: find the first that is not below the term's prefix by
    // bisection instead of reading every row of the page before it.
    uint64_t low = 0, high = count;
    char e[kDictionaryRowSize];
    while (low < high) {
      uint64_t mid = low + (high - low) / 2;
      if (!file->ReadExact(kMagicSize + start + mid * kDictionaryRowSize, e, sizeof e))
        return Status::Corruption("dictionary: its rows end before the page index says");
      if (term.ComparePrefix(e) < 0) low = mid + 1;
      else high = mid;
    }
    start += low * kDictionaryRowSize;
    count -= low;
  }
  const size_t cap = static_cast<size_t>(std::min<uint64_t>(count, kMaxTermRows));
  size_t accepted = 0;
  const size_t kChunkRows = exact ? 16 : 256;
  std::vector<char> chunk;
  for (uint64_t done = 0; done < count && accepted < cap;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(kChunkRows, count - done));
    chunk.resize(n * kDictionaryRowSize);
    uint64_t at = kMagicSize + start + done * kDictionaryRowSize;
    if (!file->ReadExact(at, chunk.data(), chunk.size()))
      return Status::Corruption("dictionary: its rows end before the page index says");
    for (size_t i = 0; i < n; ++i) {
      const char* e = chunk.data() + i * kDictionaryRowSize;
      int order = term.ComparePrefix(e);
      if (order < 0) continue;
      if (order > 0) return Status::Ok();  // sorted: no later row can match
      if (exact && std::memcmp(e, exactKey, kWordKeyLength) > 0) return Status::Ok();
      DictionaryRow row = DecodeDictionaryRow(e);
      if (groupMask != kAllGroups && (row.groupMask & groupMask) == 0) continue;
      if (!term.Matches(row.word)) continue;
      rows->push_back(row);
      if (++accepted == cap) return Status::Ok();
    }
    done += n;
  }
  return Status::Ok();
}

Status ReadOccurrences(const StaticIndex& index, const DictionaryRow& row,
                       std::vector<Occurrence>* out, const OccurrenceFilter& filter, bool* ascending,
                       std::span<const Occurrence> merge) {
  if (ascending) *ascending = true;
  if (filter.fields && !merge.empty()) return Status::Internal("occurrences: a merge under a field filter");
  File* file = index.occurrences();
  if (!file) return Status::NotFound("occurrences: the file is not open");
  if (row.occurrences == 0) {
    out->insert(out->end(), merge.begin(), merge.end());
    return Status::Ok();
  }
  long long size = file->Size();
  uint64_t begin = kMagicSize + static_cast<uint64_t>(row.offset);
  uint64_t bytes = static_cast<uint64_t>(row.occurrences) * kOccurrenceSize;
  if (size < 0 || begin + bytes > static_cast<uint64_t>(size))
    return Status::Corruption("occurrences: a word's run lies beyond the end of the file");
  // Read in slices through a fixed buffer: a frequent word's run is megabytes, and a
  // buffer of its size would be fresh pages for every read.
  constexpr size_t kSliceEntries = 4096;
  unsigned char buf[kSliceEntries * kOccurrenceSize];
  size_t base = out->size();
  // Only the kept occurrences need to be in order. A first key of 0 (record INT32_MIN,
  // field and position 0) counts as out of order: it costs a sort, not a result.
  uint64_t last = 0;
  bool inOrder = true;
  // Without a field filter nearly every occurrence is kept, and they are decoded into
  // their place; with one most are left out, and the few kept go through a slice of
  // their own, so that the whole run's room is neither cleared nor touched.
  const bool sieve = filter.fields != nullptr;
  Occurrence kept[kSliceEntries];
  if (sieve) out->reserve(base + row.occurrences);
  else out->resize(base + row.occurrences + merge.size());
  Occurrence* o = out->data() + base;
  const Occurrence* fresh = merge.data();
  const Occurrence* freshEnd = fresh + merge.size();
  const bool merging = !merge.empty();
  const auto decode = sieve      ? (filter.staleRecords ? DecodeSlice<true, true> : DecodeSlice<true, false>)
                      : merging  ? (filter.staleRecords ? DecodeSlice<false, true, true> : DecodeSlice<false, false, true>)
                                 : (filter.staleRecords ? DecodeSlice<false, true> : DecodeSlice<false, false>);
  for (size_t done = 0; done < row.occurrences;) {
    size_t n = std::min<size_t>(kSliceEntries, row.occurrences - done);
    if (!file->ReadExact(begin + done * kOccurrenceSize, buf, n * kOccurrenceSize)) {
      out->resize(base);
      return Status::IOError("occurrences: short read");
    }
    if (sieve) {
      out->insert(out->end(), kept, decode(buf, n, filter, kept, &last, &inOrder, &fresh, freshEnd));
    } else {
      o = decode(buf, n, filter, o, &last, &inOrder, &fresh, freshEnd);
    }
    done += n;
  }
  if (!sieve) {
    o = std::copy(fresh, freshEnd, o);  // the fresh ones after the run's last
    out->resize(static_cast<size_t>(o - out->data()));
  }
  if (ascending) *ascending = inOrder;
  return Status::Ok();
}

}  // namespace zrt
