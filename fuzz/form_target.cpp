// Output forms: the directive scanner, the expression language, printf and loops, with a
// resolver that answers a few names with strings and integers as an edition would.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "zrteng.h"

namespace {

intptr_t Resolve(void*, const char* name, int32_t* kind, const intptr_t* args, int32_t count) {
  static const char kText[] = "\xD2\xE5\xEA\xF1\xF2 _\xE1{2}[i] text";
  if (std::strcmp(name, "N") == 0 || std::strcmp(name, "COUNT") == 0) {
    *kind = ZRT_FORM_INTEGER;
    return count > 0 ? args[0] % 1000 : 3;
  }
  if (std::strcmp(name, "NONE") == 0) return 0;  // no kind: the name fails
  *kind = ZRT_FORM_STRING;
  return reinterpret_cast<intptr_t>(kText);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string form(reinterpret_cast<const char*>(data), size);
  static std::vector<char> out(ZRT_FORM_ROOM);
  int32_t loops[ZRT_FORM_LOOPS] = {};
  PParseForm(form.c_str(), 0, static_cast<int32_t>(form.size()), out.data(), nullptr, loops, -1, Resolve);
  return 0;
}
