// Record exports: the current record, its multimedia files, browsing by number, and the
// table of contents.
#include "api/handle.h"

using zrt::EditionOf;
using zrt::OpenEditionOf;
using zrt::Quiet;

extern "C" {

ZRT_API int32_t ZRT_GetNumRecords(EngineHandle* h) {
  zrt::Edition* e = EditionOf(h);
  return e ? e->store().recordCount() : -1;
}

ZRT_API int ZRT_GotoRecord(EngineHandle* h, int32_t n) {
  return zrt::Guard(zrt::ErrorOf(h), -1, [&](zrt::Status& error) {
    zrt::Edition* e = OpenEditionOf(h);
    if (!e) return zrt::Report(error, zrt::Status::InvalidArgument("the edition is not open"), 0, -1);
    return zrt::Report(error, e->store().GotoRecord(n), 0, -1);
  });
}

ZRT_API int32_t ZRT_GetRecNo(EngineHandle* h) {
  zrt::Edition* e = EditionOf(h);
  return e ? e->store().currentRecord() : -1;
}

ZRT_API const char* ZRT_GetDatSound(EngineHandle* h) {
  zrt::Edition* e = EditionOf(h);
  return e ? e->store().soundPath().c_str() : "";
}

ZRT_API const char* ZRT_GetDatVideo(EngineHandle* h) {
  zrt::Edition* e = EditionOf(h);
  return e ? e->store().videoPath().c_str() : "";
}

ZRT_API const char* ZRT_GetDatPicture(EngineHandle* h) {
  zrt::Edition* e = EditionOf(h);
  return e ? e->store().picturePath().c_str() : "";
}

ZRT_API int32_t ZRT_GetDatPictureCount(EngineHandle* h) {
  zrt::Edition* e = EditionOf(h);
  return e ? e->store().pictureCount() : 0;
}

ZRT_API int32_t ZRT_GetRnoList(EngineHandle* h, int32_t* records, int32_t maxCount, int32_t from,
                               int32_t forward) {
  zrt::Edition* e = OpenEditionOf(h);
  if (!e || !records || maxCount <= 0) return 0;
  return Quiet(0, [&] {
    return zrt::BrowseRecordNumbers(e->store().recordCount(), from, forward != 0, records, maxCount);
  });
}

ZRT_API ORTree* ZRT_GetOgl(EngineHandle* h) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? e->contents() : nullptr;
}

}  // extern "C"
