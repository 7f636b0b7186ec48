// Query texts against the seed edition (static and update index): the parser, the term
// lookup, the evaluation and the dictionary listing. A line feed starts the text of a
// PY limit, so that the composition of query and limits is reached too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "zrteng.h"

namespace {

EngineHandle* Opened() {
  static EngineHandle* h = [] {
    static fuzz::MemEnv env;
    env.files = fuzz::MemEnvFiles(fuzz::kUpdatedEdition);
    zrt::Env::SetCurrent(&env);
    static EngineHandle handle;
    ZRT_Build(&handle);
    if (ZRT_Open(&handle, fuzz::kMemBase, nullptr) != 0) std::abort();
    return &handle;
  }();
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EngineHandle* h = Opened();
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string limit = text.substr(text.find('\n') == std::string::npos ? text.size() : text.find('\n'));
  text.resize(text.size() - limit.size());
  static ZRTLimit limits[1];
  std::snprintf(limits[0].field, sizeof limits[0].field, "PY");
  std::snprintf(limits[0].text, sizeof limits[0].text, "%s", limit.empty() ? "" : limit.c_str() + 1);
  if (ZRT_SetQueryByString(h, text.c_str(), limit.empty() ? 0 : 1, limits, nullptr, nullptr) == 0) {
    int32_t found[16];
    ZRT_BuildList(h, found, 16);
  } else {
    (void)ZRT_ErrMsg(h);
    (void)ZRT_ErrOffset(h);
  }
  ZRT_SetQueryByRoot(h, text.c_str(), "TI AU");
  return 0;
}
