#include "index/index_writer.h"

#include <cstring>

#include "base/bytes.h"
#include "index/static_index.h"

namespace zrt {

// Buffered sequential output over the file layer.
class StaticIndexWriter::Output {
public:
  explicit Output(std::unique_ptr<File> file) : file_(std::move(file)) { buffer_.reserve(kBuffer); }
  bool Write(const void* data, size_t n) {
    buffer_.append(static_cast<const char*>(data), n);
    size_ += n;
    return buffer_.size() < kBuffer || Flush();
  }
  bool Flush() {
    if (buffer_.empty()) return true;
    bool ok = file_->WriteAt(written_, buffer_.data(), buffer_.size());
    written_ += buffer_.size();
    buffer_.clear();
    return ok;
  }
  bool WriteAt(uint64_t at, const void* data, size_t n) { return Flush() && file_->WriteAt(at, data, n); }
  bool Sync() { return Flush() && file_->Sync(); }
  uint64_t size() const { return size_; }

private:
  static constexpr size_t kBuffer = 1 << 20;
  std::unique_ptr<File> file_;
  std::string buffer_;
  uint64_t written_ = 0;
  uint64_t size_ = 0;
};

StaticIndexWriter::StaticIndexWriter() = default;
StaticIndexWriter::~StaticIndexWriter() = default;

Status StaticIndexWriter::Create(const std::string& pagePath, const std::string& dictionaryPath,
                                 const std::string& occurrencePath) {
  paths_[0] = pagePath;
  paths_[1] = dictionaryPath;
  paths_[2] = occurrencePath;
  std::unique_ptr<Output>* outs[3] = {&pages_, &dictionary_, &occurrences_};
  for (int i = 0; i < 3; ++i) {
    Status why;
    auto f = Env::Current()->Open(paths_[i], OpenMode::Create, &why);
    if (!f) {
      Abandon();
      return OpenFailure(why, paths_[i]);
    }
    *outs[i] = std::make_unique<Output>(std::move(f));
  }
  // The page index's entry count is filled in by Finish.
  unsigned char pageHead[kPageIndexEntriesAt] = {};
  std::memcpy(pageHead, kPageIndexMagic, kMagicSize);
  if (!pages_->Write(pageHead, sizeof pageHead) || !dictionary_->Write(kDictionaryMagic, kMagicSize) ||
      !occurrences_->Write(kOccurrenceMagic, kMagicSize))
    return Status::IOError(pagePath + ": write failed");
  return Status::Ok();
}

Status StaticIndexWriter::FlushWord() {
  if (!haveWord_) return Status::Ok();
  unsigned char entry[kDictionaryRowSize];
  EncodeDictionaryRow(current_, entry);
  haveWord_ = false;
  return dictionary_->Write(entry, sizeof entry) ? Status::Ok() : Status::IOError(paths_[1] + ": write failed");
}

Status StaticIndexWriter::FlushPair() {
  if (!havePair_) return Status::Ok();
  if (pageEntries_ == 0xFFFF)
    return Status::Limit("the page index holds at most 65535 entries");
  unsigned char entry[kPageIndexEntrySize] = {pair_[0], pair_[1]};
  // The 8-byte form counts a pair's words in 16 bits; the dictionary itself is right
  // either way, and the summary's offset still leads to the first word.
  PutU16(entry + 2, static_cast<uint16_t>(pairWords_ > 0xFFFF ? 0xFFFF : pairWords_));
  PutU32(entry + 4, pairOffset_);
  ++pageEntries_;
  return pages_->Write(entry, sizeof entry) ? Status::Ok() : Status::IOError(paths_[0] + ": write failed");
}

Status StaticIndexWriter::FlushLetter() {
  if (!havePair_) return Status::Ok();
  if (pageEntries_ == 0xFFFF)
    return Status::Limit("the page index holds at most 65535 entries");
  unsigned char entry[kPageIndexEntrySize] = {pair_[0], kPageIndexSummary};
  PutU16(entry + 2, static_cast<uint16_t>(letterWords_ > 0xFFFF ? 0xFFFF : letterWords_));
  PutU32(entry + 4, letterOffset_);
  ++pageEntries_;
  return pages_->Write(entry, sizeof entry) ? Status::Ok() : Status::IOError(paths_[0] + ": write failed");
}

Status StaticIndexWriter::Add(const char* word, const Occurrence& o) {
  Status s;
  if (!haveWord_ || std::memcmp(word, current_.word, kWordKeyLength) != 0) {
    if (!(s = FlushWord()).ok()) return s;
    auto first = static_cast<uint8_t>(word[0]), second = static_cast<uint8_t>(word[1]);
    uint32_t offset = wordCount_ * static_cast<uint32_t>(kDictionaryRowSize);
    if (!havePair_ || first != pair_[0] || second != pair_[1]) {
      if (!(s = FlushPair()).ok()) return s;
      if (havePair_ && first != pair_[0]) {
        if (!(s = FlushLetter()).ok()) return s;
        letterWords_ = 0;
      }
      if (!havePair_ || first != pair_[0]) letterOffset_ = offset;
      havePair_ = true;
      pair_[0] = first;
      pair_[1] = second;
      pairWords_ = 0;
      pairOffset_ = offset;
    }
    ++pairWords_;
    ++letterWords_;
    ++wordCount_;
    std::memcpy(current_.word, word, kWordKeyLength);
    current_.groupMask = 0;
    current_.documents = 0;
    current_.occurrences = 0;
    current_.offset = static_cast<uint32_t>(occurrences_->size() - kMagicSize);
    haveWord_ = true;
    lastRecord_ = 0;
  }
  if (o.field >= 1 && o.field <= 32) current_.groupMask |= 1u << (o.field - 1);
  if (current_.documents == 0 || o.record != lastRecord_) ++current_.documents;
  lastRecord_ = o.record;
  ++current_.occurrences;
  unsigned char bytes[kOccurrenceSize];
  EncodeOccurrence(o, bytes);
  if (occurrences_->size() - kMagicSize > 0xFFFFFFFFull - kOccurrenceSize)
    return Status::Limit(paths_[2] + ": occurrences exceed 4 GB");
  return occurrences_->Write(bytes, sizeof bytes) ? Status::Ok() : Status::IOError(paths_[2] + ": write failed");
}

Status StaticIndexWriter::Finish() {
  Status s;
  if (!(s = FlushWord()).ok() || !(s = FlushPair()).ok() || !(s = FlushLetter()).ok()) return s;
  unsigned char count[2];
  PutU16(count, pageEntries_);
  if (!pages_->WriteAt(kPageIndexCountAt, count, sizeof count) || !pages_->Sync() || !dictionary_->Sync() || !occurrences_->Sync())
    return Status::IOError(paths_[0] + ": the new index cannot be written");
  pages_.reset();
  dictionary_.reset();
  occurrences_.reset();
  return Status::Ok();
}

void StaticIndexWriter::Abandon() {
  pages_.reset();
  dictionary_.reset();
  occurrences_.reset();
  for (const std::string& p : paths_)
    if (!p.empty()) Env::Current()->Remove(p);
}

}  // namespace zrt
