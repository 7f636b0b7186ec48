// Exported select statement, configuration file and URL escaping functions.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "api/handle.h"
#include "select/config_file.h"
#include "select/statement/select_statement.h"
#include "select/url_escape.h"

using zrt::ErrorOf;
using zrt::Guard;
using zrt::Quiet;
using zrt::Report;
using zrt::Status;

static_assert(zrt::sel::Statement::kMaxItems == ZRT_SELECT_MAX_ITEMS);
static_assert(zrt::sel::Statement::kMaxSlots == ZRT_SELECT_MAX_SLOTS);
static_assert(zrt::sel::Statement::kMaxList == ZRT_SELECT_MAX_LIST);
static_assert(zrt::kMaxConfigEntries == ZRT_CFG_MAX_ENTRIES);

namespace {

void ClearSelect(ZRTSelect* s) {
  delete s->impl;
  s->impl = nullptr;
  s->itemCount = 0;
  std::fill(std::begin(s->headings), std::end(s->headings), nullptr);
}

zrt::sel::Statement::Emit EmitTo(ZRT_SelectCallback callback, void* c1, void* c2) {
  return [callback, c1, c2](const std::vector<std::string>& texts) {
    if (!callback) return;
    std::vector<const char*> pointers;
    for (const std::string& t : texts) pointers.push_back(t.c_str());
    callback(c1, 0, static_cast<int32_t>(pointers.size()), pointers.data(), c2);
  };
}

char* Duplicate(const std::string& s) {
  char* p = static_cast<char*>(std::malloc(s.size() + 1));
  if (!p) throw std::bad_alloc();
  std::memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

// Why a parse failed, for ZRT_ErrMsg: the kind, the clause and the place.
Status ParseFailure(const zrt::sel::Statement::Error& e) {
  static const char* kKinds[] = {"", "syntax error", "too many items", "wrong number of arguments", "",
                                 "HAVING without a grouping list", "a temporary tree cannot be created"};
  static const char* kClauses[] = {"", "select list", "condition", "order list", "group list", "HAVING",
                                   "start with"};
  const char* kind = kKinds[std::min(e.kind, 6)];
  const char* clause = kClauses[std::clamp(static_cast<int>(e.clause), 0, 6)];
  std::string m = std::string(kind) + (*clause ? std::string(" in the ") + clause : "");
  return e.kind == 1 ? Status::Syntax(m, static_cast<size_t>(e.position)) : Status::InvalidArgument(m);
}

}  // namespace

extern "C" {

ZRT_API int ZRT_Parse_FSelect(const char* statement, const char* const* params, char** from,
                              char** items, char** condition, int32_t* isQuery, char** order,
                              char** group, char** having, char** startWith) {
  static thread_local zrt::sel::Clauses clauses;
  return Guard(zrt::ThreadError(), -1, [&](Status& error) {
    int rc = zrt::sel::CutClauses(statement ? statement : "", params, &clauses);
    auto put = [](char** out, std::string& text) {
      if (out) *out = text.data();
    };
    put(from, clauses.from);
    put(items, clauses.items);
    put(condition, clauses.condition);
    put(order, clauses.order);
    put(group, clauses.group);
    put(having, clauses.having);
    put(startWith, clauses.startWith);
    if (isQuery) *isQuery = clauses.isQuery ? 1 : 0;
    if (rc == -1) error = Status::InvalidArgument("the statement does not begin with select");
    if (rc == -2) error = Status::InvalidArgument("the statement has no from");
    return rc;
  });
}

ZRT_API int ZRT_Parse_Select(EngineHandle* h, const char* items, const char* condition,
                             int32_t isQuery, const char* order, const char* group,
                             const char* having, const char* startWith, ZRTSelect* s) {
  if (s) {
    ClearSelect(s);
    s->errorKind = s->errorPosition = s->errorClause = 0;
  }
  int rc = Guard(ErrorOf(h), -2, [&](Status& error) {
    zrt::Edition* e = zrt::OpenEditionOf(h);
    if (!s || !e) return Report(error, Status::InvalidArgument("no select object or no open edition"), 0, -1);
    zrt::sel::Clauses c;
    c.items = items ? items : "";
    c.condition = condition ? condition : "";
    c.isQuery = isQuery != 0;
    c.order = order ? order : "";
    c.group = group ? group : "";
    c.having = having ? having : "";
    c.startWith = startWith ? startWith : "";
    s->impl = new ZrtSelect;
    int parsed = s->impl->Parse(*e, c);
    const auto& failure = s->impl->error();
    s->errorKind = failure.kind;
    s->errorPosition = failure.position;
    s->errorClause = static_cast<int32_t>(failure.clause);
    const auto& headings = s->impl->headings();
    s->itemCount = static_cast<int32_t>(headings.size());
    for (size_t k = 0; k < headings.size(); ++k) s->headings[k] = headings[k].c_str();
    if (parsed != 0) error = ParseFailure(failure);
    return parsed;
  });
  if (rc == -2 && s && s->errorKind == 0) {  // an exception: no room
    ClearSelect(s);
    s->errorKind = ZRT_SELECT_ERR_ROOM;
  }
  return rc;
}

// Both passes: -1 with the evaluation's reason when one fails.
static int Pass(EngineHandle* h, ZRTSelect* s, bool final, ZRT_SelectCallback callback, void* c1,
                void* c2) {
  return Guard(ErrorOf(h), -1, [&](Status& error) {
    zrt::Edition* e = zrt::OpenEditionOf(h);
    if (!e || !s || !s->impl)
      return Report(error, Status::InvalidArgument("no parsed select or no open edition"), 0, -1);
    auto emit = EmitTo(callback, c1, c2);
    int rc = final ? s->impl->End(*e, emit) : s->impl->Iterate(*e, emit);
    if (rc != 0) error = Status::InvalidArgument(s->impl->error().message);
    return rc;
  });
}

ZRT_API int ZRT_Iterate_Select(EngineHandle* h, ZRTSelect* s, ZRT_SelectCallback callback,
                               void* context1, void* context2) {
  return Pass(h, s, false, callback, context1, context2);
}

ZRT_API int ZRT_End_Select(EngineHandle* h, ZRTSelect* s, ZRT_SelectCallback callback,
                           void* context1, void* context2) {
  return Pass(h, s, true, callback, context1, context2);
}

ZRT_API int ZRT_Delete_Select(ZRTSelect* s) {
  return Quiet(0, [&] {
    if (s) ClearSelect(s);
    return 0;
  });
}

ZRT_API int ZRTOpenCfg(const char* path, ZRTCfg* cfg) {
  return Guard(zrt::ThreadError(), 0, [&](Status& error) {
    std::vector<zrt::ConfigEntry> entries;
    if (!path || !cfg || !zrt::ReadConfigFile(path, &entries))
      return Report(error, Status::IOError(std::string(path ? path : "") + ": cannot be opened"), 1, 0);
    size_t kept = std::min(entries.size(), zrt::kMaxConfigEntries);
    std::sort(entries.begin(), entries.begin() + static_cast<long>(kept),
              [](const zrt::ConfigEntry& a, const zrt::ConfigEntry& b) {
                return zrt::ConfigEntryBefore(a.section, a.key, b.section, b.key);
              });
    ZRTCfg filled{};
    try {
      for (size_t k = 0; k < kept; ++k) {
        filled.entries[k] = {Duplicate(entries[k].key), Duplicate(entries[k].section),
                             Duplicate(entries[k].value)};
        filled.count = static_cast<int32_t>(k + 1);
      }
    } catch (...) {
      ZRTFreeCfg(&filled);
      throw;
    }
    filled.dropped = static_cast<int32_t>(entries.size() - kept);
    std::strncpy(filled.path, path, sizeof filled.path - 1);
    *cfg = filled;
    return 1;
  });
}

ZRT_API int ZRTGetCfgStr(ZRTCfg* cfg, const char* section, const char* key, char* out,
                         const char* def) {
  return Quiet(0, [&] {
    const ZRTCfgEntry* found = nullptr;
    if (cfg && section && key && cfg->count > 0) {
      const int32_t n = std::min<int32_t>(cfg->count, ZRT_CFG_MAX_ENTRIES);
      const ZRTCfgEntry* begin = cfg->entries;
      const ZRTCfgEntry* end = begin + n;
      const ZRTCfgEntry* at = std::lower_bound(begin, end, 0, [&](const ZRTCfgEntry& e, int) {
        return zrt::ConfigEntryBefore(e.section, e.key, section, key);
      });
      if (at != end && std::strcmp(at->section, section) == 0 && std::strcmp(at->key, key) == 0)
        found = at;
    }
    const char* text = found ? found->value : def;
    if (out && text) std::memcpy(out, text, std::strlen(text) + 1);
    return found ? 1 : 0;
  });
}

ZRT_API int ZRTFreeCfg(ZRTCfg* cfg) {
  if (!cfg) return 1;
  for (int32_t k = 0; k < cfg->count && k < ZRT_CFG_MAX_ENTRIES; ++k) {
    std::free(cfg->entries[k].key);
    std::free(cfg->entries[k].section);
    std::free(cfg->entries[k].value);
    cfg->entries[k] = {};
  }
  cfg->count = 0;
  cfg->dropped = 0;
  return 1;
}

ZRT_API char* unescape_url(char* text) { return zrt::UnescapeUrl(text); }

ZRT_API char* escape_query(char* text) { return zrt::EscapeQuery(text); }

}  // extern "C"
