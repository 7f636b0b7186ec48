// One file of the seed edition replaced by the input (ZRT_FUZZ_EXT names which), then
// what a reader of the edition does: open it, read records, walk the contents, list the
// words and run queries that reach both indexes. Any answer is fine; a crash, a hang or
// a sanitizer report is the finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "zrteng.h"

namespace {

void ReadEdition(EngineHandle* h) {
  int32_t records = ZRT_GetNumRecords(h);
  uint16_t fields = ZRT_GetFieldCount(h);
  for (int32_t n = 1; n <= records && n <= 64; ++n) {
    if (ZRT_GotoRecord(h, n) != 0) continue;
    for (int f = 1; f <= fields; ++f) (void)ZRT_GetDataByNo(h, static_cast<uint8_t>(f));
  }
  if (ORTree* tree = ZRT_GetOgl(h)) {
    ORTreeItem item;
    ORTree_First(tree);
    for (int i = 0; i < 400 && ORTree_Next(tree, &item); ++i) {
    }
  }
  int32_t words = 0;
  ZRT_ListWords(
      h, "\xCB", [](void* context, const char*, uint32_t, int32_t, int32_t) { ++*static_cast<int32_t*>(context); },
      &words);
  for (const char* query : {"\xCB\xE5\xF0\xEC\xEE\xED\xF2\xEE\xE2 OR ?\xEE\xE2", "(1$) IN G36 AND NOT 19$"}) {
    if (ZRT_SetQueryByString(h, query, 0, nullptr, nullptr, nullptr) != 0) continue;
    int32_t found[64];
    int32_t count = ZRT_BuildList(h, found, 64);
    for (int32_t i = 0; i < count && i < 8; ++i) {
      if (ZRT_GotoRecord(h, found[i]) == 0) (void)ZRT_GetDataByNo(h, 1);
    }
  }
  ZRT_SetQueryByRoot(h, "\xCF$", nullptr);
  for (int32_t i = 0; i < ZRT_GetNumFoundWords(h); ++i) {
    int32_t documents = 0, frequency = 0;
    (void)ZRT_GetDctRow(h, i, &documents, &frequency);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemEnv env;
  static const bool updates = std::string(ZRT_FUZZ_EXT) == ".cdl" || std::string(ZRT_FUZZ_EXT) == ".cdi";
  env.files = fuzz::MemEnvFiles(updates ? fuzz::kUpdatedEdition : fuzz::kStaticEdition);
  env.files[std::string(fuzz::kMemBase) + ZRT_FUZZ_EXT].assign(reinterpret_cast<const char*>(data), size);
  zrt::Env::SetCurrent(&env);
  EngineHandle h;
  ZRT_Build(&h);
  if (ZRT_Open(&h, fuzz::kMemBase, nullptr) == 0) ReadEdition(&h);
  ZRT_Destroy(&h);
  zrt::Env::SetCurrent(nullptr);
  return 0;
}
