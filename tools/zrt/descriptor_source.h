// The descriptor that `zrt load --descriptor FILE` gives a new edition: FILE is the
// ".cdw" text in UTF-8 (see README), checked against the new edition's fields before
// anything is loaded and written beside the edition in Windows-1251.
#pragma once

#include <string>
#include <vector>

namespace zrt::cli {

// Reads and compiles the descriptor against the source field names (Windows-1251).
// The first line must be "database named": the descriptor presents the edition's own
// record store. False with *error naming the file and the line of the fault.
bool ReadDescriptorSource(const std::string& path, const std::vector<std::string>& fieldNames,
                          std::string* cdwText, std::string* error);

}  // namespace zrt::cli
