#include "client/iso_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "formats/iso2709.h"

namespace zrt::client {
namespace {

using iso2709::kFieldEnd;
using iso2709::kLeaderSize;
using iso2709::kLengthDigits;
using iso2709::kRecordEnd;
using iso2709::kSubfield;
// Leader, directory terminator and record terminator: the smallest record there is.
constexpr size_t kSmallestRecord = kLeaderSize + 2;
constexpr size_t kLine = iso2709::kLine;

bool Digits(std::string_view s, size_t* value) {
  if (s.empty()) return false;
  size_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<size_t>(c - '0');
  }
  *value = v;
  return true;
}

std::string Hex(char c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned char>(c));
  return buf;
}

bool IsSeparator(char c) { return c == '\r' || c == '\n' || c == 0x1A; }

}  // namespace

bool ParseIsoRecord(std::string_view r, std::vector<IsoField>* fields, std::string* why) {
  fields->clear();
  auto fail = [&](std::string text) {
    *why = std::move(text);
    fields->clear();
    return false;
  };
  if (r.size() < kSmallestRecord)
    return fail("the record has " + std::to_string(r.size()) +
                " bytes, fewer than a leader and two terminators");
  size_t length = 0, base = 0, lengthDigits = 0, startDigits = 0, implDigits = 0;
  if (!Digits(r.substr(0, kLengthDigits), &length) || length != r.size())
    return fail("the leader's record length is not " + std::to_string(r.size()));
  if (r.back() != kRecordEnd)
    return fail("the record does not end with the record terminator 0x1D");
  if (!Digits(r.substr(12, 5), &base))
    return fail("the leader's base address '" + std::string(r.substr(12, 5)) + "' is not a number");
  if (!Digits(r.substr(20, 1), &lengthDigits) || !Digits(r.substr(21, 1), &startDigits) ||
      !Digits(r.substr(22, 1), &implDigits) || lengthDigits == 0 || startDigits == 0)
    return fail("the leader's entry map '" + std::string(r.substr(20, 4)) +
                "' does not give the directory's number widths");
  size_t indicators = 0, codeLength = 0;
  if (r[10] != ' ' && !Digits(r.substr(10, 1), &indicators))
    return fail("the leader's indicator count " + Hex(r[10]) + " is not a digit");
  if (!Digits(r.substr(11, 1), &codeLength)) codeLength = 0;
  if (base < kLeaderSize + 1 || base > r.size() - 1)
    return fail("the base address " + std::to_string(base) + " lies outside the record of " +
                std::to_string(r.size()) + " bytes");
  if (r[base - 1] != kFieldEnd)
    return fail("the directory does not end with the field terminator 0x1E at byte " +
                std::to_string(base - 1));
  const size_t entrySize = 3 + lengthDigits + startDigits + implDigits;
  const size_t directory = base - 1 - kLeaderSize;
  if (directory % entrySize != 0)
    return fail("the directory of " + std::to_string(directory) +
                " bytes is not a whole number of " + std::to_string(entrySize) + "-byte entries");
  const std::string_view data = r.substr(base, r.size() - 1 - base);
  for (size_t i = 0; i < directory / entrySize; ++i) {
    std::string_view entry = r.substr(kLeaderSize + i * entrySize, entrySize);
    std::string_view tag = entry.substr(0, 3);
    std::string name =
        "directory entry " + std::to_string(i + 1) + " (tag " + ShowIsoTag(tag) + ")";
    for (char c : tag)
      if (!std::isalnum(static_cast<unsigned char>(c)))
        return fail(name + ": a tag is three letters or digits");
    size_t fieldLength = 0, start = 0;
    if (!Digits(entry.substr(3, lengthDigits), &fieldLength) ||
        !Digits(entry.substr(3 + lengthDigits, startDigits), &start))
      return fail(name + ": '" + std::string(entry.substr(3)) + "' is not a length and a start");
    if (fieldLength == 0 || start > data.size() || fieldLength > data.size() - start)
      return fail(name + ": " + std::to_string(fieldLength) + " bytes at " + std::to_string(start) +
                  " pass the end of the " + std::to_string(data.size()) + "-byte data area");
    std::string_view text = data.substr(start, fieldLength);
    if (text.back() != kFieldEnd)
      return fail(name + ": the field does not end with the field terminator 0x1E");
    text.remove_suffix(1);
    // Control fields (001-009) carry no indicators in any ISO 2709 format.
    bool control = tag[0] == '0' && tag[1] == '0';
    if (indicators > 0 && !control) {
      if (text.size() < indicators)
        return fail(name + ": the field is shorter than its " + std::to_string(indicators) +
                    " indicators");
      text.remove_prefix(indicators);
    }
    // The first subfield's delimiter and code (the plain export writes one subfield);
    // the delimiters of further subfields stay in the text.
    if (codeLength > 0 && !control && !text.empty() && text[0] == kSubfield)
      text.remove_prefix(std::min(codeLength, text.size()));
    if (text.find('\0') != std::string_view::npos)
      return fail(name + ": the field holds a NUL byte");
    fields->push_back({std::string(tag), std::string(text)});
  }
  return true;
}

std::string ShowIsoTag(std::string_view tag) {
  std::string out;
  for (char c : tag) out += (c > 0x20 && c < 0x7F) ? std::string(1, c) : Hex(c);
  return out;
}

bool IsoTagNumber(std::string_view tag, size_t* number) {
  return tag.size() == 3 && Digits(tag, number);
}

// ---- IsoReader ------------------------------------------------------------------------

Status IsoReader::Open(const std::string& path) {
  path_ = path;
  file_.close();
  file_.clear();
  file_.open(path, std::ios::binary);
  if (file_) file_.seekg(0, std::ios::end);
  const std::streamoff size = file_ ? static_cast<std::streamoff>(file_.tellg()) : -1;
  if (size < 0) return Status::IOError(path + ": cannot be read");
  size_ = static_cast<uint64_t>(size);
  position_ = 0;
  recordNumber_ = 0;
  recordOffset_ = 0;
  return Status::Ok();
}

std::string IsoReader::Where() const {
  return path_ + ": record " + std::to_string(recordNumber_) + " at byte " +
         std::to_string(recordOffset_);
}

Status IsoReader::Bad(const std::string& why) const {
  return Status::Corruption(Where() + ": " + why);
}

Status IsoReader::Read(uint64_t offset, size_t n, std::string* out) {
  out->clear();
  if (offset >= size_) return Status::Ok();
  n = static_cast<size_t>(std::min<uint64_t>(n, size_ - offset));
  out->resize(n);
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(offset));
  file_.read(out->data(), static_cast<std::streamsize>(n));
  const std::streamsize got = file_.gcount();
  if (file_.bad() || (got == 0 && n > 0))
    return Status::IOError(path_ + ": read failed at byte " + std::to_string(offset));
  out->resize(static_cast<size_t>(got));
  return Status::Ok();
}

void IsoReader::Resync(uint64_t from) {
  std::string chunk;
  for (uint64_t at = from; at < size_; at += chunk.size()) {
    if (!Read(at, 1 << 16, &chunk).ok() || chunk.empty()) break;
    size_t end = chunk.find(kRecordEnd);
    if (end != std::string::npos) {
      position_ = at + end + 1;
      return;
    }
  }
  position_ = size_;
}

Status IsoReader::Next(std::vector<IsoField>* fields, bool* done) {
  fields->clear();
  *done = false;
  std::string raw;
  // Line ends (and a DOS end-of-file byte) may stand between records.
  for (;;) {
    Status s = Read(position_, 256, &raw);
    if (!s.ok()) return s;
    size_t skip = 0;
    while (skip < raw.size() && IsSeparator(raw[skip])) ++skip;
    position_ += skip;
    if (skip < raw.size() || raw.empty()) break;
  }
  if (position_ >= size_) {
    *done = true;
    return Status::Ok();
  }
  ++recordNumber_;
  recordOffset_ = position_;
  Status s = Read(position_, kLengthDigits, &raw);
  if (!s.ok()) return s;
  size_t length = 0;
  if (raw.size() < kLengthDigits || !Digits(raw, &length)) {
    Resync(recordOffset_);
    return Bad("the record does not begin with a five-digit record length");
  }
  if (length < kSmallestRecord) {
    Resync(recordOffset_);
    return Bad("the record length " + std::to_string(length) + " is below the " +
               std::to_string(kSmallestRecord) + " bytes of a leader and two terminators");
  }
  const size_t lines = (length + kLine - 1) / kLine;
  s = Read(position_, length + 2 * lines, &raw);
  if (!s.ok()) return s;

  std::string record;
  size_t consumed = 0;
  std::string why;
  auto plain = [&] {
    if (raw.size() < length) return false;
    record.assign(raw, 0, length);
    consumed = length;
    return true;
  };
  bool folded =
      length > kLine && raw.size() >= kLine + 2 && raw[kLine] == '\r' && raw[kLine + 1] == '\n';
  if (folded) {
    record.reserve(length);
    for (size_t k = 0; k < lines && why.empty(); ++k) {
      size_t at = k * (kLine + 2), n = std::min(kLine, length - k * kLine);
      if (raw.size() < at + n) {
        why = "the record is cut short: the leader gives " + std::to_string(length) +
              " bytes, the file ends after " + std::to_string(record.size() + raw.size() - at);
        break;
      }
      record.append(raw, at, n);
      consumed = at + n;
      // Every line but the last must end in CR LF; the last line's end may be missing or
      // cut, since the record's own terminator tells whether its length was right.
      if (raw.size() >= at + n + 2 && raw[at + n] == '\r' && raw[at + n + 1] == '\n') {
        consumed += 2;
      } else if (k + 1 < lines) {
        why = "line " + std::to_string(k + 1) + " of the record is not followed by CR LF at byte " +
              std::to_string(position_ + at + n) +
              " (a damaged record length or a line of the wrong size)";
      }
    }
    // A plain record may hold CR LF at byte 80 by chance.
    if (!why.empty() && raw.size() >= length && raw[length - 1] == kRecordEnd) {
      why.clear();
      plain();
    }
  } else if (!plain()) {
    why = "the record is cut short: the leader gives " + std::to_string(length) +
          " bytes, the file ends after " + std::to_string(raw.size());
  }
  if (why.empty() && !ParseIsoRecord(record, fields, &why)) {
    // A record whose framing held is skipped whole; otherwise its end is not known.
    if (record.back() == kRecordEnd) {
      position_ = recordOffset_ + consumed;
      return Bad(why);
    }
  }
  if (!why.empty()) {
    Resync(recordOffset_);
    return Bad(why);
  }
  position_ = recordOffset_ + consumed;
  return Status::Ok();
}

}  // namespace zrt::client
