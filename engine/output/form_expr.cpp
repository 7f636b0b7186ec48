// Directive expressions: a recursive-descent evaluator whose functions follow the
// grammar one for one, from the loosest binding to the tightest:
//
//   expression     = negation { ("||" | "&&") negation }
//   negation       = [ "!" ] comparison
//   comparison     = additive { ("==" | "!=" | "<" | "<=" | ">" | ">=") additive }
//   additive       = multiplicative { ("+" | "-") multiplicative }
//   multiplicative = primary { ("*" | "/" | "%") primary }
//   primary        = integer | string | name | name "(" [ args ] ")" | "(" expression ")"
//   args           = expression { ("," | ";") expression }
//
// Every failure, anywhere, makes the whole expression fail; nothing is reported.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/file.h"
#include "output/form_value.h"

namespace zrt {

namespace limits = form_limits;

FormValue FormValue::String(std::string s) {
  if (s.size() > limits::kValue) s.resize(limits::kValue);
  return {kFormString, 0, std::move(s)};
}

int32_t LeadingInteger(std::string_view text, size_t* end) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t n = 0;
  size_t digits = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    n = n * 10 + (text[i++] - '0');
    if (n > int64_t{INT32_MAX} + 1) n = int64_t{INT32_MAX} + 1;
  }
  if (i == digits) {  // no number: nothing consumed
    if (end) *end = 0;
    return 0;
  }
  if (end) *end = i;
  if (negative) return static_cast<int32_t>(-n);
  return static_cast<int32_t>(n > INT32_MAX ? INT32_MAX : n);
}

namespace {

int32_t Wrap(int64_t n) { return static_cast<int32_t>(static_cast<uint32_t>(n)); }

enum class Tok {
  End,
  Or,
  And,
  Not,
  Eq,
  Ne,
  Lt,
  Le,
  Gt,
  Ge,
  Plus,
  Minus,
  Times,
  Divide,
  Modulo,
  Open,
  Close,
  Separator,
  Integer,
  String,
  Name,
  Bad,
};

class Evaluator {
 public:
  Evaluator(std::string_view text, const FormEnv& env) : s_(text), env_(env) { Advance(); }

  std::optional<FormValue> Run() {
    FormValue v;
    if (!Expression(&v) || tok_ != Tok::End) return std::nullopt;
    return v;
  }

 private:
  // ---- Tokens ----

  static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  bool At(size_t i, char c) const { return i < s_.size() && s_[i] == c; }

  void Advance() {
    while (pos_ < s_.size() && static_cast<unsigned char>(s_[pos_]) < 0x21) ++pos_;
    if (pos_ >= s_.size()) {
      tok_ = Tok::End;
      return;
    }
    char c = s_[pos_++];
    auto pair = [&](char second, Tok both, Tok single) {
      if (At(pos_, second)) {
        ++pos_;
        tok_ = both;
      } else {
        tok_ = single;
      }
    };
    switch (c) {
      case '|':
        pair('|', Tok::Or, Tok::Bad);
        return;
      case '&':
        pair('&', Tok::And, Tok::Bad);
        return;
      case '=':
        pair('=', Tok::Eq, Tok::Bad);
        return;
      case '!':
        pair('=', Tok::Ne, Tok::Not);
        return;
      case '<':
        pair('=', Tok::Le, Tok::Lt);
        return;
      case '>':
        pair('=', Tok::Ge, Tok::Gt);
        return;
      case '+':
        tok_ = Tok::Plus;
        return;
      case '-':
        tok_ = Tok::Minus;
        return;
      case '*':
        tok_ = Tok::Times;
        return;
      case '/':
        tok_ = Tok::Divide;
        return;
      case '%':
        tok_ = Tok::Modulo;
        return;
      case '(':
        tok_ = Tok::Open;
        return;
      case ')':
        tok_ = Tok::Close;
        return;
      case ',':
      case ';':
        tok_ = Tok::Separator;
        return;
      case '"':
      case '\'':
        return LexString();
      default:
        break;
    }
    if (IsDigit(c)) return LexInteger(pos_ - 1);
    if (IsLetter(c) || c == '_') return LexName(pos_ - 1);
    tok_ = Tok::Bad;
  }

  void LexInteger(size_t begin) {
    while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    tok_ = Tok::Bad;
    if (pos_ - begin > limits::kIntegerDigits) return;
    int64_t n = 0;
    for (size_t i = begin; i < pos_; ++i) n = n * 10 + (s_[i] - '0');
    if (n > INT32_MAX) return;
    number_ = static_cast<int32_t>(n);
    tok_ = Tok::Integer;
  }

  // Ends at the next quotation mark of either kind, whichever opened it.
  void LexString() {
    text_.clear();
    tok_ = Tok::Bad;
    while (pos_ < s_.size()) {
      char c = s_[pos_++];
      if (c == '"' || c == '\'') {
        if (text_.size() <= limits::kStringLiteral) tok_ = Tok::String;
        return;
      }
      if (c == '\\') {
        if (pos_ >= s_.size()) return;
        c = s_[pos_++];
        if (c == 'n')
          c = '\n';
        else if (c == 'r')
          c = '\r';
        else if (c == 't')
          c = '\t';
        else if (c == '\'')
          c = '"';
      }
      if (text_.size() <= limits::kStringLiteral) text_ += c;
    }
  }

  void LexName(size_t begin) {
    while (pos_ < s_.size() && (IsLetter(s_[pos_]) || IsDigit(s_[pos_]) || s_[pos_] == '_')) ++pos_;
    text_.assign(s_.substr(begin, pos_ - begin));
    tok_ = text_.size() <= limits::kIdentifier ? Tok::Name : Tok::Bad;
  }

  // ---- Grammar ----

  // A value held while the next operand is evaluated; the stack has room for
  // limits::kPending of them. Also bounds the nesting of brackets.
  struct Held {
    explicit Held(Evaluator* e) : e_(e) { ok = ++e_->held_ <= limits::kPending; }
    ~Held() { --e_->held_; }
    Evaluator* e_;
    bool ok;
  };
  struct Collected {
    explicit Collected(Evaluator* e) : e_(e) {}
    ~Collected() { e_->held_ -= n_; }
    bool Add() {
      ++n_;
      return ++e_->held_ <= limits::kPending;
    }
    Evaluator* e_;
    size_t n_ = 0;
  };

  bool Expression(FormValue* v) {
    Held guard(this);
    if (!guard.ok || !Negation(v)) return false;
    while (tok_ == Tok::Or || tok_ == Tok::And) {
      bool isOr = tok_ == Tok::Or;
      Advance();
      FormValue rhs;
      if (!Negation(&rhs)) return false;
      bool r = isOr ? (v->IsTrue() || rhs.IsTrue()) : (v->IsTrue() && rhs.IsTrue());
      *v = FormValue::Integer(r ? 1 : 0);
    }
    return true;
  }

  bool Negation(FormValue* v) {
    bool negate = tok_ == Tok::Not;
    if (negate) Advance();
    if (!Comparison(v)) return false;
    if (negate) *v = FormValue::Integer(v->IsTrue() ? 0 : 1);
    return true;
  }

  bool Comparison(FormValue* v) {
    if (!Additive(v)) return false;
    while (tok_ >= Tok::Eq && tok_ <= Tok::Ge) {
      Tok op = tok_;
      Advance();
      Held guard(this);
      FormValue rhs;
      if (!guard.ok || !Additive(&rhs) || rhs.kind != v->kind) return false;
      int order = v->IsString() ? v->text.compare(rhs.text)
                                : (v->number < rhs.number ? -1 : v->number > rhs.number);
      int32_t r = 0;
      switch (op) {
        case Tok::Eq:
          r = order == 0;
          break;
        // Two strings give their order, as the sign of a byte comparison.
        case Tok::Ne:
          r = v->IsString() ? (order < 0 ? -1 : order > 0) : order != 0;
          break;
        case Tok::Lt:
          r = order < 0;
          break;
        case Tok::Le:
          r = order <= 0;
          break;
        case Tok::Gt:
          r = order > 0;
          break;
        default:
          r = order >= 0;
          break;
      }
      *v = FormValue::Integer(r);
    }
    return true;
  }

  bool Additive(FormValue* v) {
    if (!Multiplicative(v)) return false;
    while (tok_ == Tok::Plus || tok_ == Tok::Minus) {
      bool plus = tok_ == Tok::Plus;
      Advance();
      Held guard(this);
      FormValue rhs;
      if (!guard.ok || !Multiplicative(&rhs) || rhs.kind != v->kind) return false;
      if (v->IsString()) {
        if (!plus) return false;
        *v = FormValue::String(v->text + rhs.text);
      } else {
        *v = FormValue::Integer(
            Wrap(plus ? int64_t{v->number} + rhs.number : int64_t{v->number} - rhs.number));
      }
    }
    return true;
  }

  bool Multiplicative(FormValue* v) {
    if (!Primary(v)) return false;
    while (tok_ == Tok::Times || tok_ == Tok::Divide || tok_ == Tok::Modulo) {
      Tok op = tok_;
      Advance();
      Held guard(this);
      FormValue rhs;
      if (!guard.ok || !Primary(&rhs) || v->IsString() || rhs.IsString()) return false;
      int64_t a = v->number, b = rhs.number;
      if (op != Tok::Times && b == 0) return false;
      // In 64 bits the one overflowing quotient (the least integer by -1) wraps.
      *v = FormValue::Integer(Wrap(op == Tok::Times ? a * b : op == Tok::Divide ? a / b : a % b));
    }
    return true;
  }

  bool Primary(FormValue* v) {
    switch (tok_) {
      case Tok::Integer:
        *v = FormValue::Integer(number_);
        Advance();
        return true;
      case Tok::String:
        *v = FormValue::String(text_);
        Advance();
        return true;
      case Tok::Open:
        Advance();
        if (!Expression(v) || tok_ != Tok::Close) return false;
        Advance();
        return true;
      case Tok::Name: {
        std::string name = text_;
        Advance();
        if (tok_ != Tok::Open) return NameValue(name, v);
        Advance();
        std::vector<FormValue> args;
        Collected collected(this);  // the arguments wait on the stack until the call
        if (tok_ == Tok::Close) {
          Advance();
          return Call(name, args, v);
        }
        for (;;) {
          if (!collected.Add() || args.size() == limits::kArguments) return false;
          args.emplace_back();
          if (!Expression(&args.back())) return false;
          if (tok_ == Tok::Close) {
            Advance();
            return Call(name, args, v);
          }
          if (tok_ != Tok::Separator) return false;
          Advance();
        }
      }
      default:
        return false;
    }
  }

  // ---- Names and calls ----

  bool NameValue(const std::string& name, FormValue* v) {
    size_t prefix = name.rfind("_LV", 0) == 0 ? 3 : name.rfind("_i", 0) == 0 ? 2 : 0;
    if (prefix == 0) return Resolve(name, {}, v);
    size_t n = 0;
    for (size_t i = prefix; i < name.size() && IsDigit(name[i]); ++i) {
      n = n * 10 + static_cast<size_t>(name[i] - '0');
      if (n >= env_.loopVars.size()) return false;
    }
    if (n >= env_.loopVars.size()) return false;
    *v = FormValue::Integer(env_.loopVars[n]);
    return true;
  }

  bool Resolve(const std::string& name, const std::vector<FormValue>& args, FormValue* v) {
    if (env_.resolver == nullptr) return false;
    intptr_t raw[limits::kArguments];
    for (size_t i = 0; i < args.size(); ++i)
      raw[i] = args[i].IsString() ? reinterpret_cast<intptr_t>(args[i].text.c_str())
                                  : static_cast<intptr_t>(args[i].number);
    int32_t kind = 0;
    intptr_t r =
        env_.resolver(env_.context, name.c_str(), &kind, raw, static_cast<int32_t>(args.size()));
    if (kind == kFormInteger) {
      *v = FormValue::Integer(static_cast<int32_t>(r));
      return true;
    }
    if (kind != kFormString) return false;
    const char* text = reinterpret_cast<const char*>(r);
    *v = FormValue::String(text ? std::string(text, strnlen(text, limits::kValue)) : "");
    return true;
  }

  static bool AllIntegers(const std::vector<FormValue>& a) {
    for (const FormValue& v : a)
      if (v.IsString()) return false;
    return true;
  }

  // The built-in functions, matched by exact name before the resolver is asked.
  bool Call(const std::string& name, const std::vector<FormValue>& a, FormValue* v) {
    size_t n = a.size();
    bool oneString = n == 1 && a[0].IsString();
    if (name == "for") {
      if (n != 3 || !AllIntegers(a)) return false;
      char buf[limits::kFor + 1];
      std::snprintf(buf, sizeof buf, "%d-%d-%d", a[0].number, a[1].number, a[2].number);
      *v = FormValue::String(buf);
    } else if (name == "include") {
      if (!oneString) return false;
      std::string content;
      if (!ReadWholeFile(a[0].text, &content, limits::kValue)) content.clear();
      content.resize(strnlen(content.c_str(), content.size()));
      *v = FormValue::String(std::move(content));
    } else if (name == "getenv") {
      if (!oneString) return false;
      const char* value = std::getenv(a[0].text.c_str());
      *v = FormValue::String(value ? std::string(value, strnlen(value, limits::kValue)) : "");
    } else if (name == "putenv") {
      if (!oneString) return false;
      size_t eq = a[0].text.find('=');
      bool ok = eq != std::string::npos && eq > 0 &&
                setenv(a[0].text.substr(0, eq).c_str(), a[0].text.c_str() + eq + 1, 1) == 0;
      *v = FormValue::Integer(ok ? 0 : -1);
    } else if (name == "chr") {
      if (n != 1 || a[0].IsString()) return false;
      char byte = static_cast<char>(a[0].number & 0xFF);
      *v = FormValue::String(byte ? std::string(1, byte) : std::string());
    } else if (name == "asc" || name == "atoi") {
      if (n > 1 || (n == 1 && !oneString)) return false;
      std::string_view text = n ? std::string_view(a[0].text) : std::string_view();
      if (name == "asc")
        *v = FormValue::Integer(text.empty() ? 0 : static_cast<unsigned char>(text[0]));
      else
        *v = FormValue::Integer(LeadingInteger(text));
    } else if (name == "printf") {
      if (n == 0 || n > 1 + limits::kPrintfValues || !a[0].IsString()) return false;
      auto text = FormatPrintf(a[0].text, std::span(a).subspan(1), limits::kPrintf);
      if (!text) return false;
      *v = FormValue::String(std::move(*text));
    } else if (name == "if") {
      if (n != 3) return false;
      *v = a[0].IsTrue() ? a[1] : a[2];
    } else if (name == "switch") {
      if (n == 0) return false;
      // Pairs from the second argument while the case stands before the last argument;
      // the last argument is the default (and may also be the last pair's result).
      for (size_t i = 1; i + 1 < n; i += 2) {
        const FormValue& c = a[i];
        if (c.kind == a[0].kind && (c.IsString() ? c.text == a[0].text : c.number == a[0].number)) {
          *v = a[i + 1];
          return true;
        }
      }
      *v = a[n - 1];
    } else {
      return Resolve(name, a, v);
    }
    return true;
  }

  std::string_view s_;
  const FormEnv& env_;
  size_t pos_ = 0;
  Tok tok_ = Tok::End;
  int32_t number_ = 0;
  std::string text_;
  size_t held_ = 0;
};

}  // namespace

std::optional<FormValue> EvaluateFormExpression(std::string_view expr, const FormEnv& env) {
  if (expr.size() > limits::kExpression) return std::nullopt;
  return Evaluator(expr, env).Run();
}

}  // namespace zrt
