// Field exports: names, numbers and texts of the current record's fields, and the
// edition's titles.
#include "api/handle.h"
#include "core/descriptor.h"
#include "text/charset.h"

using zrt::OpenEditionOf;
using zrt::Quiet;
using zrt::Status;

namespace {

// The fields of an edition that does not exist yet, for checking a definition.
class NamesOnly : public zrt::FieldSource {
public:
  NamesOnly(const char* const* names, int32_t count) : names_(names), count_(count) {}
  uint8_t SourceFieldByName(const char* name) const override {
    for (int32_t i = 0; i < count_ && i < 255; ++i)
      if (names_[i] && zrt::StrICmp(names_[i], name) == 0) return static_cast<uint8_t>(i + 1);
    return 0;
  }
  const char* SourceFieldText(uint8_t) const override { return ""; }

private:
  const char* const* names_;
  int32_t count_;
};

}  // namespace

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

ZRT_API int ZRT_GetEditionInfo(EngineHandle* h, ZRT_EditionInfo* info) {
  zrt::Edition* e = OpenEditionOf(h);
  if (!e || !info) return -1;
  *info = ZRT_EditionInfo{};
  info->sourceFields = static_cast<int32_t>(e->store().description().fields.size());
  info->hasDescriptor = e->descriptor() != nullptr;
  info->readOnly = e->store().readOnly();
  info->shiftedNumbering = e->store().description().shiftedNumbering;
  info->newPageIndex = e->index().newForm();
  info->pageEntries = static_cast<int32_t>(e->index().pages().size());
  return 0;
}

ZRT_API const char* ZRT_GetSrcField(EngineHandle* h, uint8_t n, const char** display, int32_t* group) {
  zrt::Edition* e = OpenEditionOf(h);
  const auto* fields = e ? &e->store().description().fields : nullptr;
  if (!fields || n < 1 || n > fields->size()) return nullptr;
  const zrt::SourceField& f = (*fields)[n - 1u];
  if (display) *display = f.display.c_str();
  if (group) *group = f.group;
  return f.name.c_str();
}

ZRT_API int32_t ZRT_CheckFieldDefinitions(const char* const* definitions, int32_t count,
                                          const char* const* fieldNames, int32_t fieldCount) {
  return zrt::Guard(zrt::ThreadError(), -1, [&](Status& error) -> int32_t {
    if ((count > 0 && !definitions) || (fieldCount > 0 && !fieldNames))
      return zrt::Report(error, Status::InvalidArgument("no definitions or no field names"), 0, -1);
    zrt::FieldDescriptor compiled;
    const NamesOnly names(fieldNames, fieldCount);
    for (int32_t i = 0; i < count; ++i) {
      Status s = compiled.Compile(definitions[i] ? definitions[i] : "", names);
      if (!s.ok()) return zrt::Report(error, s, 0, i);
    }
    return count;
  });
}

ZRT_API const char* ZRT_GetCopyright(EngineHandle* h) {
  zrt::Edition* e = OpenEditionOf(h);
  return e ? e->store().description().CopyrightLine().c_str() : nullptr;
}

}  // extern "C"
