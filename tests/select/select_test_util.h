// Editions for the select tests and a runner that collects a statement's rows through
// the exported functions.
#pragma once

#include <string>
#include <vector>

#include "fixture/fixture_writer.h"
#include "fixture/scratch.h"
#include "zrteng.h"

namespace selecttest {

using Rows = std::vector<std::vector<std::string>>;

struct Result {
  int cut = 0;      // ZRT_Parse_FSelect
  int parse = 0;    // ZRT_Parse_Select
  int run = 0;      // ZRT_Iterate_Select, then ZRT_End_Select
  int errorKind = 0, errorClause = 0, errorPosition = 0;
  std::vector<std::string> headings;
  Rows rows;
  bool ok() const { return cut == 0 && parse == 0 && run == 0; }
};

inline void Collect(void* rows, int32_t zero, int32_t count, const char* const* texts, void*) {
  std::vector<std::string> row;
  for (int32_t k = 0; k < count; ++k) row.push_back(texts[k]);
  if (zero == 0) static_cast<Rows*>(rows)->push_back(row);
}

// Runs a Windows-1251 statement on an open handle.
inline Result Select(EngineHandle* h, const std::string& statement,
                     std::vector<const char*> params = {}) {
  Result r;
  params.push_back(nullptr);
  char *from, *items, *cond, *order, *group, *having, *start;
  int32_t isQuery = 0;
  r.cut = ZRT_Parse_FSelect(statement.c_str(), params.data(), &from, &items, &cond, &isQuery,
                            &order, &group, &having, &start);
  if (r.cut != 0) return r;
  ZRTSelect s{};
  r.parse = ZRT_Parse_Select(h, items, cond, isQuery, order, group, having, start, &s);
  r.errorKind = s.errorKind;
  r.errorClause = s.errorClause;
  r.errorPosition = s.errorPosition;
  for (int32_t k = 0; k < s.itemCount; ++k) r.headings.push_back(s.headings[k]);
  if (r.parse == 0) {
    r.run = ZRT_Iterate_Select(h, &s, Collect, &r.rows, nullptr);
    if (r.run == 0) r.run = ZRT_End_Select(h, &s, Collect, &r.rows, nullptr);
  }
  ZRT_Delete_Select(&s);
  return r;
}

// An edition of the given records over fields ID, TI, AU, PY, LA, N (texts in
// Windows-1251), with a word index made from the texts.
inline void WriteEdition(const std::string& base, const std::vector<std::vector<std::string>>& rows) {
  fixture::Edition e;
  for (const char* name : {"ID", "TI", "AU", "PY", "LA", "N"}) e.fields.push_back({name, 1});
  for (const auto& row : rows) {
    fixture::Record r;
    for (size_t k = 0; k < row.size() && k < 6; ++k)
      if (!row[k].empty()) r.fields.push_back({static_cast<uint8_t>(k + 1), row[k]});
    e.records.push_back(r);
  }
  e.words = fixture::SimpleWords(e);
  fixture::Write(base, e);
}

}  // namespace selecttest
