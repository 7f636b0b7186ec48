#include "morph/dictionary.h"

#include <algorithm>

#include "base/bytes.h"
#include "base/file.h"
#include "morph/forms.h"

namespace zrt::morph {

Status Dictionary::Open(const std::string& path, std::unique_ptr<Dictionary>* out) {
  Status why;
  std::unique_ptr<File> file = Env::Current()->Open(path, OpenMode::Read, &why);
  if (!file) return why.ok() ? Status::IOError("cannot open " + path) : why;
  long long size = file->Size();
  if (size < 0) return Status::IOError("cannot size " + path);
  if (size > static_cast<long long>(kMaxFileSize)) return Status::Corruption(path + ": too large");
  std::string bytes(static_cast<size_t>(size), '\0');
  if (!file->ReadExact(0, bytes.data(), bytes.size())) return Status::IOError("cannot read " + path);
  return FromBytes(std::move(bytes), out);
}

Status Dictionary::FromBytes(std::string bytes, std::unique_ptr<Dictionary>* out) {
  if (bytes.size() < kTableBytes) return Status::Corruption("morphology dictionary: no offset table");
  if (bytes.size() > kMaxFileSize) return Status::Corruption("morphology dictionary: too large");
  auto d = std::unique_ptr<Dictionary>(new Dictionary());
  d->bytes_ = std::move(bytes);
  for (int i = 0; i < kTableEntries; ++i) d->table_[i] = GetU32(d->bytes_.data() + 4 * i);
  d->ranges_.resize(kTableEntries / 2);
  for (int r = 0; r < kTableEntries / 2; ++r) d->IndexRange(d->table_[2 * r], d->table_[2 * r + 1], &d->ranges_[r]);
  *out = std::move(d);
  return Status::Ok();
}

bool Dictionary::ReadRecord(uint32_t offset, StemRecord* record) const {
  const uint64_t size = bytes_.size();
  if (offset >= size) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data()) + offset;
  const uint32_t len = p[0];
  if (static_cast<uint64_t>(offset) + kRecordFixed + len > size) return false;
  record->offset = offset;
  record->stem = std::string_view(bytes_.data() + offset + 1, len);
  const unsigned char* v = p + 1 + len;
  record->code = GetU32(v);
  record->mask = GetU32(v + 4);
  record->features = GetU32(v + 8);
  record->fourth = GetU32(v + 12);
  record->link = GetU32(v + 16);
  return true;
}

std::string_view Dictionary::StemAt(uint32_t offset) const {
  const auto len = static_cast<unsigned char>(bytes_[offset]);
  return std::string_view(bytes_.data() + offset + 1, len);
}

void Dictionary::IndexRange(uint32_t start, uint32_t end, Range* range) const {
  if (start == 0 || end <= start) return;
  const uint64_t limit = std::min<uint64_t>(end, bytes_.size());
  uint64_t pos = start;
  while (pos < limit) {
    const uint32_t len = static_cast<unsigned char>(bytes_[pos]);
    if (pos + kRecordFixed + len > limit) break;  // a record cut by the range or the file
    const auto offset = static_cast<uint32_t>(pos);
    if (!range->offsets.empty() && StemAt(range->offsets.back()) > StemAt(offset)) range->sorted = false;
    range->offsets.push_back(offset);
    pos += kRecordFixed + len;
  }
}

// In a sorted range the records whose stems begin the word are the records equal to one
// of the word's prefixes; bisection finds them without reading the range. An unsorted
// range is read in order, and its first stem whose first byte is above the word's first
// byte ends it. Both give the same records in the same order on a sorted range.
void Dictionary::ScanRange(const Range& range, std::string_view word, std::vector<uint32_t>* out) const {
  const size_t room = kMaxCandidates - out->size();
  if (room == 0 || range.offsets.empty()) return;
  std::vector<uint32_t> found;
  if (range.sorted) {
    auto less = [&](uint32_t offset, std::string_view key) { return StemAt(offset) < key; };
    // A shorter prefix sorts first, so the records come out in file order.
    for (size_t l = 0; l <= word.size() && found.size() < room; ++l) {
      std::string_view prefix = word.substr(0, l);
      auto it = std::lower_bound(range.offsets.begin(), range.offsets.end(), prefix, less);
      for (; it != range.offsets.end() && StemAt(*it) == prefix && found.size() < room; ++it)
        found.push_back(*it);
    }
  } else {
    for (uint32_t offset : range.offsets) {
      std::string_view stem = StemAt(offset);
      if (!stem.empty() && static_cast<unsigned char>(stem[0]) > static_cast<unsigned char>(word[0])) break;
      if (word.substr(0, stem.size()) == stem) found.push_back(offset);
      if (found.size() >= room) break;
    }
  }
  for (size_t i = 0; i < found.size() && out->size() < static_cast<size_t>(kMaxCandidates); ++i)
    out->push_back(found[i]);
}

void Dictionary::Candidates(std::string_view word, std::vector<uint32_t>* out) const {
  out->clear();
  if (word.size() < 2) return;
  const auto a = static_cast<unsigned char>(word[0]), b = static_cast<unsigned char>(word[1]);
  if (a < 0xE0 || b < 0xE0) return;
  ScanRange(ranges_[a - 0xE0], word, out);
  ScanRange(ranges_[32 + 32 * (a - 0xE0) + (b - 0xE0)], word, out);
}

}  // namespace zrt::morph
