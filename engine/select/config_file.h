// Small sectioned configuration files, for callers that embed the engine (a gateway
// reading its settings):
//
//   # comment
//   Name Reference desk        <- before any section: the section with the empty name
//   [Server]
//   Port 8080 # listening port
//
// A line is read in pieces of at most 259 bytes, each piece taken as a line. Leading
// blanks are skipped; "#" starts a comment; "[" a section (up to "]", else the rest of
// the line); anything else is an entry: the key up to the first blank, the value after
// the blanks up to "#" or the line end, without trailing spaces and tabs. Nothing is
// rejected. Keys and sections match exactly, case included.
#pragma once

#include <string>
#include <vector>

namespace zrt {

struct ConfigEntry {
  std::string key, section, value;
};

inline constexpr size_t kMaxConfigEntries = 128;

// Reads the file's entries in file order; false when it cannot be opened.
bool ReadConfigFile(const std::string& path, std::vector<ConfigEntry>* entries);
// The order lookups use: section, then key, both as unsigned bytes.
bool ConfigEntryBefore(const std::string& sectionA, const std::string& keyA,
                       const std::string& sectionB, const std::string& keyB);

}  // namespace zrt
