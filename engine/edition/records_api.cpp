// Record exports: the current record and its multimedia files.
#include "edition/handle.h"

extern "C" {

ZRT_API int32_t ZRT_GetNumRecords(EngineHandle* h) {
  zrt::Edition* e = zrt::EditionOf(h);
  return e ? e->store().recordCount() : -1;
}

ZRT_API int ZRT_GotoRecord(EngineHandle* h, int32_t n) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  return e && e->store().GotoRecord(n).ok() ? 0 : -1;
}

ZRT_API int32_t ZRT_GetRecNo(EngineHandle* h) {
  zrt::Edition* e = zrt::EditionOf(h);
  return e ? e->store().currentRecord() : -1;
}

ZRT_API const char* ZRT_GetDatSound(EngineHandle* h) {
  zrt::Edition* e = zrt::EditionOf(h);
  return e ? e->store().soundPath().c_str() : "";
}

ZRT_API const char* ZRT_GetDatVideo(EngineHandle* h) {
  zrt::Edition* e = zrt::EditionOf(h);
  return e ? e->store().videoPath().c_str() : "";
}

ZRT_API const char* ZRT_GetDatPicture(EngineHandle* h) {
  zrt::Edition* e = zrt::EditionOf(h);
  return e ? e->store().picturePath().c_str() : "";
}

ZRT_API int32_t ZRT_GetDatPictureCount(EngineHandle* h) {
  zrt::Edition* e = zrt::EditionOf(h);
  return e ? e->store().pictureCount() : 0;
}

ZRT_API ORTree* ZRT_GetOgl(EngineHandle* h) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  return e ? e->contents() : nullptr;
}

}  // extern "C"
