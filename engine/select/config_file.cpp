#include "select/config_file.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace zrt {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Unsigned-byte order, which std::string's compare already is for char_traits<char>
// only by accident of the platform; say it outright.
int CompareBytes(const std::string& a, const std::string& b) {
  int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

bool ConfigEntryBefore(const std::string& sectionA, const std::string& keyA,
                       const std::string& sectionB, const std::string& keyB) {
  int c = CompareBytes(sectionA, sectionB);
  return c != 0 ? c < 0 : CompareBytes(keyA, keyB) < 0;
}

bool ReadConfigFile(const std::string& path, std::vector<ConfigEntry>* entries) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "r"), std::fclose);
  if (!f) return false;
  entries->clear();
  std::string section;
  char piece[260];
  while (std::fgets(piece, sizeof piece, f.get())) {
    std::string line(piece, std::strlen(piece));  // a NUL inside ends the piece
    size_t at = 0;
    while (at < line.size() && Blank(line[at])) ++at;
    if (at == line.size() || line[at] == '#') continue;
    if (line[at] == '[') {
      size_t close = line.find(']', at + 1);
      section = line.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
      continue;
    }
    size_t keyEnd = at;
    while (keyEnd < line.size() && !Blank(line[keyEnd])) ++keyEnd;
    size_t v = keyEnd;
    while (v < line.size() && Blank(line[v])) ++v;
    size_t valueEnd = line.find_first_of("#\r\n", v);
    if (valueEnd == std::string::npos) valueEnd = line.size();
    while (valueEnd > v && (line[valueEnd - 1] == ' ' || line[valueEnd - 1] == '\t')) --valueEnd;
    entries->push_back({line.substr(at, keyEnd - at), section, line.substr(v, valueEnd - v)});
  }
  return true;
}

}  // namespace zrt
