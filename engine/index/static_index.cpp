#include "index/static_index.h"

#include <algorithm>

#include <cstring>

#include "base/bytes.h"

namespace zrt {
namespace {

Status OpenWithMagic(const std::string& path, const char* magic, std::unique_ptr<File>* out) {
  Status why;
  auto f = Env::Current()->Open(path, OpenMode::Read, &why);
  if (!f) return Status::NotFound(why.message());
  char head[kMagicSize];
  if (!f->ReadExact(0, head, kMagicSize) || !HasMagic(head, magic))
    return Status::Corruption(path + ": no \"" + magic + "\" magic");
  *out = std::move(f);
  return Status::Ok();
}

}  // namespace

Status StaticIndex::Open(const std::string& base) {
  Close();
  const std::string pagePath = base + ".cdp";
  std::string bytes;
  if (!ReadWholeFile(pagePath, &bytes)) return Status::NotFound(pagePath + ": cannot be read");
  if (bytes.size() < kPageIndexEntriesAt ||
      !(HasMagic(bytes.data(), kPageIndexMagic) || HasMagic(bytes.data(), kWidePageIndexMagic)))
    return Status::Corruption(pagePath + ": not a page index (no \"ASDP\" or \"ASDp\")");
  bool newForm = HasMagic(bytes.data(), kWidePageIndexMagic);
  size_t width = newForm ? kWidePageIndexEntrySize : kPageIndexEntrySize;
  size_t count = GetU16(bytes.data() + kPageIndexCountAt);
  if (bytes.size() < kPageIndexEntriesAt + count * width)
    return Status::Corruption(pagePath + ": " + std::to_string(count) +
                              " entries do not fit the file");
  std::vector<PageIndexEntry> pages(count);
  for (size_t i = 0; i < count; ++i) {
    const char* e = bytes.data() + kPageIndexEntriesAt + i * width;
    PageIndexEntry& p = pages[i];
    p.first = static_cast<uint8_t>(e[0]);
    p.second = static_cast<uint8_t>(e[1]);
    if (newForm) {
      p.wordCount = GetU32(e + 4);
      p.offset = GetU32(e + 8);
    } else {
      p.wordCount = GetU16(e + 2);
      p.offset = GetU32(e + 4);
    }
  }

  std::unique_ptr<File> dictionary, occurrences;
  Status s = OpenWithMagic(base + ".cdd", kDictionaryMagic, &dictionary);
  if (!s.ok()) return s;
  s = OpenWithMagic(base + ".cdh", kOccurrenceMagic, &occurrences);
  if (!s.ok()) return s;

  newForm_ = newForm;
  pages_ = std::move(pages);
  dictionary_ = std::move(dictionary);
  occurrences_ = std::move(occurrences);
  return Status::Ok();
}

StaticIndex::Scan::Scan(const StaticIndex& index) : index_(index) {
  File* d = index.dictionary();
  long long size = d ? d->Size() : -1;
  entries_ = size > static_cast<long long>(kMagicSize) ? static_cast<uint64_t>(size - kMagicSize) / kDictionaryRowSize : 0;
  occurrenceBytes_ = index.occurrences() ? index.occurrences()->Size() : -1;
  // A walk over a cut dictionary would end early as if the index had no more words.
  uint64_t reached = 0;
  for (const PageIndexEntry& p : index.pages())
    reached = std::max(reached, uint64_t{p.offset} + uint64_t{p.wordCount} * kDictionaryRowSize);
  if (d && (size < 0 || reached > entries_ * kDictionaryRowSize))
    status_ = Status::Corruption("dictionary: its rows end before the page index says (" +
                                 std::to_string(entries_) + " whole rows)");
}

bool StaticIndex::Scan::Next(DictionaryRow* row, std::vector<Occurrence>* occurrences) {
  if (!status_.ok() || next_ >= entries_) return false;
  unsigned char e[kDictionaryRowSize];
  if (!index_.dictionary()->ReadExact(kMagicSize + next_ * kDictionaryRowSize, e, sizeof e)) {
    status_ = Status::Corruption("dictionary entry " + std::to_string(next_) + " cannot be read");
    return false;
  }
  ++next_;
  *row = DecodeDictionaryRow(e);
  std::string bytes;
  if (!Fill(kMagicSize + uint64_t{row->offset}, size_t{row->occurrences} * kOccurrenceSize, &bytes)) {
    status_ = Status::Corruption("the occurrences of dictionary entry " + std::to_string(next_ - 1) +
                                 " cannot be read");
    return false;
  }
  occurrences->resize(row->occurrences);
  for (uint32_t i = 0; i < row->occurrences; ++i) (*occurrences)[i] = DecodeOccurrence(bytes.data() + i * kOccurrenceSize);
  return true;
}

bool StaticIndex::Scan::Fill(uint64_t at, size_t n, std::string* out) {
  // Checked before allocating: the count comes from the file.
  if (occurrenceBytes_ < 0 || at + n > static_cast<uint64_t>(occurrenceBytes_)) return false;
  out->resize(n);
  return n == 0 || index_.occurrences()->ReadExact(at, out->data(), n);
}

void StaticIndex::Close() {
  pages_.clear();
  newForm_ = false;
  dictionary_.reset();
  occurrences_.reset();
}

}  // namespace zrt
