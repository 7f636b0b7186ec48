// The morphology dictionary reader. A dictionary is megabytes, far beyond what mutation
// explores, so the input is a patch of the real one: a little-endian u32 offset (its top
// bit: cut the file after the patch) and the bytes written there. An input shorter than
// the offset is taken as a whole dictionary file.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "zrteng.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string real = fuzz::ReadDiskFile(ZRT_FUZZ_MORPH_DICTIONARY);
  std::string bytes;
  if (size < 4 || real.empty()) {
    bytes.assign(reinterpret_cast<const char*>(data), size);
  } else {
    uint32_t word = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    size_t at = (word & 0x7FFFFFFFu) % real.size();
    bytes = real;
    std::string patch(reinterpret_cast<const char*>(data) + 4, size - 4);
    if (bytes.size() < at + patch.size()) bytes.resize(at + patch.size());
    std::memcpy(bytes.data() + at, patch.data(), patch.size());
    if (word & 0x80000000u) bytes.resize(at + patch.size());
  }
  fuzz::MemEnv env;
  env.files["/mem/russian.dz"] = std::move(bytes);
  zrt::Env::SetCurrent(&env);
  DZContext ctx;
  if (DZInit("/mem/russian.dz", &ctx) == 0) {
    static std::vector<char> forms(DZ_FORMS_SIZE);
    static std::vector<char> expanded(64 * DZ_EXPAND_FACTOR);
    for (const char* word : {"\xE4\xE5\xEB\xE0\xF2\xFC", "\xF8\xEB\xE8", "\xE3\xE0\xE7", "\xE4\xEE\xEC", "\xB8\xEB\xEA\xE0",
                             "\xEA\xF0\xE0\xF1\xE8\xE2\xFB\xE9", "\xE0", "\xFF\xFF\xFF"})
      DZFindForms(word, forms.data(), &ctx, DZ_FLAG_COMPRESS);
    DZExpandQuery("\xE8\xE4\xF2\xE8 AND \xF1\xEB\xEE\xE2\xEE$", expanded.data(), &ctx, DZ_FLAG_BARS);
  }
  DZStop(&ctx);
  zrt::Env::SetCurrent(nullptr);
  return 0;
}
