// Field exports: names, numbers and texts of the current record's fields, and the
// edition's titles.
#include "api/handle.h"

using zrt::OpenEditionOf;
using zrt::Quiet;

extern "C" {

ZRT_API uint8_t ZRT_GetNoByField(EngineHandle* h, const char* name) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? Quiet<uint8_t>(0, [&] { return e->fields().NoByField(name); }) : 0;
}

ZRT_API uint8_t ZRT_GetSrcNoByField(EngineHandle* h, const char* name) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? Quiet<uint8_t>(0, [&] { return e->fields().SrcNoByField(name); }) : 0;
}

ZRT_API const char* ZRT_GetFieldByNo(EngineHandle* h, uint8_t n) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? Quiet<const char*>(nullptr, [&] { return e->fields().FieldByNo(n); }) : nullptr;
}

ZRT_API const char* ZRT_GetDataByNo(EngineHandle* h, uint8_t n) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? Quiet<const char*>(nullptr, [&] { return e->fields().DataByNo(n); }) : nullptr;
}

ZRT_API const char* ZRT_GetDataBySrcNo(EngineHandle* h, uint8_t n) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? Quiet<const char*>("", [&] { return e->fields().DataBySrcNo(n); }) : "";
}

ZRT_API int ZRT_GetFNumsB(EngineHandle* h, const char* name, uint8_t* out) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? Quiet(0, [&] { return e->fields().FNumsB(name, out, ZRT_FNUMS_MAX); }) : 0;
}

ZRT_API uint16_t ZRT_GetFieldCount(EngineHandle* h) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? e->fields().FieldCount() : 0;
}

ZRT_API const char* ZRT_GetAliasFieldName(EngineHandle* h, uint8_t position) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? Quiet<const char*>(nullptr, [&] { return e->fields().AliasFieldName(position); })
           : nullptr;
}

ZRT_API const char* ZRT_GetOemName(EngineHandle* h, int32_t selector) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? e->store().description().DisplayName(selector != 0).c_str() : nullptr;
}

ZRT_API const char* ZRT_GetCopyright(EngineHandle* h) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? e->store().description().CopyrightLine().c_str() : nullptr;
}

}  // extern "C"
