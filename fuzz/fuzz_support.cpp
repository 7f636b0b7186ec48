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

const std::map<std::string, std::string>& SeedEdition(const std::string& name) {
  static std::map<std::string, std::map<std::string, std::string>> editions;
  auto known = editions.find(name);
  if (known != editions.end()) return known->second;
  const char* seeds = std::getenv("ZRT_FUZZ_SEEDS");
  const std::string path = std::string(seeds ? seeds : ZRT_FUZZ_SEEDS) + "/" + name;
  std::map<std::string, std::string>& out = editions[name];
  for (const char* ext : {".cdo", ".cdx", ".cdb", ".cdj", ".cdp", ".cdd", ".cdh", ".cdw", ".cdl", ".cdi"}) {
    std::ifstream probe(path + ext);
    if (probe) out[ext] = ReadDiskFile(path + ext);
  }
  if (out.count(".cdo") == 0) {
    std::fprintf(stderr, "fuzz: no seed edition at %s (run scripts/fuzz.sh, or set ZRT_FUZZ_SEEDS)\n",
                 path.c_str());
    std::abort();
  }
  return out;
}

std::map<std::string, std::string> MemEnvFiles(const std::string& name) {
  std::map<std::string, std::string> out;
  for (const auto& [ext, bytes] : SeedEdition(name)) out[std::string(kMemBase) + ext] = bytes;
  return out;
}

}  // namespace fuzz
