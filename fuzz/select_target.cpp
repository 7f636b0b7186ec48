// Select statements over the seed edition: clause cutting, parameter substitution, the
// expression compiler and both passes. The temporary trees live in the memory file layer
// of the input, so nothing is left on disk.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "zrteng.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string statement(reinterpret_cast<const char*>(data), size);
  fuzz::MemEnv env;
  env.files = fuzz::MemEnvFiles(fuzz::kStaticEdition);
  zrt::Env::SetCurrent(&env);
  EngineHandle h;
  ZRT_Build(&h);
  const char* params[] = {"TI", "1990", nullptr};
  char *from, *items, *condition, *order, *group, *having, *startWith;
  int32_t isQuery = 0;
  if (ZRT_Open(&h, fuzz::kMemBase, nullptr) == 0 &&
      ZRT_Parse_FSelect(statement.c_str(), params, &from, &items, &condition, &isQuery, &order, &group,
                        &having, &startWith) == 0) {
    ZRTSelect s{};
    if (ZRT_Parse_Select(&h, items, condition, isQuery, order, group, having, startWith, &s) == 0) {
      auto rows = [](void*, int32_t, int32_t, const char* const*, void*) {};
      if (ZRT_Iterate_Select(&h, &s, rows, nullptr, nullptr) == 0) ZRT_End_Select(&h, &s, rows, nullptr, nullptr);
    }
    ZRT_Delete_Select(&s);
  }
  ZRT_Destroy(&h);
  zrt::Env::SetCurrent(nullptr);
  return 0;
}
