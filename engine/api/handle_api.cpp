// Engine handle lifecycle, the error state, and the process-wide query parameters.
#include <cstring>
#include <new>

#include "api/handle.h"
#include "text/qparams.h"

namespace zrt {

Status& ThreadError() {
  thread_local Status error;
  return error;
}

}  // namespace zrt

using zrt::EditionOf;
using zrt::ErrorOf;
using zrt::Guard;
using zrt::Report;
using zrt::Status;

static_assert(static_cast<int>(Status::Code::Ok) == ZRT_OK &&
              static_cast<int>(Status::Code::NotFound) == ZRT_ERR_NOTFOUND &&
              static_cast<int>(Status::Code::Corruption) == ZRT_ERR_CORRUPT &&
              static_cast<int>(Status::Code::IOError) == ZRT_ERR_IO &&
              static_cast<int>(Status::Code::InvalidArgument) == ZRT_ERR_ARGUMENT &&
              static_cast<int>(Status::Code::ReadOnly) == ZRT_ERR_READONLY &&
              static_cast<int>(Status::Code::Limit) == ZRT_ERR_LIMIT &&
              static_cast<int>(Status::Code::Syntax) == ZRT_ERR_SYNTAX &&
              static_cast<int>(Status::Code::Internal) == ZRT_ERR_INTERNAL);

extern "C" {

ZRT_API void ZRT_Build(EngineHandle* h) {
  if (!h) return;
  std::memset(h, 0, sizeof *h);
  h->edition = new (std::nothrow) ZrtEdition();
  zrt::ThreadError() = h->edition ? Status::Ok() : Status::Limit("out of memory");
}

ZRT_API int ZRT_Open(EngineHandle* h, const char* path, const char* suffix) {
  return Guard(ErrorOf(h), -1, [&](Status& error) {
    zrt::Edition* e = EditionOf(h);
    if (!e || !path) return Report(error, Status::InvalidArgument("no handle or no path"), 0, -1);
    return Report(error, e->Open(path, suffix), 0, -1);
  });
}

ZRT_API int ZRT_Close(EngineHandle* h) {
  return Guard(ErrorOf(h), 0, [&](Status& error) {
    if (zrt::Edition* e = EditionOf(h)) error = e->Close();
    return 0;
  });
}

// The last call on a handle: closes it and releases everything ZRT_Build allocated.
ZRT_API int ZRT_Destroy(EngineHandle* h) {
  if (!h) return 0;
  delete h->edition;
  h->edition = nullptr;
  return 0;
}

ZRT_API int ZRT_IsOpen(EngineHandle* h) {
  zrt::Edition* e = EditionOf(h);
  return e && e->isOpen() ? 1 : 0;
}

ZRT_API int ZRT_Logon(EngineHandle*, const char*, int32_t, int32_t) { return 1; }

ZRT_API void ZRT_Logof(EngineHandle*) {}

ZRT_API int ZRT_Test(void) { return 121; }

ZRT_API int ZRT_ErrCode(EngineHandle* h) { return static_cast<int>(ErrorOf(h).code()); }

ZRT_API const char* ZRT_ErrMsg(EngineHandle* h) { return ErrorOf(h).message().c_str(); }

ZRT_API int32_t ZRT_ErrOffset(EngineHandle* h) { return static_cast<int32_t>(ErrorOf(h).offset()); }

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
