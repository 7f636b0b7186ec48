// Names of an edition's files: one base name, the extension after the last "." replaced.
#pragma once

#include <string>

namespace zrt {

// path + suffix, cut at the last "." unless a path separator follows it, then `ext`
// (with its dot, e.g. ".cdx"). Both "/" and "\" count as separators.
std::string EditionFileName(const std::string& path, const char* suffix, const char* ext);

// path + suffix with the extension cut off as above, no extension added.
std::string EditionBaseName(const std::string& path, const char* suffix);

// "\" becomes "/", so that names written for the original platform work here.
std::string NormalizeSeparators(std::string path);

}  // namespace zrt
