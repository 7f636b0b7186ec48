// Exported query, found-set, listing, op-code list and highlighting functions.
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "edition/handle.h"
#include "index/term_match.h"
#include "query/highlight.h"
#include "query/listing.h"
#include "query/query.h"
#include "text/charset.h"
#include "text/qparams.h"
#include "zrteng.h"

using zrt::EditionOf;
using zrt::OpenEditionOf;

extern "C" {

ZRT_API int ZRT_SetQueryByString(EngineHandle* h, const char* text, int32_t limitCount,
                                 const ZRTLimit* limits, CWordOpCode* list,
                                 ZRT_QueryProgress progress) {
  zrt::Edition* e = EditionOf(h);
  if (!e) return -1;
  zrt::QueryState& q = e->query();
  q.ClearFound();
  try {
    if (!e->isOpen()) {
      q.lastError = zrt::Status::InvalidArgument("the edition is not open");
      return -1;
    }
    std::vector<zrt::QueryLimit> parts;
    for (int32_t i = 0; limits && i < limitCount; ++i) {
      const ZRTLimit& l = limits[i];
      parts.push_back({std::string(l.field, strnlen(l.field, sizeof l.field)),
                       std::string(l.text, strnlen(l.text, sizeof l.text))});
    }
    std::string query;
    zrt::Status s = zrt::ComposeQueryText(text ? text : "", parts, &query);
    if (s.ok()) {
      zrt::QueryProgress report;
      if (progress) report = [progress](int32_t r, int32_t n, int32_t o, const char* t) { progress(r, n, o, t); };
      zrt::WordOpCodes* opcodes = list ? list->impl : nullptr;
      q.text = query;
      s = zrt::RunQuery(e->searchContext(), query, opcodes, report, &q.found, &q.stoppedAt);
    }
    q.lastError = s;
    if (!s.ok()) q.ClearFound();
    return s.ok() ? 0 : -1;
  } catch (const std::bad_alloc&) {
    q.ClearFound();
    q.lastError = zrt::Status::Limit("out of memory");
    return -1;
  }
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
  return static_cast<int32_t>(found.ListRecords(records, static_cast<size_t>(maxCount)));
}

ZRT_API int32_t ZRT_GetRnoList(EngineHandle* h, int32_t* records, int32_t maxCount, int32_t from,
                               int32_t forward) {
  zrt::Edition* e = OpenEditionOf(h);
  if (!e || !records || maxCount <= 0) return 0;
  const int64_t n = e->store().recordCount();
  int32_t written = 0;
  if (forward) {
    int64_t s = from < 0 ? 0 : from;
    for (int64_t r = s + 1; r <= n && written < maxCount; ++r) records[written++] = static_cast<int32_t>(r);
    return written;
  }
  if (from < 2) return 0;
  const int64_t c = std::min<int64_t>(from, n + 1);
  // Fewer than maxCount numbers before `from`: all of them, as the forward list would.
  int64_t first = c - maxCount >= 1 ? c - maxCount : 1;
  for (int64_t r = first; r < c; ++r) records[written++] = static_cast<int32_t>(r);
  return written;
}

ZRT_API int ZRT_SetQueryByRoot(EngineHandle* h, const char* root, const char* fieldNames) {
  zrt::Edition* e = EditionOf(h);
  if (!e) return -1;
  zrt::QueryState& q = e->query();
  q.ClearListing();
  if (!e->isOpen()) return 0;
  try {
    return zrt::SearchByRoot(e->searchContext(), root, fieldNames, &q.listing).ok() ? 0 : -1;
  } catch (const std::bad_alloc&) {
    q.ClearListing();
    return -1;
  }
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
  std::string text = zrt::RowWord(row);
  std::memcpy(word, text.c_str(), text.size() + 1);
  return word;
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
  try {
    zrt::Highlight(text, out, list ? list->impl : nullptr, fieldNumber, marks,
                   zrt::GlobalQueryParams());
  } catch (const std::bad_alloc&) {
    const char* t = text ? text : "";
    std::memcpy(out, t, std::strlen(t) + 1);
  }
  return out;
}

}  // extern "C"
