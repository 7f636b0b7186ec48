// The edition description (".cdo"): titles, the field list with index groups, the
// short name and the copyright line.
//
// Layout after the 4-byte magic "ASDO" (at most 1024 bytes are read):
//   title            NUL-terminated, at most 127 characters
//   reserved text    NUL-terminated, at most 127 characters (kept, unused)
//   field list       entries of (index group byte, name NUL-terminated, at most 15
//                    characters), ended by one zero byte; at most 255 entries
//   short name       NUL-terminated, at most 127 characters; empty means the title
//   copyright line   NUL-terminated, at most 63 characters; empty means "ORVANT"
// Texts are code page 866 in the file and Windows-1251 here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"

namespace zrt {

inline constexpr char kDescriptionMagic[] = "ASDO";

struct SourceField {
  std::string name;     // as listed, at most 15 characters
  std::string display;  // the standard display name of a known code, else the name
  uint16_t group = 0;   // index group; 1 to 32 take part in field-group masks
};

struct EditionDescription {
  static constexpr size_t kMaxFields = 255;
  static constexpr size_t kBodyBytes = 1024;
  static constexpr size_t kMaxTitleLength = 127;  // title, reserved text and short name
  static constexpr size_t kMaxFieldNameLength = 15;
  static constexpr size_t kMaxCopyrightLength = 63;

  std::string title;
  std::string reservedText;
  std::vector<SourceField> fields;  // position + 1 is the source field number
  std::string shortName;
  std::string copyright;
  // The eleventh number is skipped when the fourteenth of fewer than 40 fields is
  // "IPC" of group 15 (a numbering that existing editions were built with).
  bool shiftedNumbering = false;

  // The short name, or the title when it asks for the full one or there is no short name.
  const std::string& DisplayName(bool fullTitle) const {
    return fullTitle || shortName.empty() ? title : shortName;
  }
  // The copyright line; an edition that has none is the publisher's own.
  const std::string& CopyrightLine() const {
    static const std::string kPublisher = "ORVANT";
    return copyright.empty() ? kPublisher : copyright;
  }
};

// Parses the bytes that follow the magic.
Status ParseDescription(const std::string& body, EditionDescription* out);
Status ReadDescription(const std::string& path, EditionDescription* out);

// The display name of a source field: "Авторы" for "AU", etc.
std::string DisplayNameOf(const std::string& fieldName);

}  // namespace zrt
