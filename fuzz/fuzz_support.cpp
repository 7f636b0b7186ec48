#include "fuzz_support.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace fuzz {

std::string ReadDiskFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

const std::map<std::string, std::string>& SeedEdition() {
  static const std::map<std::string, std::string> files = [] {
    const char* base = std::getenv("ZRT_FUZZ_EDITION");
    std::string path = base ? base : ZRT_FUZZ_SEED_EDITION;
    std::map<std::string, std::string> out;
    for (const char* ext : {".cdo", ".cdx", ".cdb", ".cdj", ".cdp", ".cdd", ".cdh", ".cdw", ".cdl", ".cdi"}) {
      std::ifstream probe(path + ext);
      if (probe) out[ext] = ReadDiskFile(path + ext);
    }
    if (out.count(".cdo") == 0) {
      std::fprintf(stderr, "fuzz: no seed edition at %s (set ZRT_FUZZ_EDITION)\n", path.c_str());
      std::abort();
    }
    return out;
  }();
  return files;
}

std::map<std::string, std::string> MemEnvFiles() {
  std::map<std::string, std::string> out;
  for (const auto& [ext, bytes] : SeedEdition()) out[std::string(kMemBase) + ext] = bytes;
  return out;
}

}  // namespace fuzz
