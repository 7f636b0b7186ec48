// Compiling and evaluating field definitions.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>

#include "core/descriptor.h"
#include "fake_source.h"

namespace zrt {
namespace {

using testing::FakeSource;

// Compiles one definition "X = <expression>" into a fresh descriptor.
struct One {
  FakeSource src;
  FieldDescriptor fd;
  Status status;
  explicit One(const std::string& expression) { status = fd.Compile("X = " + expression, src); }
  std::string Value() {
    const char* v = fd.Evaluate(1, src);
    return v ? v : "<null>";
  }
};

// Values of nested expressions are the model test's; here the edges of the words.
TEST(FieldDescriptor, NumbersNamesAndAliases) {
  EXPECT_FALSE(One("123456").status.ok());  // six digits: not a number
  EXPECT_FALSE(One("12a").status.ok());
  EXPECT_FALSE(One("ti|'x'").status.ok());  // one word "ti|'x'": unknown field
  One cased("ti | 'x'");                    // field names in any case
  ASSERT_TRUE(cased.status.ok());
  EXPECT_EQ(cased.Value(), "x");

  FakeSource src;
  FieldDescriptor fd;
  ASSERT_TRUE(fd.Compile("AU (\xC0\xE2\xF2\xEE\xF0\xFB) \t= = \n AU", src).ok());
  ASSERT_TRUE(fd.Compile("KW()=KW", src).ok());
  ASSERT_TRUE(fd.Compile("TI\n  =TI", src).ok());
  EXPECT_STREQ(fd.Name(1), "AU");
  EXPECT_STREQ(fd.Alias(1), "\xC0\xE2\xF2\xEE\xF0\xFB");  // Cyrillic, Windows-1251
  EXPECT_STREQ(fd.Alias(2), "");
  EXPECT_STREQ(fd.Name(3), "TI");
  EXPECT_EQ(fd.NumberByName("kw"), 2);
  EXPECT_EQ(fd.NumberByName("ti"), 3);
  EXPECT_EQ(fd.NumberByName(nullptr), 0);
}

TEST(FieldDescriptor, Ifn) {
  One d("IFN(LA, 'Russian', 'Other', 1, 7)");
  ASSERT_TRUE(d.status.ok()) << d.status.message();
  EXPECT_EQ(d.Value(), "");  // no selector
  // The selector is read as a decimal number: leading blanks, stops at a letter.
  const std::pair<const char*, const char*> cases[] = {
      {"7", "Russian"}, {"3", "Other"}, {" 01xyz", "Russian"}, {"-7", "Other"}, {"99999999999999999999", "Other"}};
  for (const auto& [selector, value] : cases) {
    d.src.Set("LA", selector);
    EXPECT_EQ(d.Value(), value) << selector;
  }

  // Numbers may come from fields or texts; a missing branch gives no value.
  One f("IFN(LA, TI, BOUND('', AU, ''), PY, '12') | 'no value'");
  ASSERT_TRUE(f.status.ok()) << f.status.message();
  f.src.Set("LA", "12");
  f.src.Set("TI", "twelve");
  EXPECT_EQ(f.Value(), "twelve");
  f.src.Set("LA", "5");
  EXPECT_EQ(f.Value(), "no value");
  f.src.Set("PY", "5");
  EXPECT_EQ(f.Value(), "twelve");
  One noNumbers("IFN(LA, 'a', 'b')");
  ASSERT_TRUE(noNumbers.status.ok());
  noNumbers.src.Set("LA", "1");
  EXPECT_EQ(noNumbers.Value(), "b");
}

TEST(FieldDescriptor, CompileErrors) {
  FakeSource src;
  const char* bad[] = {
      "X = XX", "X = SUBSTR(TI, 1)",  // unknown field, unknown function
      "X = BOUND ('(', TI, ')')",     // "BOUND" then "(": a word, not a function
      "X = (TI", "X = ((TI | AB)", "X = TI)", "X = TI AB", "X = TI 'a'",  // unbalanced, text left over
      "X = TI | ", "X = TI &", "X = | TI", "X = ()",                     // operand missing
      "X = 'open", "X = TI &'sep",                                       // literal without its end
      "X TI", "= TI", " = TI", "(Alias) = TI",                           // no "=", no name
      "X = ", "X = = \n\t\r\n",                                          // empty expression
      "X = BOUND('(', TI)", "X = IFN(LA)", "X = BOUND()",                // too few arguments
      "X = BOUND('(', TI, ')'", "X = BOUND('(',, ')')", "X = TI, AB",    // arguments not closed
      "X = TI|AB",                                                       // one word
  };
  FieldDescriptor fd;
  for (const char* text : bad) {
    Status s = fd.Compile(text, src);
    EXPECT_FALSE(s.ok()) << text;
    EXPECT_FALSE(s.message().empty());
  }
  // Failed definitions leave nothing behind: no definition, no nodes.
  EXPECT_EQ(fd.definitionCount(), 0);
  ASSERT_TRUE(fd.Compile("TI = TI", src).ok());
  EXPECT_EQ(fd.definitionCount(), 1);
  uint8_t nums[4];
  EXPECT_EQ(fd.SourceFieldsOf(1, nums, 4), 1);
}

TEST(FieldDescriptor, DefinitionAndNodeLimits) {
  FakeSource src;
  FieldDescriptor fd;
  for (int i = 0; i < FieldDescriptor::kMaxDefinitions; ++i) {
    ASSERT_TRUE(fd.Compile("F" + std::to_string(i) + " = TI", src).ok()) << i;
  }
  EXPECT_EQ(fd.Compile("F256 = TI", src).code(), Status::Code::Limit);
  EXPECT_EQ(fd.definitionCount(), 256);
  EXPECT_EQ(fd.NumberByName("f255"), 256);

  // 1024 nodes over all definitions: ten of 101 nodes, one of 14, then none more.
  auto alternations = [](int n) {
    std::string e = "TI";
    for (int i = 0; i < n; ++i) e += " | AB";
    return e;
  };
  FieldDescriptor nodes;
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(nodes.Compile("A = " + alternations(100), src).ok());
  EXPECT_EQ(nodes.Compile("B = " + alternations(14), src).code(), Status::Code::Limit);
  ASSERT_TRUE(nodes.Compile("B = " + alternations(13), src).ok());
  EXPECT_EQ(nodes.Compile("C = TI", src).code(), Status::Code::Limit);
  EXPECT_EQ(nodes.definitionCount(), 11);
  src.Set("AB", "b");
  EXPECT_STREQ(nodes.Evaluate(11, src), "b");
}

TEST(FieldDescriptor, StackWordAndLengthLimits) {
  // "TI | (TI | (... TI))": every level keeps one operand waiting.
  auto nested = [](int depth) {
    std::string e;
    for (int i = 0; i < depth; ++i) e += "TI | (";
    return e + "TI" + std::string(depth, ')');
  };
  EXPECT_TRUE(One(nested(63)).status.ok());
  EXPECT_EQ(One(nested(64)).status.code(), Status::Code::Limit);
  std::string deep = std::string(1000, '(') + "TI" + std::string(1000, ')');
  EXPECT_TRUE(One(deep).status.ok());  // parentheses alone keep nothing waiting

  std::string name127(127, 'N'), name128(128, 'N');
  FakeSource src({"TI", name127, name128});
  FieldDescriptor fd;
  EXPECT_TRUE(fd.Compile("X = " + name127, src).ok());
  EXPECT_EQ(fd.Compile("X = " + name128, src).code(), Status::Code::Limit);
  EXPECT_EQ(fd.Compile("X = " + std::string(200, 'Q') + "('a','b','c')", src).code(),
            Status::Code::Limit);

  std::string padded = "X = TI";
  padded += std::string(kMaxDefinitionLength - padded.size(), ' ');
  EXPECT_TRUE(fd.Compile(padded, src).ok());
  EXPECT_EQ(fd.Compile(padded + " ", src).code(), Status::Code::Limit);
}

TEST(FieldDescriptor, ResultBufferIsBoundedAndShared) {
  FakeSource src;
  FieldDescriptor fd;
  ASSERT_TRUE(fd.Compile("BIG = TI &'--' TI &'--' TI & BOUND('[', TI, ']')", src).ok());
  std::string ti(4000, 'a');
  ti[3999] = 'z';
  src.Set("TI", ti);
  std::string full = ti + "--" + ti + "--" + ti + "[" + ti + "]";
  const char* v = fd.Evaluate(1, src);
  ASSERT_NE(v, nullptr);
  ASSERT_EQ(std::strlen(v), FieldDescriptor::kResultSize - 1);
  EXPECT_EQ(std::string(v), full.substr(0, FieldDescriptor::kResultSize - 1));

  FieldDescriptor other;
  ASSERT_TRUE(other.Compile("T = 'short'", src).ok());
  EXPECT_EQ(other.Evaluate(1, src), v);  // one buffer for all descriptors
  EXPECT_STREQ(v, "short");
  EXPECT_EQ(other.Evaluate(2, src), nullptr);
  EXPECT_EQ(other.Evaluate(0, src), nullptr);
}

TEST(FieldDescriptor, SourceFieldsInNodeOrder) {
  FakeSource src;
  FieldDescriptor fd;
  ASSERT_TRUE(fd.Compile("AU = AU &'; ' KW", src).ok());
  ASSERT_TRUE(fd.Compile("TI = TI | AB | TI", src).ok());
  ASSERT_TRUE(fd.Compile("PY = BOUND('(', PY, ')')", src).ok());
  ASSERT_TRUE(fd.Compile("LIT = 'x' & 12", src).ok());
  // Sixteen number arguments: the argument count is not taken for a field.
  std::string manyArgs = "LA = IFN(LA, KW, AB";
  for (int i = 0; i < 16; ++i) manyArgs += ", " + std::to_string(i);
  ASSERT_TRUE(fd.Compile(manyArgs + ")", src).ok());

  auto fields = [&](int n) {
    uint8_t out[8] = {};
    return std::vector<int>(out, out + fd.SourceFieldsOf(n, out, 8));
  };
  EXPECT_EQ(fields(1), (std::vector<int>{src.No("AU"), src.No("KW")}));
  EXPECT_EQ(fields(2), (std::vector<int>{src.No("TI"), src.No("AB"), src.No("TI")}));
  EXPECT_EQ(fields(3), (std::vector<int>{src.No("PY")}));
  EXPECT_EQ(fields(4), (std::vector<int>{}));
  EXPECT_EQ(fields(5), (std::vector<int>{src.No("LA"), src.No("KW"), src.No("AB")}));
  EXPECT_EQ(fields(9), (std::vector<int>{}));

  uint8_t small[3] = {0, 0, 0xEE};
  EXPECT_EQ(fd.SourceFieldsOf(2, small, 2), 2);  // never more than the room given
  EXPECT_EQ(small[2], 0xEE);
  EXPECT_EQ(fd.SourceFieldsOf(2, small, 0), 0);
}

TEST(FieldDescriptor, ArbitraryTextNeverBreaksTheCompiler) {
  // Pieces of the language in random order: every text either compiles and evaluates or
  // fails with a message, never anything else (the sanitizer build watches memory).
  const char* pieces[] = {"TI", "ab", " ", "\n\t", "(", ")", "|", "&", "&'", "'", "''", ",", "=", "BOUND(",
                          "ifn(", "7", "00012", "\x01", "\xE0\xFF", "X", "%d"};
  FakeSource src;
  src.Set("TI", "12");
  src.Set("AB", "7");
  std::mt19937 rng(7);
  FieldDescriptor fd;
  int compiled = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text = rng() % 4 ? "X = " : "";
    for (int n = static_cast<int>(rng() % 24); n > 0; --n)
      text += pieces[rng() % std::size(pieces)];
    Status s = fd.Compile(text, src);
    if (s.ok()) {
      ++compiled;
      ASSERT_NE(fd.Evaluate(fd.definitionCount(), src), nullptr) << text;
    } else {
      EXPECT_FALSE(s.message().empty());
    }
    if (fd.definitionCount() == FieldDescriptor::kMaxDefinitions) fd = FieldDescriptor();
  }
  EXPECT_GT(compiled, 100);
}

}  // namespace
}  // namespace zrt
