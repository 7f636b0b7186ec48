// Field exports: names, numbers and texts of the current record's fields.
#include "edition/handle.h"

extern "C" {

ZRT_API uint8_t ZRT_GetNoByField(EngineHandle* h, const char* name) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  return e ? e->fields().NoByField(name) : 0;
}

ZRT_API uint8_t ZRT_GetSrcNoByField(EngineHandle* h, const char* name) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  return e ? e->fields().SrcNoByField(name) : 0;
}

ZRT_API const char* ZRT_GetFieldByNo(EngineHandle* h, uint8_t n) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  return e ? e->fields().FieldByNo(n) : nullptr;
}

ZRT_API const char* ZRT_GetDataByNo(EngineHandle* h, uint8_t n) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  return e ? e->fields().DataByNo(n) : nullptr;
}

ZRT_API const char* ZRT_GetDataBySrcNo(EngineHandle* h, uint8_t n) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  return e ? e->fields().DataBySrcNo(n) : "";
}

ZRT_API int ZRT_GetFNumsB(EngineHandle* h, const char* name, uint8_t* out) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  return e ? e->fields().FNumsB(name, out, ZRT_FNUMS_MAX) : 0;
}

ZRT_API uint16_t ZRT_GetFieldCount(EngineHandle* h) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  return e ? e->fields().FieldCount() : 0;
}

ZRT_API const char* ZRT_GetAliasFieldName(EngineHandle* h, uint8_t position) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  return e ? e->fields().AliasFieldName(position) : nullptr;
}

ZRT_API const char* ZRT_GetOemName(EngineHandle* h, int32_t selector) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  if (!e) return nullptr;
  const zrt::EditionDescription& d = e->store().description();
  return selector || d.shortName.empty() ? d.title.c_str() : d.shortName.c_str();
}

ZRT_API const char* ZRT_GetCopyright(EngineHandle* h) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  if (!e) return nullptr;
  const std::string& c = e->store().description().copyright;
  return c.empty() ? "ORVANT" : c.c_str();
}

}  // extern "C"
