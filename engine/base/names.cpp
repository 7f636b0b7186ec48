#include "base/names.h"

namespace zrt {

std::string NormalizeSeparators(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

std::string EditionBaseName(const std::string& path, const char* suffix) {
  std::string name = NormalizeSeparators(path + (suffix ? suffix : ""));
  size_t dot = name.rfind('.');
  // A dot inside a directory name ("./ed" or "dir.v2/ed") is not an extension.
  if (dot != std::string::npos && name.find('/', dot) == std::string::npos) name.erase(dot);
  return name;
}

std::string EditionFileName(const std::string& path, const char* suffix, const char* ext) {
  return EditionBaseName(path, suffix) + ext;
}

}  // namespace zrt
