#include "client/form_resolver.h"

#include <cstring>

#include "client/text.h"

namespace zrt::client {
namespace {

constexpr const char* kContentsField = "G36";
// The highlighter's mark that the converters turn into the highlight colour.
constexpr int32_t kColourMark = 4;

}  // namespace

std::string FormResolver::Expand(std::string_view form, int32_t start, int32_t count, bool* cut) {
  start_ = start;
  count_ = count;
  sections_.clear();
  unreadable_ = 0;
  onRecord_ = true;
  const std::string text(form);
  std::vector<char> out(ZRT_FORM_ROOM);
  int32_t loops[ZRT_FORM_LOOPS] = {};
  int32_t n = text.empty() ? 0
                           : PParseForm(text.c_str(), 0, static_cast<int32_t>(text.size()),
                                        out.data(), this, loops, -1, &FormResolver::Resolve);
  if (cut) *cut = n >= ZRT_FORM_ROOM - 1;
  return std::string(out.data(), static_cast<size_t>(n));
}

intptr_t FormResolver::Resolve(void* context, const char* name, int32_t* kind, const intptr_t* args,
                               int32_t count) {
  auto& self = *static_cast<FormResolver*>(context);
  std::optional<FormValue> v = self.Lookup(name, args, count);
  if (!v) {
    *kind = 0;
    return 0;
  }
  if (!v->isText) {
    *kind = ZRT_FORM_INTEGER;
    return v->integer;
  }
  *kind = ZRT_FORM_STRING;
  self.value_ = std::move(v->text);
  return reinterpret_cast<intptr_t>(self.value_.c_str());
}

std::string FormResolver::Markup(const std::string& stored) const {
  return html_ ? MarkupToHtml(stored) : MarkupToRtf(stored);
}

std::string FormResolver::ContentsCode(std::string* heading) {
  heading->clear();
  uint8_t src = ZRT_GetSrcNoByField(h_, kContentsField);
  const char* text = src ? ZRT_GetDataBySrcNo(h_, src) : nullptr;
  std::string code = text ? text : "";
  ORTree* tree = ZRT_GetOgl(h_);
  while (tree && !code.empty()) {
    ORTreeItem item{};
    std::strncpy(item.key, code.c_str(), sizeof item.key - 1);
    if (code.size() < sizeof item.key && ORTree_FindORKey(tree, &item) == 1) {
      *heading = std::string(item.data, strnlen(item.data, sizeof item.data));
      break;
    }
    size_t dot = code.rfind('.');
    if (dot == std::string::npos) break;
    code.erase(dot);
  }
  return code;
}

std::string FormResolver::FieldText(const char* code) {
  uint8_t number = 0;
  const char* text = FieldByCode(h_, code, &number);
  if (!number) return "";
  std::string stored = text ? text : "";
  if (selection_->queryMode() && !stored.empty()) {
    std::vector<char> marked(stored.size() + ZRT_HIGH_EXTRA);
    LStrHigh(stored.c_str(), marked.data(), selection_->opcodes(), number, 1, kColourMark, 0, 0);
    stored = marked.data();
  }
  return Markup(stored);
}

std::optional<FormValue> FormResolver::Lookup(std::string_view id, const intptr_t* args,
                                              int32_t count) {
  const int32_t n = count > 0 ? static_cast<int32_t>(args[0]) : 0;
  using V = FormValue;
  if (id == "env_istart") return V::Integer(start_);
  if (id == "env_icount") return V::Integer(count_);
  if (id == "env_fname") return V::Text(FontFace());
  if (id == "env_fsize") return V::Integer(FontSize());
  if (id == "env_nummode") return V::Text(NumberingMode());
  if (id.starts_with("rec_")) {
    if (!onRecord_) return V::Text("");
    const std::string code(id.substr(4));
    if (ZRT_GetNoByField(h_, code.c_str()) || ZRT_GetSrcNoByField(h_, code.c_str()))
      return V::Text(FieldText(code.c_str()));
    if (code == "content") {
      std::string heading, section = ContentsCode(&heading);
      size_t known = sections_.size();
      bool first = known <= 1 || sections_[known - 2] != section;
      return V::Text(!heading.empty() && first ? Markup(heading) : "");
    }
    return V::Text("");
  }
  if (id == "dbs_fnd") return V::Integer(selection_->total());
  if (id == "dbs_mark") return V::Integer(Marked(n) ? 1 : 0);
  if (id == "dbs_print") return V::Integer(!Printing() || Marked(n) ? 1 : 0);
  if (id == "dbs_pmark") return V::Integer(Printing() ? 0 : 1);
  if (id == "dbs_rno") return V::Integer(n);
  if (id == "dbs_go") {
    int32_t record = selection_->RecordAt(n);
    onRecord_ = record > 0 && ZRT_GotoRecord(h_, record) == 0;
    if (onRecord_) {
      std::string heading;
      sections_.push_back(ContentsCode(&heading));
    } else if (record > 0 && unreadable_ == 0) {
      unreadable_ = record;
    }
    return V::Text("");
  }
  return V::Text("");
}

}  // namespace zrt::client
