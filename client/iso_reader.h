// ISO 2709 exchange files, read record by record.
//
// Two framings are read, record by record:
//   folded    the export writer's layout: the record cut into pieces of 80 bytes, each
//             piece (the last one 1 to 80 bytes) followed by CR LF;
//   plain     records one after another, optionally separated by line ends.
// Field texts stay as written (the writer's are code page 866). The folded layout has no
// indicators, while a plain record may declare some (leader byte 10), which are then
// dropped from every field except the control fields 001-009, and a subfield code
// length (byte 11), whose first delimiter and code are dropped too.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "client/status.h"

namespace zrt::client {

struct IsoField {
  std::string tag;   // three bytes as written
  std::string data;  // without indicators and field terminator, as written (code page 866)
};

// Checks the structure of one unfolded record (leader, directory, field terminators,
// record terminator) and returns its fields in directory order. *why says what is wrong.
bool ParseIsoRecord(std::string_view record, std::vector<IsoField>* fields, std::string* why);

// Reads the records of an exchange file one at a time.
class IsoReader {
 public:
  Status Open(const std::string& path);
  // The next record's fields; *done at the end of the file. A malformed record gives
  // Corruption naming its number and byte offset; the reader has then moved past it
  // (to after the next record terminator), so the caller may go on or stop.
  Status Next(std::vector<IsoField>* fields, bool* done);
  // The last record read or refused: its 1-based number.
  int64_t recordNumber() const { return recordNumber_; }
  uint64_t position() const { return position_; }
  uint64_t size() const { return size_; }
  const std::string& path() const { return path_; }
  // "FILE: record N at byte X" for the last record.
  std::string Where() const;
  // Corruption for the last record: Where() and why.
  Status Bad(const std::string& why) const;

 private:
  // Moves past the next record terminator at or after `from` (or to the end).
  void Resync(uint64_t from);
  // Reads up to n bytes at offset into *out (short at the end of the file).
  Status Read(uint64_t offset, size_t n, std::string* out);

  std::string path_;
  std::ifstream file_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
  int64_t recordNumber_ = 0;
  uint64_t recordOffset_ = 0;
};

// A tag's number when it is three decimal digits.
bool IsoTagNumber(std::string_view tag, size_t* number);
// A tag as the user reads it: its bytes when printable, else their codes.
std::string ShowIsoTag(std::string_view tag);

}  // namespace zrt::client
