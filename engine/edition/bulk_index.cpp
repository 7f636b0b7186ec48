#include "edition/bulk_index.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/bytes.h"
#include "base/file.h"

namespace zrt {
namespace {

bool OccurrenceLess(const Occurrence& a, const Occurrence& b) {
  if (a.record != b.record) return a.record < b.record;
  if (a.field != b.field) return a.field < b.field;
  return a.position < b.position;
}

// Sequential reader of a run file: (key length u8, key, count u32, count x 6 bytes)...
class RunReader {
public:
  explicit RunReader(std::unique_ptr<File> file) : file_(std::move(file)) {}
  bool Next(std::string* key, std::vector<Occurrence>* list) {
    unsigned char len;
    if (!Read(&len, 1)) return false;
    key->resize(len);
    unsigned char count[4];
    if (!Read(key->data(), len) || !Read(count, 4)) return false;
    std::string bytes(size_t{GetU32(count)} * kOccurrenceSize, '\0');
    if (!Read(bytes.data(), bytes.size())) return false;
    list->resize(GetU32(count));
    for (size_t i = 0; i < list->size(); ++i) (*list)[i] = DecodeOccurrence(bytes.data() + i * kOccurrenceSize);
    return true;
  }

private:
  bool Read(void* out, size_t n) {
    auto* dst = static_cast<char*>(out);
    while (n) {
      if (pos_ == buffer_.size()) {
        buffer_.resize(1 << 20);
        long long got = file_->ReadAt(offset_, buffer_.data(), buffer_.size());
        if (got <= 0) return false;
        buffer_.resize(static_cast<size_t>(got));
        offset_ += static_cast<uint64_t>(got);
        pos_ = 0;
      }
      size_t take = std::min(n, buffer_.size() - pos_);
      std::memcpy(dst, buffer_.data() + pos_, take);
      pos_ += take;
      dst += take;
      n -= take;
    }
    return true;
  }
  std::unique_ptr<File> file_;
  std::string buffer_;
  size_t pos_ = 0;
  uint64_t offset_ = 0;
};

}  // namespace

BulkIndex::~BulkIndex() { RemoveRuns(); }

void BulkIndex::RemoveRuns() {
  for (const std::string& run : runs_) Env::Current()->Remove(run);
  runs_.clear();
}

namespace {

uint64_t HashOf(const char* p, size_t n) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 1099511628211ull;
  return h ^ (h >> 29);
}

}  // namespace

void BulkIndex::Rehash() {
  std::vector<Slot> old;
  old.swap(slots_);
  slots_.assign(old.empty() ? size_t{1} << 16 : old.size() * 2, Slot{});
  const size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (!s.word) continue;
    std::string_view w = Word(s.word - 1);
    size_t i = HashOf(w.data(), w.size()) & mask;
    while (slots_[i].word) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

uint32_t BulkIndex::WordOf(const std::string& key, uint64_t hash) {
  const size_t words = wordStart_.size() - 1;
  Slot probe{};
  std::memcpy(probe.head, key.data(), std::min(key.size(), Slot::kHead));
  probe.length = static_cast<uint8_t>(key.size());
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = slots_[i];
    if (!slot.word) {
      arena_.append(key);
      wordStart_.push_back(static_cast<uint32_t>(arena_.size()));
      probe.word = static_cast<uint32_t>(words + 1);
      slot = probe;
      return static_cast<uint32_t>(words);
    }
    if (std::memcmp(&slot, &probe, offsetof(Slot, word)) != 0) continue;
    if (key.size() <= Slot::kHead ||
        std::memcmp(arena_.data() + wordStart_[slot.word - 1] + Slot::kHead, key.data() + Slot::kHead,
                    key.size() - Slot::kHead) == 0)
      return slot.word - 1;
  }
}

void BulkIndex::OrderWords() {
  const size_t words = wordStart_.empty() ? 0 : wordStart_.size() - 1;
  const size_t known = ordered_.size();
  for (size_t w = known; w < words; ++w) ordered_.push_back(static_cast<uint32_t>(w));
  auto less = [&](uint32_t a, uint32_t b) { return Word(a) < Word(b); };
  std::sort(ordered_.begin() + static_cast<std::ptrdiff_t>(known), ordered_.end(), less);
  std::inplace_merge(ordered_.begin(), ordered_.begin() + static_cast<std::ptrdiff_t>(known), ordered_.end(), less);
}

Status BulkIndex::Add(const std::string& key, const Occurrence& occurrence) {
  Pending& p = pending_[pendingCount_++];
  p.key = key;
  p.occurrence = occurrence;
  ++total_;
  return pendingCount_ == kBatch ? Drain() : Status::Ok();
}

Status BulkIndex::Drain() {
  if (wordStart_.empty()) wordStart_.push_back(0);
  // Room for every key of the batch, the table at most half full, before any lookup.
  while ((wordStart_.size() + pendingCount_) * 2 > slots_.size()) Rehash();
  const size_t mask = slots_.size() - 1;
  for (size_t k = 0; k < pendingCount_; ++k) {
    Pending& p = pending_[k];
    p.hash = HashOf(p.key.data(), p.key.size());
    __builtin_prefetch(&slots_[p.hash & mask]);
  }
  const size_t count = pendingCount_;
  pendingCount_ = 0;
  for (size_t k = 0; k < count; ++k) {
    const Pending& p = pending_[k];
    if (wordOf_.empty()) {
      wordOf_.reserve(budget_);
      placeOf_.reserve(budget_);
    }
    // The occurrences of one record arrive together: its number is kept once per record.
    if (records_.empty() || records_.back().record != p.occurrence.record)
      records_.push_back({p.occurrence.record, static_cast<uint32_t>(wordOf_.size())});
    wordOf_.push_back(WordOf(p.key, p.hash));
    placeOf_.push_back(static_cast<uint16_t>(p.occurrence.field << 8 | p.occurrence.position));
    if (wordOf_.size() >= budget_) {
      Status s = Spill();
      if (!s.ok()) return s;
    }
  }
  return Status::Ok();
}

Status BulkIndex::Spill() {
  OrderWords();
  const size_t words = ordered_.size();
  const std::vector<uint32_t>& order = ordered_;
  // One counting pass by the word's rank puts the occurrences in dictionary order, each
  // word's in their arrival order, already in the run file's 6-byte form. Words of
  // earlier runs only are counted 0 and left out.
  std::vector<uint32_t> start(words + 1, 0);
  {
    std::vector<uint32_t> rank(words);
    for (uint32_t r = 0; r < words; ++r) rank[order[r]] = r;
    for (uint32_t& w : wordOf_) {
      w = rank[w];
      ++start[w + 1];
    }
  }
  for (size_t r = 0; r < words; ++r) start[r + 1] += start[r];
  // The run's buffers keep their memory for the next run: touching fresh pages for every
  // run cost more than filling them.
  sorted_.resize(wordOf_.size() * kOccurrenceSize);
  {
    std::vector<uint32_t> next(start.begin(), start.end() - 1);
    size_t nextRecord = 0;
    int32_t record = 0;
    for (size_t i = 0; i < wordOf_.size(); ++i) {
      while (nextRecord < records_.size() && records_[nextRecord].first == i) record = records_[nextRecord++].record;
      const uint16_t place = placeOf_[i];
      EncodeOccurrence(Occurrence{record, static_cast<uint8_t>(place >> 8), static_cast<uint8_t>(place)},
                       sorted_.data() + size_t{next[wordOf_[i]]++} * kOccurrenceSize);
    }
  }
  wordOf_.clear();
  placeOf_.clear();
  records_.clear();

  std::string path = runBase_ + std::to_string(runs_.size());
  Status why;
  auto f = Env::Current()->Open(path, OpenMode::Create, &why);
  if (!f) return OpenFailure(why, path);
  runs_.push_back(path);
  std::string buffer;
  uint64_t at = 0;
  for (uint32_t r = 0; r < words; ++r) {
    if (start[r + 1] == start[r]) continue;
    std::string_view word = Word(order[r]);
    buffer += static_cast<char>(word.size());
    buffer += word;
    unsigned char count[4];
    PutU32(count, start[r + 1] - start[r]);
    buffer.append(reinterpret_cast<char*>(count), 4);
    buffer.append(sorted_.data() + size_t{start[r]} * kOccurrenceSize,
                  size_t{start[r + 1] - start[r]} * kOccurrenceSize);
    if (buffer.size() >= (1u << 20)) {
      if (!f->WriteAt(at, buffer.data(), buffer.size())) return Status::IOError(path + ": write failed");
      at += buffer.size();
      buffer.clear();
    }
  }
  if (!buffer.empty() && !f->WriteAt(at, buffer.data(), buffer.size()))
    return Status::IOError(path + ": write failed");
  return Status::Ok();
}

Status BulkIndex::WriteTo(StaticIndexWriter* writer) {
  // Everything goes through runs so that one merge handles every case.
  Status drained = Drain();
  if (!drained.ok()) return drained;
  if (!wordOf_.empty()) {
    Status s = Spill();
    if (!s.ok()) return s;
  }
  std::vector<uint32_t>().swap(wordOf_);
  std::vector<uint16_t>().swap(placeOf_);
  std::string().swap(sorted_);
  struct Head {
    std::unique_ptr<RunReader> reader;
    std::string key;
    std::vector<Occurrence> list;
    bool live = false;
  };
  std::vector<Head> heads(runs_.size());
  for (size_t i = 0; i < runs_.size(); ++i) {
    Status why;
    auto f = Env::Current()->Open(runs_[i], OpenMode::Read, &why);
    if (!f) return OpenFailure(why, runs_[i]);
    heads[i].reader = std::make_unique<RunReader>(std::move(f));
    heads[i].live = heads[i].reader->Next(&heads[i].key, &heads[i].list);
  }
  std::vector<Occurrence> merged;
  for (;;) {
    const std::string* smallest = nullptr;
    for (const Head& h : heads)
      if (h.live && (!smallest || h.key < *smallest)) smallest = &h.key;
    if (!smallest) break;
    const std::string key = *smallest;
    merged.clear();
    for (Head& h : heads) {
      if (!h.live || h.key != key) continue;
      merged.insert(merged.end(), h.list.begin(), h.list.end());
      h.live = h.reader->Next(&h.key, &h.list);
    }
    // Positions wrap after 255 within a field, so arrival order is not always the
    // dictionary order of the occurrences.
    std::sort(merged.begin(), merged.end(), OccurrenceLess);
    char word[kWordKeyLength];
    PadWordKey(key, word);
    for (const Occurrence& o : merged) {
      Status s = writer->Add(word, o);
      if (!s.ok()) return s;
    }
  }
  RemoveRuns();
  return Status::Ok();
}

}  // namespace zrt
