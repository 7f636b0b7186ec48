// Document sources (ZRT_FUZZ_FORMAT: "jsonl" or "iso"): field discovery, then a load of
// what they deliver into a new edition held in the memory file layer. The source itself
// is read from a file, so the input goes to one in the temporary folder first.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "client/record_source.h"
#include "fuzz_support.h"

namespace {

using zrt::client::SourceSpec;

std::string InputPath() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("zrtfuzz-" + std::to_string(::getpid()) + "." ZRT_FUZZ_FORMAT)).string();
  return path;
}

void Load(SourceSpec spec) {
  std::string error;
  if (spec.fields.empty()) {
    auto probe = zrt::client::OpenSource(spec, &error);
    if (!probe) return;
    std::vector<std::string> keys;
    if (!probe->DiscoverFields(&keys).ok() || keys.empty() || keys.size() > 255) return;
    for (size_t i = 0; i < keys.size(); ++i)
      spec.fields.push_back({keys[i], {keys[i]}, i < 32 ? static_cast<int>(i) + 1 : 0, static_cast<int>(i)});
  }
  zrt::client::NewEdition meta;
  meta.title = "fuzz";
  for (const auto& f : spec.fields) {
    meta.fieldNames.push_back(f.code);
    meta.fieldGroups.push_back(static_cast<uint8_t>(f.group));
  }
  auto source = zrt::client::OpenSource(spec, &error);
  if (!source) return;
  fuzz::MemEnv env;
  zrt::Env::SetCurrent(&env);
  zrt::client::LoadStats stats;
  zrt::client::LoadEdition("/mem/new", meta, *source, &stats);
  zrt::Env::SetCurrent(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream out(InputPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  SourceSpec spec;
  spec.path = InputPath();
  spec.format = ZRT_FUZZ_FORMAT;
  spec.skipBad = size % 2 == 0;
  static const char* const kEncodings[] = {"cp866", "cp1251", "utf-8"};
  spec.encoding = kEncodings[size % 3];
  spec.substitute = size % 5 == 0;
  Load(spec);
  // The same source mapped by a field list, as an append maps it through the kept keys.
  spec.fields = {{"ID", {"id", "ID", "A01"}, 1, 0}, {"TI", {"title", "TI", "A10"}, 2, 1}, {"AU", {"authors", "AU"}, 3, 2}};
  spec.ignore = {"year"};
  Load(spec);
  return 0;
}
