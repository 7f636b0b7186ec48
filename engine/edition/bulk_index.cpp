#include "edition/bulk_index.h"

#include <algorithm>
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
  size_t capacity = slots_.empty() ? 1u << 16 : slots_.size() * 2;
  slots_.assign(capacity, 0);
  const size_t mask = capacity - 1;
  for (uint32_t w = 0; w + 1 < wordStart_.size(); ++w) {
    size_t i = HashOf(arena_.data() + wordStart_[w], wordStart_[w + 1] - wordStart_[w]) & mask;
    while (slots_[i]) i = (i + 1) & mask;
    slots_[i] = w + 1;
  }
}

uint32_t BulkIndex::WordOf(const std::string& key) {
  if (wordStart_.empty()) wordStart_.push_back(0);
  const size_t words = wordStart_.size() - 1;
  if ((words + 1) * 2 > slots_.size()) Rehash();  // at most half full
  const size_t mask = slots_.size() - 1;
  for (size_t i = HashOf(key.data(), key.size()) & mask;; i = (i + 1) & mask) {
    uint32_t slot = slots_[i];
    if (!slot) {
      arena_.append(key);
      wordStart_.push_back(static_cast<uint32_t>(arena_.size()));
      slots_[i] = static_cast<uint32_t>(words + 1);
      return static_cast<uint32_t>(words);
    }
    uint32_t begin = wordStart_[slot - 1], end = wordStart_[slot];
    if (end - begin == key.size() && std::memcmp(arena_.data() + begin, key.data(), key.size()) == 0)
      return slot - 1;
  }
}

Status BulkIndex::Add(const std::string& key, const Occurrence& occurrence) {
  if (occurrences_.empty()) {
    occurrences_.reserve(budget_);
    wordOf_.reserve(budget_);
  }
  wordOf_.push_back(WordOf(key));
  occurrences_.push_back(occurrence);
  ++total_;
  if (occurrences_.size() >= budget_) return Spill();
  return Status::Ok();
}

Status BulkIndex::Spill() {
  const size_t words = wordStart_.empty() ? 0 : wordStart_.size() - 1;
  auto wordView = [&](uint32_t w) {
    return std::string_view(arena_.data() + wordStart_[w], wordStart_[w + 1] - wordStart_[w]);
  };
  std::vector<uint32_t> order(words);
  for (uint32_t w = 0; w < words; ++w) order[w] = w;
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return wordView(a) < wordView(b); });
  // One counting pass by the word's rank puts the occurrences in dictionary order, each
  // word's in their arrival order.
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
  std::vector<Occurrence> sorted(occurrences_.size());
  {
    std::vector<uint32_t> next(start.begin(), start.end() - 1);
    for (size_t i = 0; i < occurrences_.size(); ++i) sorted[next[wordOf_[i]]++] = occurrences_[i];
  }
  std::vector<Occurrence>().swap(occurrences_);
  std::vector<uint32_t>().swap(wordOf_);

  std::string path = runBase_ + std::to_string(runs_.size());
  Status why;
  auto f = Env::Current()->Open(path, OpenMode::Create, &why);
  if (!f) return OpenFailure(why, path);
  runs_.push_back(path);
  std::string buffer;
  uint64_t at = 0;
  for (uint32_t r = 0; r < words; ++r) {
    std::string_view word = wordView(order[r]);
    buffer += static_cast<char>(word.size());
    buffer += word;
    unsigned char count[4];
    PutU32(count, start[r + 1] - start[r]);
    buffer.append(reinterpret_cast<char*>(count), 4);
    for (uint32_t i = start[r]; i < start[r + 1]; ++i) {
      unsigned char b[kOccurrenceSize];
      EncodeOccurrence(sorted[i], b);
      buffer.append(reinterpret_cast<char*>(b), sizeof b);
    }
    if (buffer.size() >= (1u << 20)) {
      if (!f->WriteAt(at, buffer.data(), buffer.size())) return Status::IOError(path + ": write failed");
      at += buffer.size();
      buffer.clear();
    }
  }
  if (!buffer.empty() && !f->WriteAt(at, buffer.data(), buffer.size()))
    return Status::IOError(path + ": write failed");
  arena_.clear();
  wordStart_.clear();
  slots_.clear();
  return Status::Ok();
}

Status BulkIndex::WriteTo(StaticIndexWriter* writer) {
  // Everything goes through runs so that one merge handles every case.
  if (!occurrences_.empty()) {
    Status s = Spill();
    if (!s.ok()) return s;
  }
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
