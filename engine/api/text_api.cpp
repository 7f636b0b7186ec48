// Exported text routines: the character tables and the process-wide stop list.
#include <cstring>

#include "api/handle.h"
#include "text/charset.h"
#include "text/stopwords.h"

extern "C" {

ZRT_API char* LOemToAnsi(char* text) { return zrt::OemToAnsi(text); }
ZRT_API char* LAnsiUpper(char* text) { return zrt::AnsiUpper(text); }
ZRT_API char* LAnsiLower(char* text) { return zrt::AnsiLower(text); }
ZRT_API char* LExchangeToAnsi(char* text) {
  if (!text) return text;
  const std::string ansi = zrt::ExchangeOemToAnsi(text);  // one byte for one byte
  std::memcpy(text, ansi.data(), ansi.size());
  return text;
}

// 1 when the list was read; 0 leaves the engine without stop words.
ZRT_API int ZRTStop_build(const char* path) {
  zrt::StopList& list = zrt::StopList::Global();
  const int loaded = zrt::Guard(zrt::ThreadError(), 0, [&](zrt::Status& error) {
    if (list.Load(path ? path : "")) return 1;
    error = zrt::Status::NotFound(std::string(path ? path : "") + ": the stop list cannot be read");
    return 0;
  });
  if (!loaded) list.Clear();
  return loaded;
}

ZRT_API void ZRTCStop_destroy(void) { zrt::StopList::Global().Clear(); }

}  // extern "C"
