// Creation of a new, empty edition: the description, record index and data, and an
// empty static word index, so that the ordinary open succeeds on them. Queries of a new
// edition use the update index until it is packed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"

namespace zrt {

struct NewEdition {
  std::string title;      // the edition name (Windows-1251)
  std::string shortName;  // empty: the edition name
  std::string copyright;
  std::vector<std::string> fieldNames;  // source-field order, at most 255
  std::vector<uint8_t> fieldGroups;     // one index group per field
};

// Fails, changing nothing, when the edition's description or page index exists. A
// creation that fails half-way removes the files it made.
Status CreateEdition(const std::string& path, const char* suffix, const NewEdition& edition);

}  // namespace zrt
