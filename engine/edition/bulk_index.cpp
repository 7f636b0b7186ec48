#include "edition/bulk_index.h"

#include <algorithm>
#include <cstring>
#include <memory>

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

Status BulkIndex::Add(const std::string& key, const Occurrence& occurrence) {
  words_[key].push_back(occurrence);
  ++total_;
  if (++held_ >= budget_) return Spill();
  return Status::Ok();
}

Status BulkIndex::Spill() {
  std::vector<std::pair<const std::string, std::vector<Occurrence>>*> sorted;
  sorted.reserve(words_.size());
  for (auto& w : words_) sorted.push_back(&w);
  std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->first < b->first; });
  std::string path = runBase_ + std::to_string(runs_.size());
  Status why;
  auto f = Env::Current()->Open(path, OpenMode::Create, &why);
  if (!f) return OpenFailure(why, path);
  runs_.push_back(path);
  std::string buffer;
  uint64_t at = 0;
  for (auto* w : sorted) {
    buffer += static_cast<char>(w->first.size());
    buffer += w->first;
    unsigned char count[4];
    PutU32(count, static_cast<uint32_t>(w->second.size()));
    buffer.append(reinterpret_cast<char*>(count), 4);
    for (const Occurrence& o : w->second) {
      unsigned char b[kOccurrenceSize];
      EncodeOccurrence(o, b);
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
  words_.clear();
  held_ = 0;
  return Status::Ok();
}

Status BulkIndex::WriteTo(StaticIndexWriter* writer) {
  // Everything goes through runs so that one merge handles every case.
  if (!words_.empty()) {
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
