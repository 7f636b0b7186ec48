// Engine handle lifecycle and the process-wide query parameters.
#include <cstring>
#include <new>

#include "edition/edition.h"
#include "edition/handle.h"
#include "text/qparams.h"
#include "zrteng.h"

extern "C" {

ZRT_API void ZRT_Build(EngineHandle* h) {
  if (!h) return;
  std::memset(h, 0, sizeof *h);
  h->edition = new (std::nothrow) ZrtEdition();
}

ZRT_API int ZRT_Open(EngineHandle* h, const char* path, const char* suffix) {
  zrt::Edition* e = zrt::EditionOf(h);
  if (!e || !path) return -1;
  return e->Open(path, suffix).ok() ? 0 : -1;
}

ZRT_API int ZRT_Close(EngineHandle* h) {
  if (zrt::Edition* e = zrt::EditionOf(h)) e->Close();
  return 0;
}

// The last call on a handle: closes it and releases everything ZRT_Build allocated.
ZRT_API int ZRT_Destroy(EngineHandle* h) {
  if (!h) return 0;
  delete h->edition;
  h->edition = nullptr;
  return 0;
}

ZRT_API int ZRT_IsOpen(EngineHandle* h) {
  zrt::Edition* e = zrt::EditionOf(h);
  return e && e->isOpen() ? 1 : 0;
}

ZRT_API int ZRT_Logon(EngineHandle*, const char*, int32_t, int32_t) { return 1; }

ZRT_API void ZRT_Logof(EngineHandle*) {}

ZRT_API int ZRT_Test(void) { return 121; }

ZRT_API int CDat_SetQParam(char cutChar, int32_t ignorePoint, int32_t ignoreOperators,
                           int32_t autoCut) {
  zrt::QueryParams& p = zrt::GlobalQueryParams();
  p.cutChar = cutChar;
  p.ignorePoint = ignorePoint;
  p.ignoreOperators = ignoreOperators;
  p.autoCut = autoCut;
  return autoCut;
}

ZRT_API void CDat_GetQParam(char* cutChar, int32_t* ignorePoint, int32_t* ignoreOperators,
                            int32_t* autoCut) {
  const zrt::QueryParams& p = zrt::GlobalQueryParams();
  if (cutChar) *cutChar = p.cutChar;
  if (ignorePoint) *ignorePoint = p.ignorePoint;
  if (ignoreOperators) *ignoreOperators = p.ignoreOperators;
  if (autoCut) *autoCut = p.autoCut;
}

}  // extern "C"
