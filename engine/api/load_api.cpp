// Loading, updating, committing and packing exports, and the row table.
#include <algorithm>
#include <cstring>

#include "api/handle.h"
#include "core/row_table.h"
#include "base/names.h"
#include "edition/check.h"
#include "edition/load.h"

using zrt::ErrorOf;
using zrt::Quiet;
using zrt::Guard;
using zrt::Report;
using zrt::Status;

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

static_assert(zrt::RecordStore::kMaxEntries == ZRT_RECORD_ENTRIES && zrt::RecordStore::kRecordBufferSize == ZRT_RECORD_AREA);

const Status kNotOpen = Status::InvalidArgument("the edition is not open");

int Append(EngineHandle* h, char** store, char** index, bool nullEnds, bool commit) {
  return Guard(ErrorOf(h), -1, [&](Status& error) {
    zrt::Edition* e = zrt::OpenEditionOf(h);
    if (!e) return Report(error, kNotOpen, 0, -1);
    int words = 0;
    Status s = e->Append(TextsOf(store, nullEnds), TextsOf(index, nullEnds), &words);
    if (s.ok() && commit) s = e->Commit();
    return Report(error, s, words, -1);
  });
}

int Replace(EngineHandle* h, char** store, char** index, bool nullEnds) {
  return Guard(ErrorOf(h), -1, [&](Status& error) {
    zrt::Edition* e = zrt::OpenEditionOf(h);
    if (!e) return Report(error, kNotOpen, 0, -1);
    int words = 0;
    Status s = e->Update(TextsOf(store, nullEnds), TextsOf(index, nullEnds), &words);
    return Report(error, s, words, -1);
  });
}

// The three callbacks of a caller's document source.
class PluginSource : public zrt::DocumentSource {
public:
  // `negativeFails`: a negative answer of next is the source's failure, not its end.
  PluginSource(ZRT_SourceNext next, void* context, bool negativeFails = false)
      : next_(next), context_(context), negativeFails_(negativeFails) {}
  Status Next(zrt::RecordStore::Texts* store, zrt::RecordStore::Texts* index,
              bool* delivered) override {
    char* storeTexts[ZRT_MAX_TEXTS] = {};
    char* indexTexts[ZRT_MAX_TEXTS] = {};
    int answer = next_(context_, storeTexts, indexTexts);
    if (answer < 0 && negativeFails_) return Status::InvalidArgument("the document source failed");
    *delivered = answer > 0;
    if (*delivered) {
      *store = TextsOf(storeTexts, false);
      *index = TextsOf(indexTexts, false);
    }
    return Status::Ok();
  }

private:
  ZRT_SourceNext next_;
  void* context_;
  bool negativeFails_;
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

ZRT_API int ZRT_Commit(EngineHandle* h) {
  return Guard(ErrorOf(h), -1, [&](Status& error) {
    zrt::Edition* e = zrt::OpenEditionOf(h);
    return Report(error, e ? e->Commit() : kNotOpen, 0, -1);
  });
}

ZRT_API int ZRT_PackBase(EngineHandle* h) {
  return Guard(ErrorOf(h), 0, [&](Status& error) {
    zrt::Edition* e = zrt::OpenEditionOf(h);
    error = e ? e->Pack() : kNotOpen;
    return 0;
  });
}

ZRT_API int ZRT_LoadFromPlugin(const char* path, const char* suffix, const char* editionName,
                               const char* shortName, const char* sourceName, int32_t,
                               const char* copyright, ZRT_SourceOpen open, ZRT_SourceNext next,
                               ZRT_SourceClose close) {
  return Guard(zrt::ThreadError(), -1, [&](Status& error) {
    if (!path || !open || !next)
      return Report(error, Status::InvalidArgument("no path or no source functions"), 0, -1);
    char* names[256] = {};
    unsigned char groups[256] = {};
    void* context = nullptr;
    if (open(sourceName, names, groups, &context) == -1)
      return Report(error, Status::NotFound("the document source cannot be opened"), 0, -1);
    struct Closer {  // the source is closed on every way out, a thrown one included
      ZRT_SourceClose close;
      void* context;
      ~Closer() {
        if (close) close(context);
      }
    } closer{close, context};
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
    // A load that fails still returns 0, as callers expect; the error state says why.
    error = zrt::LoadEdition(path, suffix, meta, source, &stats);
    return 0;
  });
}

ZRT_API int ZRT_LoadEdition(const char* path, const char* suffix, const char* title, const char* shortName,
                            const char* copyright, int32_t fieldCount, const char* const* fieldNames,
                            const uint8_t* fieldGroups, ZRT_SourceNext next, ZRT_LoadProgress progress,
                            void* context, ZRT_LoadStats* stats) {
  return Guard(zrt::ThreadError(), -1, [&](Status& error) {
    if (stats) *stats = ZRT_LoadStats{};
    if (!path || !next || fieldCount < 0 || fieldCount > 255 || (fieldCount > 0 && (!fieldNames || !fieldGroups)))
      return Report(error, Status::InvalidArgument("no path, no source function or no field list"), 0, -1);
    zrt::NewEdition meta;
    meta.title = title ? title : "";
    meta.shortName = shortName ? shortName : "";
    meta.copyright = copyright ? copyright : "";
    for (int32_t i = 0; i < fieldCount; ++i) {
      meta.fieldNames.push_back(fieldNames[i] ? fieldNames[i] : "");
      meta.fieldGroups.push_back(fieldGroups[i]);
    }
    PluginSource source(next, context, true);
    zrt::LoadStats now;
    Status s = zrt::LoadEdition(path, suffix, meta, source, &now, [&](const zrt::LoadStats& at) {
      if (progress) {
        ZRT_LoadStats copy{at.records, at.words};
        progress(context, &copy);
      }
    });
    if (stats) *stats = ZRT_LoadStats{now.records, now.words};
    return Report(error, s, 0, -1);
  });
}

ZRT_API void ZRT_RemoveEdition(const char* path, const char* suffix) {
  Quiet(0, [&] {
    if (path) zrt::RemoveEditionFiles(path, suffix);
    return 0;
  });
}

ZRT_API int ZRT_MoveEdition(const char* from, const char* to, int32_t replace) {
  return Guard(zrt::ThreadError(), -1, [&](Status& error) {
    if (!from || !to) return Report(error, Status::InvalidArgument("no edition named"), 0, -1);
    return Report(error, zrt::MoveEdition(zrt::EditionBaseName(from, nullptr), zrt::EditionBaseName(to, nullptr), replace != 0), 0, -1);
  });
}

ZRT_API int32_t ZRT_CheckEdition(const char* path, const char* suffix, ZRT_CheckReport report,
                                 void* context) {
  return Guard<int32_t>(zrt::ThreadError(), -1, [&](Status& error) {
    if (!path) return Report(error, Status::InvalidArgument("no edition named"), 0, -1);
    size_t problems = zrt::CheckEdition(path, suffix, [&](const zrt::CheckProblem& p) {
      if (report) report(context, p.file.c_str(), p.offset, p.message.c_str());
    });
    return Report(error, Status::Ok(), static_cast<int32_t>(std::min<size_t>(problems, INT32_MAX)), -1);
  });
}

ZRT_API int32_t ZRT_EditionFileName(const char* path, const char* suffix, const char* ext, char* out,
                                    int32_t room) {
  return Quiet<int32_t>(-1, [&] {
    if (!path || room < 0 || (room > 0 && !out)) return -1;
    std::string name = ext && *ext ? zrt::EditionFileName(path, suffix, ext) : zrt::EditionBaseName(path, suffix);
    if (room > 0) {
      size_t n = std::min(name.size(), static_cast<size_t>(room) - 1);
      std::memcpy(out, name.data(), n);
      out[n] = 0;
    }
    return static_cast<int32_t>(name.size());
  });
}

ZRT_API int ZRT_CAddRow(ZRT_RowTable* table, const char* name, const char* value, int32_t reset) {
  return table && name && value ? zrt::AddRow(table, name, value, reset != 0) : -1;
}

ZRT_API const char* ZRT_CGetRowByNum(ZRT_RowTable* table, int32_t row) {
  return table ? zrt::RowByNumber(table, row) : nullptr;
}

ZRT_API const char* ZRT_CGetRowByName(ZRT_RowTable* table, const char* name) {
  return table && name ? zrt::RowByName(table, name) : nullptr;
}

}  // extern "C"
