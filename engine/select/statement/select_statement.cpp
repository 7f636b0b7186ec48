#include "select/statement/select_statement.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "edition/edition.h"
#include "query/query.h"

namespace zrt::sel {

// ---- clause cutting ---------------------------------------------------------------------------

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Substitute(const std::string& text, const char* const* params) {
  size_t count = 0;
  while (params && params[count]) ++count;
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    if (text[at] == '&' && at + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[at + 1]))) {
      size_t n = static_cast<size_t>(text[at + 1] - '0');
      at += 2;
      if (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
        n = n * 10 + static_cast<size_t>(text[at++] - '0');
      if (n >= 1 && n <= count) out += params[n - 1];  // inserted text is not searched again
      continue;
    }
    out += text[at++];
  }
  return out;
}

// The first of the two spellings found at or after `from`, as the cutter has always
// searched: the lower-case form anywhere wins over the upper-case one.
size_t FindKeyword(const std::string& s, size_t from, const char* lower, const char* upper) {
  size_t at = s.find(lower, from);
  return at != std::string::npos ? at : s.find(upper, from);
}

}  // namespace

int CutClauses(const std::string& statement, const char* const* params, Clauses* out) {
  *out = Clauses{};
  std::string s = Substitute(statement, params);
  size_t at = 0;
  while (at < s.size() && Blank(s[at])) ++at;
  if (s.size() - at < 6 || strncasecmp(s.c_str() + at, "select", 6) != 0) return -1;
  const size_t listStart = at + 6;
  size_t from = FindKeyword(s, listStart, "from ", "FROM ");
  if (from == std::string::npos) return -2;

  // Each clause ends at the character before the next keyword found.
  auto cut = [&](size_t start, size_t keyword) {
    size_t end = keyword > start ? keyword - 1 : start;
    return s.substr(start, end - start);
  };
  auto skipBlanks = [&](size_t p) {
    while (p < s.size() && Blank(s[p])) ++p;
    return p;
  };
  out->items = cut(listStart, from);

  struct Found {
    std::string* text;
    size_t keyword, start;
  };
  std::vector<Found> found;
  size_t cursor = from + 5;
  found.push_back({&out->from, from, skipBlanks(cursor)});
  auto look = [&](const char* lower, const char* upper, std::string* text) {
    size_t k = FindKeyword(s, cursor, lower, upper);
    if (k == std::string::npos) return false;
    cursor = k + std::strlen(lower);
    found.push_back({text, k, skipBlanks(cursor)});
    return true;
  };
  if (!look("where ", "WHERE ", &out->condition) && look("query ", "QUERY ", &out->condition))
    out->isQuery = true;
  if (look("group by ", "GROUP BY ", &out->group)) look("having ", "HAVING ", &out->having);
  look("order by ", "ORDER BY ", &out->order);
  look("start with ", "START WITH ", &out->startWith);
  for (size_t k = 0; k < found.size(); ++k) {
    size_t end = k + 1 < found.size() ? found[k + 1].keyword : s.size() + 1;
    *found[k].text = cut(std::min(found[k].start, end), end);
  }
  // The name loses trailing punctuation such as ";" (bytes from 0x80 up are letters).
  std::string& name = out->from;
  while (!name.empty()) {
    unsigned char c = static_cast<unsigned char>(name.back());
    if (c >= 0x80 || c == 0 || std::isalnum(c)) break;
    name.pop_back();
  }
  return 0;
}

// ---- temporary trees ----------------------------------------------------------------------------

struct Statement::Temp {
  KeyTree tree;
  std::string path;
  explicit Temp(ItemLayout layout) : tree(layout) {}
  ~Temp() { Remove(); }
  bool Create(bool duplicates) {
    Remove();
    std::string pattern = (std::filesystem::temp_directory_path() / "zrtsel-XXXXXX").string();
    int fd = mkstemp(pattern.data());
    if (fd < 0) return false;
    ::close(fd);
    path = pattern;
    return tree.Create(path, duplicates).ok();
  }
  // Closes and deletes the file; false when the tree's last writes failed.
  bool Remove() {
    bool ok = !tree.IsOpen() || tree.Close() == 0;
    if (!path.empty()) ::unlink(path.c_str());
    path.clear();
    return ok;
  }
};

namespace {

constexpr size_t kKeyMax = KeyTree::kMaxKeyLength;

struct CompactItem {
  unsigned char bytes[72] = {};
  CompactItem() = default;
  CompactItem(const std::string& key, uint32_t value) {
    std::memset(bytes, 0xFF, 4);
    std::memcpy(bytes + 4, &value, 4);
    std::memcpy(bytes + 8, key.data(), std::min(key.size(), kKeyMax));
  }
  uint32_t value() const {
    uint32_t v;
    std::memcpy(&v, bytes + 4, 4);
    return v;
  }
};

// A group's record in the grouping tree: per aggregate slot its accumulator (a double)
// and its count of averaged values, then the group key. Binary and sized to the
// statement's slots, so that a page holds many groups and 100,000 groups stay within
// the tree's ten levels.
struct GroupItem {
  std::vector<unsigned char> bytes;
  GroupItem(const ItemLayout& layout, const std::string& key) : bytes(layout.bufferSize, 0) {
    std::memset(bytes.data(), 0xFF, 4);
    std::memcpy(bytes.data() + layout.keyOffset, key.data(), std::min(key.size(), kKeyMax));
  }
  void Put(const std::vector<double>& value, const std::vector<uint32_t>& count) {
    for (size_t k = 0; k < value.size(); ++k) {
      std::memcpy(bytes.data() + 4 + 12 * k, &value[k], 8);
      std::memcpy(bytes.data() + 12 + 12 * k, &count[k], 4);
    }
  }
  void Get(std::vector<double>* value, std::vector<uint32_t>* count) const {
    for (size_t k = 0; k < value->size(); ++k) {
      std::memcpy(&(*value)[k], bytes.data() + 4 + 12 * k, 8);
      std::memcpy(&(*count)[k], bytes.data() + 12 + 12 * k, 4);
    }
  }
};

std::string Record8(int32_t record) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08u", static_cast<unsigned>(record));
  return buf;
}

// Values joined with "^" into a tree key. The ordering key stops once the next value
// would reach 60 bytes, keeping what fits in 61; the group key is cut at 63.
void AppendOrderValue(std::string* key, const std::string& value, bool* full) {
  if (*full) return;
  std::string piece = value + "^";
  if (key->size() + piece.size() >= 60) {
    *key += piece.substr(0, key->size() < 61 ? 61 - key->size() : 0);
    *full = true;
    return;
  }
  *key += piece;
}

}  // namespace

// ---- the row source ----------------------------------------------------------------------------

namespace {

class EditionRows : public RowSource {
 public:
  explicit EditionRows(Edition& e) : e_(e) {}
  bool ColumnText(int32_t record, const ColumnRef& c, std::string* out) override {
    RecordStore& store = e_.store();
    // Rows need field texts only: no probing for the record's media files.
    if (store.currentRecord() != record && !store.GotoRecord(record, false).ok()) return false;
    Fields fields = e_.fields();
    const char* text = c.defined ? fields.DataByNo(c.field) : fields.DataBySrcNo(c.field);
    out->assign(text ? text : "");
    return true;
  }

 private:
  Edition& e_;
};

}  // namespace

// ---- compiling ---------------------------------------------------------------------------------

Statement::Statement() = default;
Statement::~Statement() = default;

int Statement::Fail(int kind, size_t position, Clause clause) {
  error_.kind = kind;
  error_.position = static_cast<int>(position);
  error_.clause = clause;
  RemoveTrees();
  ready_ = false;
  return -kind;
}

// Every aggregate call of the items and HAVING gets a slot; the call reads the slot.
ClauseParser::AggregateSink Statement::SlotSink() {
  return [this](int function, bool distinct, Expr argument) {
    if (slots_.size() >= static_cast<size_t>(kMaxSlots)) return -1;
    Slot s;
    s.function = function;
    s.distinct = distinct;
    s.star = argument.empty();
    s.argument = std::move(argument);
    slots_.push_back(std::move(s));
    return static_cast<int>(slots_.size()) - 1;
  };
}

bool Statement::ParseClause(const std::string& text, Clause clause, bool aggregates, Expr* out) {
  out->nodes.clear();
  ClauseParser p(text, resolver_, aggregates ? SlotSink() : nullptr);
  if (p.AtEnd() && p.error().kind == 0) return true;
  if (!p.ParseExpression(out) || !p.AtEnd()) {
    if (p.error().kind == 0) p.FailHere();
    Fail(p.error().kind, p.error().position, clause);
    return false;
  }
  return true;
}

bool Statement::ParseList(const std::string& text, Clause clause, std::vector<ListItem>* out) {
  ClauseParser p(text, resolver_);
  if (p.AtEnd() && p.error().kind == 0) return true;
  for (;;) {
    ListItem item;
    size_t start = p.position();
    if (!p.ParseExpression(&item.expr)) break;
    while (start < text.size() && static_cast<unsigned char>(text[start]) <= 32) ++start;
    item.text = text.substr(start, p.lastEnd() > start ? p.lastEnd() - start : 0);
    if (out->size() >= static_cast<size_t>(kMaxList)) {
      Fail(2, start, clause);
      return false;
    }
    out->push_back(std::move(item));
    if (p.TakeComma()) continue;
    if (p.AtEnd()) return true;
    p.FailHere();
    break;
  }
  Fail(p.error().kind, p.error().position, clause);
  return false;
}

bool Statement::ParseItems(const std::string& text) {
  ClauseParser p(text, resolver_, SlotSink());
  for (;;) {
    size_t start = p.position();
    Expr e;
    if (!p.ParseExpression(&e)) break;
    while (start < text.size() && static_cast<unsigned char>(text[start]) <= 32) ++start;
    std::string itemText = text.substr(start, p.lastEnd() > start ? p.lastEnd() - start : 0);
    std::string alias;
    bool aliased = p.TakeAlias(&alias);
    if (p.error().kind != 0) break;
    if (items_.size() >= static_cast<size_t>(kMaxItems)) {
      Fail(2, start, Clause::Items);
      return false;
    }
    itemsReferToColumn_ = itemsReferToColumn_ || e.RefersToColumn();
    items_.push_back(std::move(e));
    itemTexts_.push_back(itemText);
    headings_.push_back(aliased ? alias : itemText);
    if (p.TakeComma()) continue;
    if (p.AtEnd()) return true;
    p.FailHere();
    break;
  }
  Fail(p.error().kind, p.error().position, Clause::Items);
  return false;
}

void Statement::FindRowidFilter() {
  auto comparison = [&](int index) -> bool {
    const Node& n = where_.nodes[static_cast<size_t>(index)];
    if (n.type != Node::Type::Operator || n.code < kEq || n.code > kGt || n.args.size() != 2)
      return false;
    const Node& l = where_.nodes[static_cast<size_t>(n.args[0])];
    const Node& r = where_.nodes[static_cast<size_t>(n.args[1])];
    auto isConst = [](const Node& x) {
      return x.type == Node::Type::Constant && x.constant.kind == Kind::Int;
    };
    if (l.type == Node::Type::RowId && isConst(r)) {
      rowidFilter_ = {n.code, r.constant.i};
    } else if (r.type == Node::Type::RowId && isConst(l)) {
      static const int kMirror[] = {0, 0, 0, 0, kEq, kGe, kGt, kLe, kLt};
      rowidFilter_ = {kMirror[n.code], l.constant.i};
    } else {
      return false;
    }
    return true;
  };
  if (where_.empty()) return;
  int root = static_cast<int>(where_.nodes.size()) - 1;
  const Node& n = where_.nodes.back();
  if (comparison(root)) return;
  if (n.type == Node::Type::Operator && n.code == kAnd && !comparison(n.args[0]))
    comparison(n.args[1]);
}

int Statement::Parse(Edition& edition, const Clauses& c) {
  rowSource_ = std::make_unique<EditionRows>(edition);
  Fields fields = edition.fields();
  resolver_ = [fields](const std::string& name) {
    ColumnRef ref;
    ref.field = fields.SrcNoByField(name.c_str());
    if (ref.field == 0) {
      ref.field = fields.NoByField(name.c_str());
      ref.defined = ref.field != 0;
    }
    return ref;
  };

  std::string list = c.items;
  size_t lead = 0;
  while (lead < list.size() && static_cast<unsigned char>(list[lead]) <= 32 && list[lead]) ++lead;
  if (list.size() - lead >= 8 && strncasecmp(list.c_str() + lead, "DISTINCT", 8) == 0 &&
      (list.size() - lead == 8 || static_cast<unsigned char>(list[lead + 8]) <= 32)) {
    distinct_ = true;
    list.replace(lead, 8, 8, ' ');  // blanks keep the error positions in the caller's text
  }
  if (!ParseItems(list)) return -error_.kind;
  if (!ParseList(c.group, Clause::Group, &group_)) return -error_.kind;
  if (distinct_) {
    for (size_t k = 0; k < items_.size(); ++k) {
      if (group_.size() >= static_cast<size_t>(kMaxList)) return Fail(2, 0, Clause::Group);
      group_.push_back({items_[k], itemTexts_[k]});
    }
  }
  if (!c.having.empty() && group_.empty()) return Fail(5, 0, Clause::Having);
  if (!ParseClause(c.having, Clause::Having, true, &having_)) return -error_.kind;
  if (!ParseClause(c.startWith, Clause::StartWith, false, &startWith_)) return -error_.kind;
  queryMode_ = c.isQuery;
  if (queryMode_) {
    // The found set stays in the edition as any query's does.
    QueryState& q = edition.query();
    q.ClearFound();
    std::string text;
    Status s = ComposeQueryText(c.condition, {}, &text);
    if (s.ok()) {
      q.text = text;
      s = RunQuery(edition.searchContext(), text, nullptr, QueryProgress{}, &q.found);
    }
    if (s.ok()) {
      rows_.resize(static_cast<size_t>(q.found.CountRecords()));
      rows_.resize(q.found.ListRecords(rows_.data(), rows_.size()));
    } else {
      q.ClearFound();
    }
  } else {
    if (!ParseClause(c.condition, Clause::Condition, false, &where_)) return -error_.kind;
    FindRowidFilter();
  }
  if (!ParseList(c.order, Clause::Order, &order_)) return -error_.kind;
  slotValues_.assign(slots_.size(), 0);
  InitAccumulators(&totals_);
  groupsInRowPass_ = GroupsInRowPass();
  if (!CreateTrees()) return -error_.kind;
  ready_ = true;
  return 0;
}

// Only the trees this statement files rows in: every file costs a create and an unlink,
// which dominate short statements.
bool Statement::CreateTrees() {
  if (!group_.empty()) {
    grouping_ = std::make_unique<Temp>(GroupLayout());
    if (!grouping_->Create(false)) return Fail(6, 0, Clause::None), false;
    groupOrder_ = std::make_unique<Temp>(ItemLayout::Compact());
    if (!groupOrder_->Create(true)) return Fail(7, 0, Clause::None), false;
  }
  if ((!slots_.empty() || !order_.empty()) && !groupsInRowPass_) {
    ordering_ = std::make_unique<Temp>(ItemLayout::Compact());
    if (!ordering_->Create(true)) return Fail(8, 0, Clause::None), false;
  }
  if (NeedsDistinctTree()) {
    distinctValues_ = std::make_unique<Temp>(ItemLayout::Compact());
    if (!distinctValues_->Create(false)) return Fail(9, 0, Clause::None), false;
  }
  return true;
}

bool Statement::NeedsDistinctTree() const {
  for (const Slot& s : slots_)
    if (s.distinct) return true;
  return false;
}

void Statement::RemoveTrees() {
  ordering_.reset();
  grouping_.reset();
  groupOrder_.reset();
  distinctValues_.reset();
}

// ---- evaluation helpers --------------------------------------------------------------------------

EvalContext Statement::Context(int32_t record) {
  EvalContext c;
  c.rows = rowSource_.get();
  c.record = record;
  c.rowNumber = rowNumber_;
  c.slots = slotValues_.data();
  c.slotCount = static_cast<int>(slotValues_.size());
  return c;
}

bool Statement::Holds(const Expr& e, int32_t record, bool* holds) {
  std::string text;
  if (!EvaluateText(e, Context(record), &text, &error_.message)) return false;
  *holds = text != "0";
  return true;
}

bool Statement::Values(const std::vector<ListItem>& list, int32_t record,
                       std::vector<std::string>* out) {
  out->resize(list.size());
  for (size_t k = 0; k < list.size(); ++k)
    if (!EvaluateText(list[k].expr, Context(record), &(*out)[k], &error_.message)) return false;
  return true;
}

bool Statement::OrderingKey(int32_t record, std::string* key) {
  key->clear();
  if (order_.empty()) {
    *key = Record8(record);
    return true;
  }
  std::vector<std::string> values;
  if (!Values(order_, record, &values)) return false;
  bool full = false;
  for (const std::string& v : values) AppendOrderValue(key, v, &full);
  // Group items that no order item covers keep the rows of one group together.
  for (const ListItem& g : group_) {
    bool covered = false;
    for (const ListItem& o : order_) covered = covered || o.text == g.text;
    if (covered) continue;
    std::string v;
    if (!EvaluateText(g.expr, Context(record), &v, &error_.message)) return false;
    AppendOrderValue(key, v, &full);
  }
  return true;
}

bool Statement::GroupKey(int32_t record, std::string* key) {
  std::vector<std::string> values;
  if (!Values(group_, record, &values)) return false;
  key->clear();
  for (const std::string& v : values) *key += v + "^";
  if (key->size() > kKeyMax) key->resize(kKeyMax);
  return true;
}

void Statement::InitAccumulators(Accumulators* a) const {
  a->value.assign(slots_.size(), 0);
  a->count.assign(slots_.size(), 0);
  for (size_t k = 0; k < slots_.size(); ++k) {
    if (slots_[k].function == kMaxAgg) a->value[k] = -2147483648.0;
    if (slots_[k].function == kMinAgg) a->value[k] = 2147483648.0;
  }
}

// Aggregates accumulate in double precision, with a count per AVG slot.
bool Statement::Accumulate(int32_t record, const std::string& distinctPrefix, Accumulators* a) {
  for (size_t k = 0; k < slots_.size(); ++k) {
    const Slot& s = slots_[k];
    Value v = Value::Int(0);  // COUNT(*) counts every row
    if (!s.star && !Evaluate(s.argument, Context(record), &v, &error_.message)) return false;
    if (v.isText() && v.s.empty()) continue;
    if (s.distinct) {
      char slot[8];
      std::snprintf(slot, sizeof slot, "%02u", static_cast<unsigned>(k));
      std::string key = slot + distinctPrefix + (v.isText() ? v.s : v.ToText());
      if (key.size() > kKeyMax) key.resize(kKeyMax);
      int added = distinctValues_->tree.Add(CompactItem(key, 0).bytes);
      if (added < 0) return error_.message = "a temporary file cannot be written", false;
      if (added == 0) continue;
    }
    double x = AsFloat(v);
    switch (s.function) {
      case kMaxAgg: if (x > a->value[k]) a->value[k] = x; break;
      case kMinAgg: if (x < a->value[k]) a->value[k] = x; break;
      case kCountAgg: a->value[k] += 1; break;
      case kSumAgg: a->value[k] += x; break;
      case kAvgAgg: a->value[k] += x; ++a->count[k]; break;
    }
  }
  return true;
}

bool Statement::EmitRow(int32_t record, const Emit& emit) {
  std::vector<std::string> texts(items_.size());
  for (size_t k = 0; k < items_.size(); ++k)
    if (!EvaluateText(items_[k], Context(record), &texts[k], &error_.message)) return false;
  emit(texts);
  ++rowNumber_;
  return true;
}

int Statement::EvaluationFailed() {
  if (error_.message.empty()) error_.message = "a temporary file cannot be written";
  RemoveTrees();
  ready_ = false;
  return -1;
}

// ---- the row pass ------------------------------------------------------------------------------

int Statement::Iterate(Edition& edition, const Emit& emit) {
  if (!ready_) return -1;
  const int32_t count = queryMode_ ? static_cast<int32_t>(rows_.size()) : edition.store().recordCount();
  const bool aggregates = !slots_.empty();
  bool started = startWith_.empty();
  std::string key;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t record = queryMode_ ? rows_[static_cast<size_t>(i)] : i + 1;
    bool holds = true;
    if (!started) {
      if (!Holds(startWith_, record, &holds)) return EvaluationFailed();
      if (!holds) continue;
      started = true;
    }
    if (!queryMode_ && !where_.empty()) {
      if (rowidFilter_ && !CompareBy(rowidFilter_->first, Value::Int(record),
                                     Value::Int(rowidFilter_->second)))
        continue;
      if (!Holds(where_, record, &holds)) return EvaluationFailed();
      if (!holds) continue;
    }
    if (groupsInRowPass_) {
      if (!OrderingKey(record, &key) || !GroupRow(record, key)) return EvaluationFailed();
      continue;
    }
    if (!aggregates && order_.empty()) {
      if (!group_.empty()) {
        if (!having_.empty()) {
          std::string h;
          if (!EvaluateText(having_, Context(record), &h, &error_.message)) return EvaluationFailed();
          if (h != "1") continue;
        }
        if (!GroupKey(record, &key)) return EvaluationFailed();
        int added = grouping_->tree.Add(GroupItem(GroupLayout(), key).bytes.data());
        if (added < 0) return EvaluationFailed();
        if (added == 0) continue;
      }
      if (!EmitRow(record, emit)) return EvaluationFailed();
      continue;
    }
    if (!OrderingKey(record, &key)) return EvaluationFailed();
    if (ordering_->tree.Add(CompactItem(key, static_cast<uint32_t>(record)).bytes) < 0)
      return EvaluationFailed();
    if (aggregates && !Accumulate(record, "", &totals_)) return EvaluationFailed();
  }
  return 0;
}

// ---- the final pass ----------------------------------------------------------------------------

// Files one row in its group: a new group keeps the row as its first one.
bool Statement::GroupRow(int32_t record, const std::string& orderKey) {
  const std::string kBroken = "a temporary file cannot be written";
  std::string groupKey;
  if (!GroupKey(record, &groupKey)) return false;
  GroupItem group(GroupLayout(), groupKey);
  const bool known = grouping_->tree.FindKey(group.bytes.data());
  Accumulators acc;
  InitAccumulators(&acc);
  if (known) group.Get(&acc.value, &acc.count);
  if (!Accumulate(record, groupKey, &acc)) return false;
  group.Put(acc.value, acc.count);
  if (known) return grouping_->tree.ReplaceKey(group.bytes.data()) >= 0 || (error_.message = kBroken, false);
  if (grouping_->tree.Add(group.bytes.data()) < 0) return error_.message = kBroken, false;
  // The group's first row, under its ordering key.
  if (groupOrder_->tree.Add(CompactItem(orderKey, static_cast<uint32_t>(record)).bytes) < 0)
    return error_.message = kBroken, false;
  return true;
}

// When every order item is a group item, all rows of a group share their ordering key,
// so the first row the row pass meets is the group's first row, and groups can be
// formed there: one read of each record instead of two, and no ordering tree.
bool Statement::GroupsInRowPass() const {
  if (group_.empty() || !itemsReferToColumn_ || (slots_.empty() && order_.empty())) return false;
  for (const ListItem& o : order_) {
    bool grouped = false;
    for (const ListItem& g : group_) grouped = grouped || g.text == o.text;
    if (!grouped) return false;
  }
  return true;
}

bool Statement::Grouped(const Emit& emit) {
  CompactItem row;
  std::string groupKey;
  Accumulators acc;
  if (!groupsInRowPass_) {
    if (ordering_->tree.First() != 0) return false;
    while (ordering_->tree.Next(row.bytes))
      if (!GroupRow(static_cast<int32_t>(row.value()), reinterpret_cast<const char*>(row.bytes + 8)))
        return false;
  }
  // The groups in the order of their first rows.
  if (groupOrder_->tree.First() != 0) return false;
  while (groupOrder_->tree.Next(row.bytes)) {
    const int32_t record = static_cast<int32_t>(row.value());
    if (!GroupKey(record, &groupKey)) return false;
    GroupItem group(GroupLayout(), groupKey);
    if (!grouping_->tree.FindKey(group.bytes.data()))
      return error_.message = "a temporary file is damaged", false;
    InitAccumulators(&acc);
    group.Get(&acc.value, &acc.count);
    for (size_t k = 0; k < slots_.size(); ++k) {
      slotValues_[k] = acc.value[k];
      if (slots_[k].function == kAvgAgg) slotValues_[k] = acc.count[k] ? acc.value[k] / acc.count[k] : 0;
    }
    if (!having_.empty()) {
      std::string h;
      if (!EvaluateText(having_, Context(record), &h, &error_.message)) return false;
      if (h != "1") continue;
    }
    if (!EmitRow(record, emit)) return false;
  }
  return true;
}

ItemLayout Statement::GroupLayout() const {
  const uint32_t keyOffset = 4 + 12 * static_cast<uint32_t>(slots_.size());
  return {keyOffset, keyOffset + static_cast<uint32_t>(kKeyMax) + 1, false};
}

int Statement::End(Edition& edition, const Emit& emit) {
  (void)edition;
  if (!ready_) return -1;
  for (size_t k = 0; k < slots_.size(); ++k) {
    slotValues_[k] = totals_.value[k];
    if (slots_[k].function == kAvgAgg)
      slotValues_[k] = totals_.count[k] ? totals_.value[k] / totals_.count[k] : 0;
  }
  // From here the distinct tree serves the per-group checks.
  if (distinctValues_ && !distinctValues_->Create(false)) {
    error_.message = "a temporary file cannot be created";
    return EvaluationFailed();
  }
  bool ok = true;
  if (!slots_.empty() && !itemsReferToColumn_) {
    ok = EmitRow(1, emit);
  } else if (group_.empty() && ordering_) {
    CompactItem row;
    ok = ordering_->tree.First() == 0;
    while (ok && ordering_->tree.Next(row.bytes)) ok = EmitRow(static_cast<int32_t>(row.value()), emit);
  } else if (!group_.empty() && (ordering_ || groupsInRowPass_)) {
    ok = Grouped(emit);
  }
  // Closing reports a write that failed on the way.
  bool closed = true;
  for (auto* t : {&ordering_, &grouping_, &groupOrder_, &distinctValues_})
    if (*t) closed = (*t)->Remove() && closed;
  RemoveTrees();
  ready_ = false;
  if (ok && !closed) error_.message = "a temporary file cannot be written";
  return ok && closed ? 0 : -1;
}

}  // namespace zrt::sel
