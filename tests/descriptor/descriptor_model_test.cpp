// Random expressions checked against a direct evaluation of the expression tree they were
// written from: the compiler's node order, precedence, operand references and escapes
// must give the same values as the tree itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/descriptor.h"
#include "fake_source.h"

namespace zrt {
namespace {

using Value = std::optional<std::string>;

struct Expr {
  enum Kind { Field, Text, Number, Alt, Concat, Bound, Ifn } kind = Text;
  std::string text;  // field name, literal, or the separator of a concatenation
  bool hasSep = false;
  int number = 0;
  std::vector<Expr> kids;
  std::vector<int> whole;  // IFN's whole numbers
};

const char* kFields[] = {"TI", "AB", "AU", "KW", "PY", "LA"};

class Gen {
 public:
  explicit Gen(unsigned seed) : rng_(seed) {}

  Expr Make(int depth) {
    int pick = Below(depth <= 0 ? 3 : 9);
    Expr e;
    switch (pick) {
      case 0:
      case 1:
        e.kind = Expr::Field;
        e.text = kFields[Below(6)];
        break;
      case 2:
        if (Below(2)) {
          e.kind = Expr::Text;
          e.text = Literal();
        } else {
          e.kind = Expr::Number;
          e.number = Below(100000);
        }
        break;
      case 3:
      case 4:
        e.kind = Expr::Alt;
        e.kids = {Make(depth - 1), Make(depth - 1)};
        break;
      case 5:
      case 6:
        e.kind = Expr::Concat;
        e.hasSep = Below(2);
        if (e.hasSep) e.text = Literal();
        e.kids = {Make(depth - 1), Make(depth - 1)};
        break;
      case 7:
        e.kind = Expr::Bound;
        e.kids = {Make(depth - 1), Make(depth - 1), Make(depth - 1)};
        break;
      default: {
        e.kind = Expr::Ifn;
        Expr selector;
        selector.kind = Expr::Field;
        selector.text = kFields[Below(6)];
        e.kids = {selector, Make(depth - 1), Make(depth - 1)};
        for (int i = Below(4); i > 0; --i) e.whole.push_back(Below(15));
        break;
      }
    }
    return e;
  }

  // Written at a level: 0 any expression, 1 a concatenation or primary, 2 a primary.
  std::string Write(const Expr& e, int level) {
    std::string s;
    int own = 2;
    switch (e.kind) {
      case Expr::Field:
        s = Cased(e.text);
        break;
      case Expr::Text:
        s = Quote(e.text);
        break;
      case Expr::Number: {
        std::string digits = std::to_string(e.number);  // at most 5 digits with the zeros
        s = std::string(static_cast<size_t>(Below(6 - static_cast<int>(digits.size()))), '0') +
            digits;
        break;
      }
      case Expr::Alt:
        own = 0;
        s = Write(e.kids[0], 0);
        // A parenthesised term right after a term is an alternation too.
        s += Below(3) ? " | " + Write(e.kids[1], 1) : " (" + Write(e.kids[1], 0) + ")";
        break;
      case Expr::Concat:
        own = 1;
        // A blank before "&": written right after a name it would belong to the name.
        s = Write(e.kids[0], 1) + (Below(2) ? " " : "\n\t") + "&" +
            (e.hasSep ? Quote(e.text) : "") + " " + Write(e.kids[1], 2);
        break;
      case Expr::Bound:
      case Expr::Ifn:
        s = Cased(e.kind == Expr::Bound ? "BOUND" : "IFN") + "(";
        for (size_t i = 0; i < e.kids.size(); ++i)
          s += (i ? "," + Blanks() : "") + Write(e.kids[i], 0);
        for (int n : e.whole)
          s += Below(2) ? ", " + std::to_string(n) : ", '" + std::to_string(n) + "'";
        s += ")";
        break;
    }
    if (own < level || Below(8) == 0) s = "(" + Blanks() + s + Blanks() + ")";
    return s;
  }

  int Below(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

 private:
  std::string Literal() {
    static const char chars[] = "ab '|&(),=\t\xE0\xC0";
    std::string s;
    for (int i = Below(4); i > 0; --i) s += chars[Below(sizeof chars - 1)];
    return s;
  }
  static std::string Quote(const std::string& text) {
    std::string s = "'";
    for (char c : text) s += c == '\'' ? std::string("''") : std::string(1, c);
    return s + "'";
  }
  std::string Cased(std::string name) {
    for (char& c : name)
      if (Below(2)) c = static_cast<char>(c - 'A' + 'a');
    return name;
  }
  std::string Blanks() {
    static const char* pick[] = {"", " ", "\n\t", "  "};
    return pick[Below(4)];
  }

  std::mt19937 rng_;
};

Value Eval(const Expr& e, const testing::FakeSource& src) {
  auto has = [](const Value& v) { return v && !v->empty(); };
  switch (e.kind) {
    case Expr::Field:
      return std::string(src.SourceFieldText(src.No(e.text)));
    case Expr::Text:
      return e.text;
    case Expr::Number:
      return std::to_string(e.number);
    case Expr::Alt: {
      Value a = Eval(e.kids[0], src);
      return has(a) ? a : Eval(e.kids[1], src);
    }
    case Expr::Concat: {
      Value a = Eval(e.kids[0], src), b = Eval(e.kids[1], src);
      return a.value_or("") + (has(a) && has(b) ? e.text : "") + b.value_or("");
    }
    case Expr::Bound: {
      Value p = Eval(e.kids[0], src), v = Eval(e.kids[1], src), s = Eval(e.kids[2], src);
      if (!has(v)) return std::nullopt;
      return p.value_or("") + *v + s.value_or("");
    }
    case Expr::Ifn: {
      Value sel = Eval(e.kids[0], src);
      if (!has(sel)) return std::nullopt;
      bool hit = std::count(e.whole.begin(), e.whole.end(), std::atoi(sel->c_str())) > 0;
      return Eval(e.kids[hit ? 1 : 2], src);
    }
  }
  return std::nullopt;
}

void FieldLeaves(const Expr& e, const testing::FakeSource& src, std::vector<int>* out) {
  if (e.kind == Expr::Field) out->push_back(src.No(e.text));
  for (const Expr& k : e.kids) FieldLeaves(k, src, out);
}

TEST(FieldDescriptorModel, RandomExpressionsEvaluateLikeTheirTree) {
  const char* texts[] = {"", "", "7", "12", "0", "abc", "x y", "3z"};
  Gen gen(20261206);
  int compiled = 0;
  for (int round = 0; round < 600; ++round) {
    Expr e = gen.Make(1 + round % 5);
    std::string definition = "F" + std::to_string(round) + "=" + gen.Write(e, 0);
    testing::FakeSource src;
    FieldDescriptor fd;
    Status s = fd.Compile(definition, src);
    if (definition.size() > kMaxDefinitionLength) {
      EXPECT_EQ(s.code(), Status::Code::Limit);
      continue;
    }
    ASSERT_TRUE(s.ok()) << definition << "\n" << s.message();
    ++compiled;

    std::vector<int> expected;
    FieldLeaves(e, src, &expected);
    std::vector<uint8_t> got(expected.size() + 4);
    got.resize(static_cast<size_t>(fd.SourceFieldsOf(1, got.data(), static_cast<int>(got.size()))));
    std::vector<int> gotInts(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    std::sort(gotInts.begin(), gotInts.end());
    EXPECT_EQ(gotInts, expected) << definition;

    for (int record = 0; record < 8; ++record) {
      src.Clear();
      for (const char* f : kFields) {
        if (gen.Below(4)) src.Set(f, texts[gen.Below(8)]);
      }
      const char* v = fd.Evaluate(1, src);
      ASSERT_NE(v, nullptr);
      EXPECT_EQ(std::string(v), Eval(e, src).value_or("")) << definition;
    }
  }
  EXPECT_GT(compiled, 500);
}

}  // namespace
}  // namespace zrt
