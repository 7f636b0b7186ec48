// Loading, updating and packing exports.
#include <cstring>

#include "edition/handle.h"
#include "edition/load.h"

namespace {

// Texts from the caller's pointer array; `nullEnds` makes the first null pointer end
// the list (ZRT_Insert, ZRT_Update) instead of marking one absent field.
zrt::RecordStore::Texts TextsOf(char** texts, bool nullEnds) {
  zrt::RecordStore::Texts out;
  if (!texts) return out;
  out.resize(ZRT_MAX_TEXTS);
  for (size_t i = 0; i < ZRT_MAX_TEXTS; ++i) {
    if (!texts[i]) {
      if (nullEnds) break;
      continue;
    }
    out[i] = texts[i];
  }
  return out;
}

int Append(EngineHandle* h, char** store, char** index, bool nullEnds, bool commit) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  if (!e) return -1;
  int words = 0;
  if (!e->Append(TextsOf(store, nullEnds), TextsOf(index, nullEnds), &words).ok()) return -1;
  if (commit && !e->Commit().ok()) return -1;
  return words;
}

int Replace(EngineHandle* h, char** store, char** index, bool nullEnds) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  if (!e) return -1;
  int words = 0;
  return e->Update(TextsOf(store, nullEnds), TextsOf(index, nullEnds), &words).ok() ? words : -1;
}

// The three callbacks of a caller's document source.
class PluginSource : public zrt::DocumentSource {
public:
  PluginSource(ZRT_SourceNext next, void* context) : next_(next), context_(context) {}
  zrt::Status Next(zrt::RecordStore::Texts* store, zrt::RecordStore::Texts* index,
                   bool* delivered) override {
    char* storeTexts[ZRT_MAX_TEXTS] = {};
    char* indexTexts[ZRT_MAX_TEXTS] = {};
    *delivered = next_(context_, storeTexts, indexTexts) > 0;
    if (*delivered) {
      *store = TextsOf(storeTexts, false);
      *index = TextsOf(indexTexts, false);
    }
    return zrt::Status::Ok();
  }

private:
  ZRT_SourceNext next_;
  void* context_;
};

}  // namespace

extern "C" {

ZRT_API int ZRT_DoAppendBase(EngineHandle* h, char** store, char** index) {
  return Append(h, store, index, false, false);
}

ZRT_API int ZRT_Insert(EngineHandle* h, char** store, char** index) {
  return Append(h, store, index, true, true) < 0 ? -1 : 0;
}

ZRT_API int ZRT_DoUpdateBase(EngineHandle* h, char** store, char** index) {
  return Replace(h, store, index, false);
}

ZRT_API int ZRT_Update(EngineHandle* h, char** store, char** index) {
  return Replace(h, store, index, true) < 0 ? -1 : 0;
}

ZRT_API int ZRT_PackBase(EngineHandle* h) {
  if (zrt::Edition* e = zrt::OpenEditionOf(h)) e->Pack();
  return 0;
}

ZRT_API int ZRT_LoadFromPlugin(const char* path, const char* suffix, const char* editionName,
                               const char* shortName, const char* sourceName, int32_t,
                               const char* copyright, ZRT_SourceOpen open, ZRT_SourceNext next,
                               ZRT_SourceClose close) {
  if (!path || !open || !next) return -1;
  char* names[256] = {};
  unsigned char groups[256] = {};
  void* context = nullptr;
  if (open(sourceName, names, groups, &context) == -1) return -1;
  zrt::NewEdition meta;
  meta.title = editionName ? editionName : "";
  meta.shortName = shortName ? shortName : "";
  meta.copyright = copyright ? copyright : "";
  for (int i = 0; i < 255 && names[i]; ++i) {
    meta.fieldNames.push_back(names[i]);
    meta.fieldGroups.push_back(groups[i]);
  }
  PluginSource source(next, context);
  zrt::LoadStats stats;
  zrt::LoadEdition(path, suffix, meta, source, &stats);
  if (close) close(context);
  return 0;
}

ZRT_API int ZRT_CAddRow(ZRT_RowTable* table, const char* name, const char* value, int32_t reset) {
  // One text position for the whole library: tables are filled one after another.
  static size_t position = 0;
  if (!table || !name || !value) return -1;
  if (reset) {
    table->count = 0;
    position = 0;
  }
  size_t nameSize = std::strlen(name) + 1, valueSize = std::strlen(value) + 1;
  if (table->count < 0 || table->count >= ZRT_ROWS_MAX ||
      position + nameSize + valueSize > sizeof table->text)
    return -1;
  char* n = table->text + position;
  std::memcpy(n, name, nameSize);
  position += nameSize;
  char* v = table->text + position;
  std::memcpy(v, value, valueSize);
  position += valueSize;
  table->names[table->count] = n;
  table->values[table->count] = v;
  table->lengths[table->count] = static_cast<int32_t>(valueSize - 1);
  ++table->count;
  return 0;
}

ZRT_API const char* ZRT_CGetRowByNum(ZRT_RowTable* table, int32_t row) {
  if (!table || row < 0 || row >= table->count) return nullptr;
  return table->values[row];
}

ZRT_API const char* ZRT_CGetRowByName(ZRT_RowTable* table, const char* name) {
  if (!table || !name) return nullptr;
  for (int i = 0; i < table->count; ++i)
    if (std::strcmp(table->names[i], name) == 0) return table->values[i];
  return nullptr;
}

}  // extern "C"
