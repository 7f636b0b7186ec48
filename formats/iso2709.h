// ISO 2709 exchange records as the engine's export writer lays them out and the client
// layer's reader takes them back: the one description of the format in the tree.
//
//   leader      24 bytes: record length (5 digits), status, type..., indicator count
//               (byte 10), subfield code length (byte 11), base address of the data
//               (bytes 12-16, 5 digits), entry map (bytes 20-23)
//   directory   one 12-byte entry a field: tag (3), field length (4), offset (5);
//               ended by a field terminator
//   data        each field ended by a field terminator; the record by a record terminator
//
// The folded framing cuts a record into lines of 80 bytes, each followed by CR LF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zrt::iso2709 {

inline constexpr char kFieldEnd = 0x1E;
inline constexpr char kRecordEnd = 0x1D;
inline constexpr char kSubfield = 0x1F;
inline constexpr size_t kLeaderSize = 24;
inline constexpr size_t kLengthDigits = 5;
inline constexpr size_t kDirectoryEntrySize = 12;
inline constexpr size_t kMaxFieldLength = 9999;  // four digits in the directory
inline constexpr size_t kLine = 80;              // of the folded framing
// Tags below this are control fields (no indicators, no subfields).
inline constexpr unsigned kFirstDataTag = 10;
// The plain form's data fields: two blank indicators and the subfield delimiter with "a".
inline constexpr std::string_view kDataFieldStart =
    "  \x1F"
    "a";

// The tag of a source field: a name of a letter and two digits gives (letter - 'A') * 100
// + the number ("B05" is 105); any other name, or a letter past J whose tag would not
// fit three digits, gives the source field number.
inline unsigned Tag(std::string_view fieldName, unsigned sourceNumber) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (fieldName.size() < 3 || !digit(fieldName[1]) || !digit(fieldName[2])) return sourceNumber;
  char letter = fieldName[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'J') return sourceNumber;
  return static_cast<unsigned>(letter - 'A') * 100 +
         static_cast<unsigned>(fieldName[1] - '0') * 10 + static_cast<unsigned>(fieldName[2] - '0');
}

// The field code that Tag maps back to a tag (0-999): "A10", "B05".
inline std::string FieldCode(unsigned tag) {
  return {static_cast<char>('A' + tag / 100 % 10), static_cast<char>('0' + tag / 10 % 10),
          static_cast<char>('0' + tag % 10)};
}

}  // namespace zrt::iso2709
