#include "select/statement/select_expr.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace zrt::sel {

// ---- values ---------------------------------------------------------------------------------

std::string Value::ToText() const {
  char buf[64];
  switch (kind) {
    case Kind::Int:
      std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(i));
      return buf;
    case Kind::Float:
      std::snprintf(buf, sizeof buf, "%g", f);
      return buf;
    case Kind::Text:
      break;
  }
  return s;
}

int64_t TextToInt(const std::string& text) {
  errno = 0;
  long long v = std::strtoll(text.c_str(), nullptr, 10);
  return static_cast<int64_t>(v);  // out of range: strtoll's clamped value
}

double TextToFloat(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

int64_t ClampToInt(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 9.2e18) return std::numeric_limits<int64_t>::max();
  if (d <= -9.2e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(d);
}

int64_t AsInt(const Value& v) {
  switch (v.kind) {
    case Kind::Int: return v.i;
    case Kind::Float: return ClampToInt(v.f);
    case Kind::Text: break;
  }
  return TextToInt(v.s);
}

double AsFloat(const Value& v) {
  switch (v.kind) {
    case Kind::Int: return static_cast<double>(v.i);
    case Kind::Float: return v.f;
    case Kind::Text: break;
  }
  return TextToFloat(v.s);
}

template <typename T>
static int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int Compare(const Value& a, const Value& b) {
  if (a.isText() && b.isText()) {
    int c = std::memcmp(a.s.data(), b.s.data(), std::min(a.s.size(), b.s.size()));
    return c != 0 ? (c < 0 ? -1 : 1) : Order(a.s.size(), b.s.size());
  }
  if (a.kind == Kind::Float || b.kind == Kind::Float) return Order(AsFloat(a), AsFloat(b));
  return Order(AsInt(a), AsInt(b));
}

bool CompareBy(int code, const Value& a, const Value& b) {
  int c = Compare(a, b);
  switch (code) {
    case kEq: return c == 0;
    case kLe: return c <= 0;
    case kLt: return c < 0;
    case kGe: return c >= 0;
    case kGt: return c > 0;
    case kNe: return c != 0;
  }
  return false;
}

bool Like(const std::string& text, const std::string& pattern) {
  size_t t = 0, p = 0;
  while (p < pattern.size()) {
    char c = pattern[p];
    if (c == '%') {
      if (p + 1 == pattern.size()) return true;
      char next = pattern[p + 1];
      if (next == '%' || next == '_') return false;
      size_t at = text.find(next, t);
      if (at == std::string::npos) return false;
      t = at;
      ++p;
      continue;
    }
    if (t == text.size()) break;
    if (c != '_' && c != text[t]) return false;
    ++t;
    ++p;
  }
  if (t < text.size()) return false;
  for (; p < pattern.size(); ++p)
    if (pattern[p] != '%') return false;
  return true;
}

bool Expr::RefersToColumn() const {
  for (const Node& n : nodes)
    if (n.type == Node::Type::Column || n.type == Node::Type::RowId) return true;
  return false;
}

Value SlotValue(double v) {
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 9e18)
    return Value::Int(static_cast<int64_t>(v));
  return Value::Float(v);
}

// ---- tokens ---------------------------------------------------------------------------------

static bool IsWordByte(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '@' || c >= 0x80;
}

static bool HasWordAt(const std::string& s, size_t at, const char* word) {
  size_t n = std::strlen(word);
  if (at + n > s.size()) return false;
  for (size_t k = 0; k < n; ++k)
    if (std::toupper(static_cast<unsigned char>(s[at + k])) != word[k]) return false;
  return true;
}

// A keyword that must stand alone: not followed by a letter, digit or high byte.
static bool HasBareWordAt(const std::string& s, size_t at, const char* word) {
  size_t n = std::strlen(word);
  if (!HasWordAt(s, at, word)) return false;
  unsigned char after = at + n < s.size() ? static_cast<unsigned char>(s[at + n]) : 0;
  return !(std::isalnum(after) || after >= 0x80);
}

static size_t SkipBlanks(const std::string& s, size_t at) {
  while (at < s.size() && static_cast<unsigned char>(s[at]) >= 1 &&
         static_cast<unsigned char>(s[at]) <= 32)
    ++at;
  return at;
}

ClauseParser::ClauseParser(const std::string& text, Resolver resolver, AggregateSink aggregates)
    : text_(text), resolver_(std::move(resolver)), aggregates_(std::move(aggregates)) {}

int ClauseParser::Fail(int kind, size_t at) {
  if (error_.kind == 0) error_ = {kind, at};
  return -1;
}

bool ClauseParser::Peek() {
  if (have_) return true;
  if (error_.kind != 0) return false;
  if (!Scan(&tok_)) return false;
  have_ = true;
  tokStart_ = tok_.start;
  return true;
}

bool ClauseParser::AtEnd() { return Peek() && tok_.code == kEnd; }

bool ClauseParser::Scan(Tok* t) {
  *t = Tok{};
  const std::string& s = text_;
  for (;;) {
    pos_ = SkipBlanks(s, pos_);
    t->start = pos_;
    if (pos_ >= s.size() || s[pos_] == '\0') {
      t->code = kEnd;
      t->end = pos_;
      return true;
    }
    // IS is a keyword whatever follows; without NULL or NOT NULL after it, it vanishes.
    if (HasWordAt(s, pos_, "IS")) {
      size_t after = SkipBlanks(s, pos_ + 2);
      if (HasWordAt(s, after, "NULL")) {
        t->code = kIsNull;
        pos_ = after + 4;
      } else if (HasWordAt(s, after, "NOT")) {
        size_t null = SkipBlanks(s, after + 3);
        if (HasWordAt(s, null, "NULL")) {
          t->code = kIsNotNull;
          pos_ = null + 4;
        } else {
          pos_ += 2;
          continue;
        }
      } else {
        pos_ += 2;
        continue;
      }
      t->end = pos_;
      return true;
    }
    break;
  }
  // Keywords recognised by their letters alone, whatever follows them.
  static const struct {
    const char* word;
    int code;
  } kLetterKeywords[] = {{"AND", kAnd}, {"ANY", kAny},         {"ALL", kAll},   {"OR", kOr},
                         {"SOME", kSome}, {"BETWEEN", kBetween}, {"LIKE", kLike}};
  for (const auto& k : kLetterKeywords) {
    if (HasWordAt(s, pos_, k.word)) {
      t->code = k.code;
      pos_ += std::strlen(k.word);
      t->end = pos_;
      return true;
    }
  }
  if (HasWordAt(s, pos_, "NOT")) {
    size_t after = SkipBlanks(s, pos_ + 3);
    t->code = kNot;
    pos_ += 3;
    if (HasBareWordAt(s, after, "IN")) {
      t->code = kNotIn;
      pos_ = after + 2;
    } else if (HasBareWordAt(s, after, "LIKE")) {
      t->code = kNotLike;
      pos_ = after + 4;
    } else if (HasBareWordAt(s, after, "BETWEEN")) {
      t->code = kNotBetween;
      pos_ = after + 7;
    }
    t->end = pos_;
    return true;
  }
  if (HasBareWordAt(s, pos_, "IN")) {
    t->code = kIn;
    pos_ += 2;
    t->end = pos_;
    return true;
  }
  unsigned char c = static_cast<unsigned char>(s[pos_]);
  if (IsWordByte(c) || c == '.') return ScanWord(t);
  if (c == '\'') {
    std::string value;
    size_t at = pos_ + 1;
    for (;;) {
      if (at >= s.size()) return Fail(1, t->start), false;  // unterminated
      if (s[at] == '\'') {
        if (at + 1 < s.size() && s[at + 1] == '\'') {
          value += '\'';
          at += 2;
          continue;
        }
        ++at;
        break;
      }
      value += s[at++];
    }
    t->code = kString;
    t->text = std::move(value);
    pos_ = at;
    t->end = pos_;
    return true;
  }
  static const struct {
    const char* op;
    int code;
  } kOperators[] = {{"<=", kLe},   {"<>", kNe},     {"<<", kShl},    {">=", kGe},   {">>", kShr},
                    {"!=", kNe},   {"^=", kNe},     {"||", kConcat}, {"<", kLt},    {">", kGt},
                    {"=", kEq},    {"|", kBitOr},   {"&", kBitAnd},  {"~", kTilde}, {"+", kPlus},
                    {"-", kMinus}, {"*", kMul},     {"/", kDiv},     {"%", kMod},   {"(", kOpen},
                    {")", kClose}, {",", kComma}};
  for (const auto& o : kOperators) {
    size_t n = std::strlen(o.op);
    if (s.compare(pos_, n, o.op) == 0) {
      t->code = o.code;
      pos_ += n;
      t->end = pos_;
      return true;
    }
  }
  Fail(1, pos_);
  return false;
}

bool ClauseParser::ScanWord(Tok* t) {
  const std::string& s = text_;
  size_t at = pos_;
  bool numeric = true, dot = false;
  while (at < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[at]);
    if (c == '.' && numeric) {
      dot = true;
    } else if (IsWordByte(c)) {
      if (!std::isdigit(c)) numeric = false;
    } else {
      break;
    }
    ++at;
  }
  size_t length = at - pos_;
  if (length > static_cast<size_t>(kMaxWord)) {
    Fail(1, pos_);
    return false;
  }
  std::string word = s.substr(pos_, length);
  pos_ = at;
  t->end = at;
  if (numeric && length < 10) {
    if (dot) {
      t->code = kFloat;
      t->number = std::strtod(word.c_str(), nullptr);
    } else {
      t->code = kInteger;
      t->integer = std::strtoll(word.c_str(), nullptr, 10);
    }
    return true;
  }
  if (at < s.size() && s[at] == '(' && !numeric) {
    t->function = FindFunction(word);
    if (t->function < 0) {
      Fail(1, t->start);
      return false;
    }
    t->code = kFunction;
    t->text = std::move(word);
    return true;
  }
  if (HasBareWordAt(word, 0, "NULL") && word.size() == 4) {
    t->code = kString;
    return true;
  }
  t->code = kName;
  t->text = std::move(word);
  return true;
}

// ---- grammar --------------------------------------------------------------------------------

int ClauseParser::Add(Node n) {
  if (nodes_->size() >= kMaxNodes) return Fail(2, tokStart_);
  nodes_->push_back(std::move(n));
  return static_cast<int>(nodes_->size()) - 1;
}

int ClauseParser::Op(int code, std::vector<int32_t> args) {
  Node n;
  n.type = code >= kFunction ? Node::Type::Function : Node::Type::Operator;
  n.code = code >= kFunction ? code - kFunction : code;
  n.args = std::move(args);
  return Add(std::move(n));
}

bool ClauseParser::ParseExpression(Expr* out) {
  out->nodes.clear();
  nodes_ = &out->nodes;
  depth_ = 0;
  int root = Expression();
  if (root >= 0) lastEnd_ = have_ ? tokStart_ : pos_;
  while (lastEnd_ > 0 && static_cast<unsigned char>(text_[lastEnd_ - 1]) <= 32 &&
         text_[lastEnd_ - 1] != '\0')
    --lastEnd_;
  return root >= 0;
}

bool ClauseParser::TakeAlias(std::string* alias) {
  if (!Peek()) return false;
  if (tok_.code != kName && tok_.code != kString) return false;
  *alias = tok_.text;
  Take();
  return true;
}

bool ClauseParser::TakeComma() {
  if (!Peek() || tok_.code != kComma) return false;
  Take();
  return true;
}

int ClauseParser::Expression() {
  if (++depth_ > kMaxDepth) return Fail(1, tokStart_);
  int left = Term();
  while (left >= 0 && Peek() && tok_.code == kOr) {
    Take();
    int right = Term();
    left = right < 0 ? -1 : Op(kOr, {left, right});
  }
  --depth_;
  return left;
}

int ClauseParser::Term() {
  int left = Factor();
  while (left >= 0 && Peek() && tok_.code == kAnd) {
    Take();
    int right = Factor();
    left = right < 0 ? -1 : Op(kAnd, {left, right});
  }
  return left;
}

// The complement that ALL is compiled with: x > ALL (list) holds when x <= e for no e.
static int Complement(int code) {
  switch (code) {
    case kEq: return kNe;
    case kNe: return kEq;
    case kLe: return kGt;
    case kGt: return kLe;
    case kLt: return kGe;
    case kGe: return kLt;
  }
  return code;
}

// INFUNC's first argument: the comparison, with ALL marked by adding kAllMark.
static constexpr int kAllMark = 100;

int ClauseParser::Factor() {
  if (++depth_ > kMaxDepth) return Fail(1, tokStart_);
  struct Leave {
    int& d;
    ~Leave() { --d; }
  } leave{depth_};
  if (!Peek()) return -1;
  if (tok_.code == kNot) {
    Take();
    int p = Primary();
    return p < 0 ? -1 : Op(kNot, {p});
  }
  int left = Operand();
  if (left < 0 || !Peek()) return -1;
  int code = tok_.code;
  switch (code) {
    case kEq: case kLe: case kLt: case kGe: case kGt: case kNe: {
      Take();
      if (!Peek()) return -1;
      int quantifier = tok_.code;
      if (quantifier == kSome || quantifier == kAny || quantifier == kAll) {
        Take();
        Node op;
        op.constant = Value::Int(quantifier == kAll ? Complement(code) + kAllMark : code);
        int opNode = Add(std::move(op));
        if (opNode < 0) return -1;
        std::vector<int32_t> args{opNode, left};
        if (!List(&args)) return -1;
        return Op(kFunction + kInFunction, std::move(args));
      }
      int right = Operand();
      return right < 0 ? -1 : Op(code, {left, right});
    }
    case kLike: case kNotLike: {
      Take();
      int right = Operand();
      return right < 0 ? -1 : Op(code, {left, right});
    }
    case kIsNull: case kIsNotNull:
      Take();
      return Op(code, {left});
    case kIn: case kNotIn: {
      Take();
      Node op;
      op.constant = Value::Int(code);
      int opNode = Add(std::move(op));
      if (opNode < 0) return -1;
      std::vector<int32_t> args{opNode, left};
      if (!List(&args)) return -1;
      return Op(kFunction + kInFunction, std::move(args));
    }
    case kBetween: case kNotBetween: {
      Take();
      int low = Factor();
      if (low < 0 || !Peek()) return -1;
      if (tok_.code != kAnd) return Fail(1, tokStart_);
      Take();
      int high = Factor();
      if (high < 0) return -1;
      return Op(kFunction + (code == kBetween ? kBetweenFunction : kNotBetweenFunction),
                {left, low, high});
    }
  }
  return left;
}

bool ClauseParser::List(std::vector<int32_t>* items) {
  if (!Peek()) return false;
  if (tok_.code != kOpen) return Fail(1, tokStart_), false;
  size_t open = tokStart_;
  Take();
  for (;;) {
    int e = Expression();
    if (e < 0) return false;
    items->push_back(e);
    if (items->size() > 32) return Fail(3, open), false;  // before a long list is read
    if (!Peek()) return false;
    if (tok_.code == kComma) {
      Take();
      continue;
    }
    if (tok_.code != kClose) return Fail(1, tokStart_), false;
    Take();
    break;
  }
  return true;
}

// One left-associative level: operands of the next tighter level joined by `codes`.
int ClauseParser::Level(int (ClauseParser::*operand)(), std::initializer_list<int> codes) {
  int left = (this->*operand)();
  while (left >= 0 && Peek() && std::find(codes.begin(), codes.end(), tok_.code) != codes.end()) {
    int code = tok_.code;
    Take();
    int right = (this->*operand)();
    left = right < 0 ? -1 : Op(code, {left, right});
  }
  return left;
}

int ClauseParser::Operand() { return Level(&ClauseParser::Sum, {kDiv, kMul, kMod}); }
int ClauseParser::Sum() { return Level(&ClauseParser::Bits, {kPlus, kMinus, kConcat}); }
int ClauseParser::Bits() {
  return Level(&ClauseParser::Unary, {kBitAnd, kBitOr, kTilde, kShl, kShr});
}

int ClauseParser::Unary() {
  if (!Peek()) return -1;
  if (tok_.code == kTilde || tok_.code == kMinus) {
    int code = tok_.code == kTilde ? kTilde : kNegate;
    Take();
    int p = Primary();
    return p < 0 ? -1 : Op(code, {p});
  }
  return Primary();
}

int ClauseParser::Primary() {
  if (++depth_ > kMaxDepth) return Fail(1, tokStart_);
  struct Leave {
    int& d;
    ~Leave() { --d; }
  } leave{depth_};
  if (!Peek()) return -1;
  Tok t = tok_;
  Node n;
  switch (t.code) {
    case kName: {
      Take();
      std::string upper = t.text;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (upper == "ROWID") {
        n.type = Node::Type::RowId;
      } else if (upper == "ROWNUM") {
        n.type = Node::Type::RowNum;
      } else if (t.text.size() == 2 && t.text[0] == '@') {
        n.type = Node::Type::Slot;
        n.code = static_cast<unsigned char>(t.text[1]) - '0';
      } else {
        n.type = Node::Type::Column;
        if (resolver_) n.column = resolver_(t.text);
      }
      return Add(std::move(n));
    }
    case kString:
      Take();
      n.constant = Value::Text(t.text);
      return Add(std::move(n));
    case kInteger:
      Take();
      n.constant = Value::Int(t.integer);
      return Add(std::move(n));
    case kFloat:
      Take();
      n.constant = Value::Float(t.number);
      return Add(std::move(n));
    case kFunction:
      Take();
      return Call(t);
    case kOpen: {
      Take();
      int e = Expression();
      if (e < 0 || !Peek()) return -1;
      if (tok_.code != kClose) return Fail(1, tokStart_);
      Take();
      return e;
    }
  }
  return Fail(1, tokStart_);
}

int ClauseParser::Call(const Tok& name) {
  const FunctionInfo& info = FunctionTable()[static_cast<size_t>(name.function)];
  pos_ = name.end + 1;  // past the "(" that made the word a function name
  have_ = false;
  const bool aggregate = IsAggregate(name.function);
  bool distinct = false, star = false;
  std::vector<int32_t> args;
  const size_t argStart = nodes_->size();
  const bool slot = aggregate && aggregates_ && !inAggregate_;
  if (slot) inAggregate_ = true;
  struct Restore {
    bool& flag;
    bool value;
    ~Restore() { flag = value; }
  } restore{inAggregate_, slot ? false : inAggregate_};
  if (!Peek()) return -1;
  if (aggregate && tok_.code == kName && tok_.text.size() == 8 &&
      HasWordAt(tok_.text, 0, "DISTINCT")) {
    distinct = true;
    Take();
    if (!Peek()) return -1;
  }
  if (name.function == kCountAgg && tok_.code == kMul) {
    Take();
    star = true;
    if (!Peek()) return -1;
    if (tok_.code != kClose) return Fail(1, tokStart_);
  }
  if (tok_.code == kClose) {
    Take();
    if (!star && info.minArgs > 0) return Fail(3, name.start);
  } else {
    for (;;) {
      int e = Expression();
      if (e < 0 || !Peek()) return -1;
      args.push_back(e);
      if (info.maxArgs >= 0 && static_cast<int>(args.size()) > info.maxArgs)
        return Fail(3, name.start);
      if (tok_.code == kComma) {
        Take();
        continue;
      }
      if (tok_.code != kClose) return Fail(1, tokStart_);
      Take();
      break;
    }
  }
  int count = static_cast<int>(args.size());
  if (!star && (count < info.minArgs || (info.maxArgs >= 0 && count > info.maxArgs)))
    return Fail(3, name.start);
  if (slot) {
    // The argument's nodes move into the slot's own expression; the call becomes a
    // reference to the slot.
    Expr argument;
    for (size_t k = argStart; k < nodes_->size(); ++k) {
      Node moved = std::move((*nodes_)[k]);
      for (int32_t& a : moved.args) a -= static_cast<int32_t>(argStart);
      argument.nodes.push_back(std::move(moved));
    }
    nodes_->resize(argStart);
    int k = aggregates_(name.function, distinct, std::move(argument));
    if (k < 0) return Fail(2, name.start);
    Node ref;
    ref.type = Node::Type::Slot;
    ref.code = k;
    return Add(std::move(ref));
  }
  return Op(kFunction + name.function, std::move(args));
}

// ---- evaluation -----------------------------------------------------------------------------

namespace {

bool Numeric(const Value& v) { return !v.isText(); }

bool Truth(const Value& v) {
  return v.kind == Kind::Int ? v.i != 0 : v.f != 0;
}

// Two's-complement arithmetic without signed overflow.
int64_t Wrap(uint64_t v) { return static_cast<int64_t>(v); }

bool Arithmetic(int code, const Value& a, const Value& b, Value* out, std::string* error) {
  switch (code) {
    case kDiv: {
      double d = AsFloat(b);
      if (d == 0) return *error = "division by zero", false;
      double q = AsFloat(a) / d;
      *out = SlotValue(q);
      return true;
    }
    case kMod: {
      if (a.kind == Kind::Float || b.kind == Kind::Float)
        return *error = "% of a floating-point value", false;
      int64_t x = AsInt(a), y = AsInt(b);
      if (y == 0) return *error = "division by zero", false;
      *out = Value::Int(y == -1 ? 0 : x % y);
      return true;
    }
    case kMul: case kPlus: case kMinus:
      if (a.kind != Kind::Float && b.kind != Kind::Float) {
        uint64_t x = static_cast<uint64_t>(AsInt(a)), y = static_cast<uint64_t>(AsInt(b));
        uint64_t r = code == kMul ? x * y : code == kPlus ? x + y : x - y;
        *out = Value::Int(Wrap(r));
      } else {
        double x = AsFloat(a), y = AsFloat(b);
        *out = Value::Float(code == kMul ? x * y : code == kPlus ? x + y : x - y);
      }
      return true;
    case kConcat:
      if (!a.isText() || !b.isText()) return *error = "|| wants two texts", false;
      *out = Value::Text(a.s + b.s);
      return true;
    case kBitAnd: case kBitOr: case kShl: case kShr: {
      if (a.kind != Kind::Int || b.kind != Kind::Int)
        return *error = "bit operators want integers", false;
      uint64_t x = static_cast<uint64_t>(a.i);
      unsigned n = static_cast<unsigned>(b.i) & 63u;
      if (code == kBitAnd) *out = Value::Int(Wrap(x & static_cast<uint64_t>(b.i)));
      if (code == kBitOr) *out = Value::Int(Wrap(x | static_cast<uint64_t>(b.i)));
      if (code == kShl) *out = Value::Int(Wrap(x << n));
      if (code == kShr) *out = Value::Int(a.i < 0 ? Wrap(~(~x >> n)) : Wrap(x >> n));
      return true;
    }
  }
  return *error = "unknown operator", false;
}

bool Operator(const Node& n, std::vector<Value>& v, Value* out, std::string* error) {
  const Value& a = v[static_cast<size_t>(n.args[0])];
  static const Value kNone;
  const Value& b = n.args.size() > 1 ? v[static_cast<size_t>(n.args[1])] : kNone;
  switch (n.code) {
    case kOr:
      *out = Value::Int(Numeric(a) && Numeric(b) && (Truth(a) || Truth(b)));
      return true;
    case kAnd:
      *out = Value::Int(Numeric(a) && Numeric(b) && Truth(a) && Truth(b));
      return true;
    case kNot:
      *out = Value::Int(Numeric(a) && !Truth(a));
      return true;
    case kEq: case kLe: case kLt: case kGe: case kGt: case kNe:
      *out = Value::Int(CompareBy(n.code, a, b));
      return true;
    case kLike: case kNotLike:
      if (!a.isText() || !b.isText()) {
        *out = Value::Int(0);
      } else {
        *out = Value::Int(Like(a.s, b.s) == (n.code == kLike));
      }
      return true;
    case kIsNull:
      *out = Value::Int(a.isText() && a.s.empty());
      return true;
    case kIsNotNull:
      // 1 or 0, not the first byte of the text: that is negative for Cyrillic text.
      *out = Value::Int(!a.isText() || !a.s.empty());
      return true;
    case kTilde:
      if (a.kind != Kind::Int) return *error = "~ wants an integer", false;
      *out = Value::Int(~a.i);
      return true;
    case kNegate:
      if (a.kind == Kind::Float) {
        *out = Value::Float(-a.f);
      } else {
        *out = Value::Int(Wrap(0 - static_cast<uint64_t>(AsInt(a))));
      }
      return true;
  }
  return Arithmetic(n.code, a, b, out, error);
}

}  // namespace

bool Evaluate(const Expr& e, const EvalContext& c, Value* out, std::string* error) {
  if (e.nodes.empty()) {
    *out = Value::Int(0);
    return true;
  }
  std::vector<Value> v(e.nodes.size());
  std::vector<Value> args;
  for (size_t k = 0; k < e.nodes.size(); ++k) {
    const Node& n = e.nodes[k];
    switch (n.type) {
      case Node::Type::Constant:
        v[k] = n.constant;
        break;
      case Node::Type::Column:
        v[k].kind = Kind::Text;
        if (n.column.field != 0 && !c.rows->ColumnText(c.record, n.column, &v[k].s))
          return *error = "record " + std::to_string(c.record) + " cannot be read", false;
        break;
      case Node::Type::RowId:
        v[k] = Value::Int(c.record);
        break;
      case Node::Type::RowNum:
        v[k] = Value::Int(c.rowNumber);
        break;
      case Node::Type::Slot:
        v[k] = n.code >= 0 && n.code < c.slotCount ? SlotValue(c.slots[n.code]) : Value::Text("");
        break;
      case Node::Type::Operator:
        if (!Operator(n, v, &v[k], error)) return false;
        break;
      case Node::Type::Function:
        args.clear();
        for (int32_t a : n.args) args.push_back(v[static_cast<size_t>(a)]);
        if (!CallFunction(n.code, args, &v[k], error)) return false;
        break;
    }
  }
  *out = std::move(v.back());
  return true;
}

bool EvaluateText(const Expr& e, const EvalContext& c, std::string* out, std::string* error) {
  Value v;
  if (!Evaluate(e, c, &v, error)) return false;
  *out = v.isText() ? std::move(v.s) : v.ToText();
  return true;
}

}  // namespace zrt::sel
