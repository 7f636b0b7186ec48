// Exported query, found-set, listing, op-code list and highlighting functions.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "api/handle.h"
#include "index/term_match.h"
#include "query/highlight.h"
#include "query/listing.h"
#include "query/query.h"
#include "text/charset.h"
#include "text/qparams.h"

using zrt::EditionOf;
using zrt::ErrorOf;
using zrt::Guard;
using zrt::Quiet;
using zrt::Report;
using zrt::Status;

extern "C" {

ZRT_API int ZRT_SetQueryByString(EngineHandle* h, const char* text, int32_t limitCount,
                                 const ZRTLimit* limits, CWordOpCode* list,
                                 ZRT_QueryProgress progress) {
  zrt::Edition* e = EditionOf(h);
  if (e) {
    e->query().ClearFound();
    e->query().text.clear();
  }
  return Guard(ErrorOf(h), -1, [&](Status& error) {
    if (!e || !e->isOpen()) return Report(error, Status::InvalidArgument("the edition is not open"), 0, -1);
    std::vector<zrt::QueryLimit> parts;
    for (int32_t i = 0; limits && i < limitCount; ++i) {
      const ZRTLimit& l = limits[i];
      parts.push_back({std::string(l.field, strnlen(l.field, sizeof l.field)),
                       std::string(l.text, strnlen(l.text, sizeof l.text))});
    }
    std::string query;
    Status s = zrt::ComposeQueryText(text ? text : "", parts, &query);
    if (s.ok()) {
      zrt::QueryProgress report;
      e->query().stopRequested = false;
      if (progress)
        report = [progress, e](int32_t r, int32_t n, int32_t o, const char* t) {
          progress(r, n, o, t);
          return !e->query().stopRequested;
        };
      e->query().text = query;
      s = zrt::RunQuery(e->searchContext(), query, list ? list->impl : nullptr, report, &e->query().found);
    }
    if (!s.ok()) e->query().ClearFound();
    return Report(error, s, 0, -1);
  });
}

ZRT_API void ZRT_StopQuery(EngineHandle* h) {
  if (zrt::Edition* e = EditionOf(h)) e->query().stopRequested = true;
}

ZRT_API const char* ZRT_GetQueryText(EngineHandle* h) {
  zrt::Edition* e = EditionOf(h);
  return e ? e->query().text.c_str() : "";
}

ZRT_API int32_t ZRT_GetNumFoundRecords(EngineHandle* h) {
  zrt::Edition* e = EditionOf(h);
  return e ? e->query().found.CountRecords() : 0;
}

ZRT_API int32_t ZRT_BuildList(EngineHandle* h, int32_t* records, int32_t maxCount) {
  zrt::Edition* e = EditionOf(h);
  if (!e) return 0;
  zrt::FoundSet& found = e->query().found;
  int32_t count = found.CountRecords();
  if (count == 0) return 0;
  if (!records) return count;
  if (maxCount <= 0) return 0;
  return Quiet(0, [&] { return static_cast<int32_t>(found.ListRecords(records, static_cast<size_t>(maxCount))); });
}

ZRT_API int ZRT_SetQueryByRoot(EngineHandle* h, const char* root, const char* fieldNames) {
  zrt::Edition* e = EditionOf(h);
  if (e) e->query().ClearListing();
  return Guard(ErrorOf(h), -1, [&](Status& error) {
    if (!e) return Report(error, Status::InvalidArgument("no handle"), 0, -1);
    if (!e->isOpen()) return 0;  // an edition without files lists nothing
    Status s = zrt::SearchByRoot(e->searchContext(), root, fieldNames, &e->query().listing,
                                 &e->query().listingCut);
    if (!s.ok()) e->query().ClearListing();
    return Report(error, s, 0, -1);
  });
}

ZRT_API uint16_t ZRT_GetNumFoundWords(EngineHandle* h) {
  zrt::Edition* e = EditionOf(h);
  return e ? static_cast<uint16_t>(e->query().listing.size()) : 0;
}

ZRT_API const char* ZRT_GetDctRow(EngineHandle* h, int32_t i, int32_t* documents,
                                  int32_t* frequency) {
  static char word[zrt::TermMatcher::kKeyLength + 1];
  zrt::Edition* e = EditionOf(h);
  if (!e) return nullptr;
  const auto& listing = e->query().listing;
  if (i < 0 || static_cast<size_t>(i) >= listing.size()) return nullptr;
  const zrt::DictionaryRow& row = listing[static_cast<size_t>(i)];
  if (documents) *documents = static_cast<int32_t>(row.documents);
  if (frequency) *frequency = static_cast<int32_t>(row.occurrences);
  return Quiet<const char*>(nullptr, [&] {
    std::string text = zrt::RowWord(row);
    std::memcpy(word, text.c_str(), std::min(text.size(), sizeof word - 1));
    word[std::min(text.size(), sizeof word - 1)] = 0;
    return word;
  });
}

ZRT_API int ZRT_GetDctCut(EngineHandle* h) {
  zrt::Edition* e = EditionOf(h);
  return e && e->query().listingCut ? 1 : 0;
}

ZRT_API int32_t ZRT_ListWords(EngineHandle* h, const char* prefix, ZRT_WordRow row, void* context) {
  return Guard(ErrorOf(h), -1, [&](Status& error) {
    zrt::Edition* e = zrt::OpenEditionOf(h);
    if (!e || !row) return Report(error, Status::InvalidArgument("the edition is not open, or no row function"), 0, -1);
    std::string key = zrt::IndexKey(prefix ? prefix : "");
    key.resize(std::min(key.size(), sizeof zrt::DictionaryRow::word));
    std::vector<zrt::DictionaryRow> rows;
    Status s = zrt::ListAllWords(e->index(), &e->updates(), key, &rows);
    if (!s.ok()) return Report(error, s, 0, -1);
    for (const zrt::DictionaryRow& r : rows)
      row(context, zrt::RowWord(r).c_str(), r.groupMask, static_cast<int32_t>(r.documents),
          static_cast<int32_t>(r.occurrences));
    return static_cast<int32_t>(rows.size());
  });
}

ZRT_API int CWordOpCode_build(CWordOpCode* list) {
  if (!list) return -1;
  list->impl = new (std::nothrow) ZrtWordOpCodes();
  return list->impl ? 0 : -1;
}

ZRT_API void CWordOpCode_Clear(CWordOpCode* list) {
  if (list && list->impl) list->impl->Clear();
}

ZRT_API void CWordOpCode_destroy(CWordOpCode* list) {
  if (!list) return;
  delete list->impl;
  list->impl = nullptr;
}

ZRT_API char* LStrHigh(const char* text, char* out, CWordOpCode* list, uint8_t fieldNumber,
                       int32_t enable, int32_t mark1, int32_t mark2, int32_t mark3) {
  if (!out) return out;
  zrt::HighlightMarks marks;
  marks.colour = enable && mark1;
  marks.bold = enable && mark2;
  marks.italic = enable && mark3;
  const char* t = text ? text : "";
  // Out of memory: the text unmarked, which always fits.
  if (!Quiet(false, [&] {
        zrt::Highlight(text, out, list ? list->impl : nullptr, fieldNumber, marks, zrt::GlobalQueryParams());
        return true;
      }))
    std::memcpy(out, t, std::strlen(t) + 1);
  return out;
}

}  // extern "C"
