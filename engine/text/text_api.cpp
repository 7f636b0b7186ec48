// Exported text routines: the character tables and the process-wide stop list.
#include "text/charset.h"
#include "text/stopwords.h"
#include "zrteng.h"

extern "C" {

ZRT_API char* LOemToAnsi(char* text) { return zrt::OemToAnsi(text); }
ZRT_API char* LAnsiUpper(char* text) { return zrt::AnsiUpper(text); }
ZRT_API char* LAnsiLower(char* text) { return zrt::AnsiLower(text); }

ZRT_API int ZRTStop_build(const char* path) {
  zrt::StopList& list = zrt::StopList::Global();
  try {
    return list.Load(path ? path : "") ? 1 : 0;
  } catch (...) {  // out of memory: the engine goes on without stop words
    list.Clear();
    return 0;
  }
}

ZRT_API void ZRTCStop_destroy(void) { zrt::StopList::Global().Clear(); }

}  // extern "C"
