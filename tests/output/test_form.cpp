#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "fixture/scratch.h"
#include "output/form.h"
#include "output/form_value.h"

namespace {

using zrt::FormEnv;
using zrt::kFormInteger;
using zrt::kFormString;

// A resolver over a table of names; it records every call it gets.
struct FakeResolver {
  struct Call {
    std::string name;
    std::vector<std::string> args;  // each argument as the resolver can read it
  };
  std::map<std::string, std::string> strings;
  std::map<std::string, int32_t> integers;
  std::vector<Call> calls;
  const char* nextRaw = nullptr;  // when set, returned as a string of that pointer
  int32_t badKind = 0;            // when set, reported as the kind

  // Arguments are read as integers except for the names listed here.
  std::map<std::string, std::vector<bool>> stringArgs;

  static intptr_t Resolve(void* ctx, const char* name, int32_t* kind, const intptr_t* args,
                          int32_t count) {
    auto* self = static_cast<FakeResolver*>(ctx);
    Call call{name, {}};
    const std::vector<bool>& isString = self->stringArgs[name];
    for (int32_t i = 0; i < count; ++i) {
      bool s = static_cast<size_t>(i) < isString.size() && isString[static_cast<size_t>(i)];
      call.args.push_back(s ? std::string(reinterpret_cast<const char*>(args[i]))
                            : std::to_string(args[i]));
    }
    self->calls.push_back(call);
    if (self->badKind) {
      *kind = self->badKind;
      return 0;
    }
    if (self->nextRaw) {
      *kind = kFormString;
      return reinterpret_cast<intptr_t>(self->nextRaw);
    }
    if (auto it = self->integers.find(name); it != self->integers.end()) {
      *kind = kFormInteger;
      return it->second;
    }
    *kind = kFormString;
    auto it = self->strings.find(name);
    return reinterpret_cast<intptr_t>(it == self->strings.end() ? "" : it->second.c_str());
  }
};

class FormTest : public ::testing::Test {
 protected:
  FormEnv Env() {
    FormEnv env;
    env.context = &resolver_;
    env.resolver = FakeResolver::Resolve;
    env.loopVars = loops_;
    return env;
  }
  std::string Expand(std::string_view form, size_t room = 1 << 20) {
    return zrt::ExpandForm(form, Env(), -1, room);
  }
  // The value of an expression as Insert and Replace write it ("" when it fails).
  std::string Value(const std::string& expr) {
    auto v = zrt::EvaluateFormExpression(expr, Env());
    return v ? v->AsText() : "";
  }
  bool Fails(const std::string& expr) { return !zrt::EvaluateFormExpression(expr, Env()); }
  // Pairs of (expression, value); a null value: the expression fails.
  using Cases = std::vector<std::pair<std::string, const char*>>;
  void ExpectValues(const Cases& cases) {
    for (const auto& [expr, want] : cases) {
      if (want) EXPECT_EQ(Value(expr), want) << expr;
      else EXPECT_TRUE(Fails(expr)) << expr;
    }
  }
  void ExpectForms(const std::vector<std::pair<std::string, std::string>>& cases) {
    for (const auto& [form, want] : cases) EXPECT_EQ(Expand(form), want) << form;
  }

  FakeResolver resolver_;
  std::vector<int32_t> loops_ = std::vector<int32_t>(16, 0);
};

// ---- Directives ----------------------------------------------------------------------

TEST_F(FormTest, DirectivesExpand) {
  ExpectForms({
      // Text without directives, and directives that never start, are copied.
      {"", ""}, {"{\\rtf1 plain text}", "{\\rtf1 plain text}"}, {"cost $", "cost $"}, {"$$*1*", "$$*1*"},
      {"$x$", "$x$"},
      // Insert and Replace; the Insert directive ends at the first '*', the rest is text.
      {"[$*2+3*]", "[5]"}, {"$*\"a\"+'b'*", "ab"}, {"[$*1+\"a\"*]", "[]"}, {"$*7%3*", "1"}, {"[$*7/0*]", "[]"},
      {"$*2*3*", "23*"}, {"<$#6*7#sample text$##>", "<42>"}, {"<$#1/0#sample$##>", "<>"},
      {"$#1#a$#2#b$##c$##d", "1d"},  // nested Replace blocks pair with their own end markers
      {"a$**b$##c$@@d$!!e${}f$[]g", "abcdefg"},  // empty directives vanish
      // If and Unless, nested.
      {"$@0@body$@@after", "after"}, {"$@1@body$@@after", "bodyafter"}, {"$@\"\"@body$@@after", "after"},
      {"$@\"x\"@body$@@after", "bodyafter"}, {"$@1/0@body$@@after", "after"}, {"$!0!body$!!after", "bodyafter"},
      {"$!1!body$!!after", "after"}, {"$!1/0!body$!!after", "bodyafter"}, {"$@1@a$@0@b$@@c$@@d", "acd"},
      {"$@0@a$@1@b$@@c$@@d", "d"}, {"$@1@a$!0!b$@0@x$@@c$!!d$@@e", "abcde"},
      // Loops: a range text, for(), no '-' (the one counter), no number (counter 0).
      {"${\"1-3\"}x${}.", "xxx."}, {"${\"3-1\"}x${}.", "."}, {"${for(1,3,1)}<$*_LV0*>${}", "<1><2><3>"},
      {"$[for(0-1,1,1)]$*_i0*,$[]", "-1,0,1,"}, {"${\"-3-2\"}$*_LV0*${}", "-3-2-1012"},
      {"${\"5\"}$*_LV0*${}", "5"}, {"${\"x\"}$*_LV0*${}", "0"}, {"${7}$*_LV0*${}", "7"},
      {"${\"\"}body${}.", "body."}, {"${1/0}body${}.", "body."},  // no range: the body once in place
      {"${for(1,4,2)}x${}", "xxxx"},  // the step of for() does not change the loop's step of 1
      // Undelimited directives are text; an expression has at most 256 bytes.
      {"a$*1+2", "a$*1+2"}, {"$@1@body without end", "$@1@body without end"}, {"${\"1-2\"}x$@@", "${\"1-2\"}x"},
      {"$*" + std::string(257, '1') + "*", "$*" + std::string(257, '1') + "*"},
      {"$*0" + std::string(255, ' ') + "*", "0"},
  });
}

TEST_F(FormTest, NestedLoopsUseOneElementPerDepth) {
  ExpectForms({{"${for(1,2,1)}${for(1,3,1)}$*_LV0*$*_i1*,${}${}", "11,12,13,21,22,23,"},
               {"$[for(1,2,1)]${for(1,2,1)}$[for(5,5,1)]$*_i0+_i1+_i2*,$[]${}$[]", "7,8,8,9,"}});
  EXPECT_EQ(loops_[0], 2);
  EXPECT_EQ(loops_[1], 2);
  // A caller inside a loop of its own starts deeper.
  loops_[0] = 0;
  EXPECT_EQ(zrt::ExpandForm("${for(4,4,1)}$*_LV0*:$*_LV3*${}", Env(), 2), "0:4");
  // Loops beyond the caller's array run once.
  loops_.assign(2, 0);
  EXPECT_EQ(Expand("${\"1-2\"}${\"1-2\"}${\"1-3\"}x${}${}${}"), "xxxx");
  loops_.clear();
  ExpectForms({{"${\"1-3\"}x${}", "x"}, {"[$*_LV0*]", "[]"}});
}

TEST_F(FormTest, DirectivesEndWithTheStretch) {
  // A closing byte beyond the stretch: the directive's two bytes and the rest as text.
  std::string form = "ab$*1+2*cd";
  char out[32];
  size_t n = zrt::ExpandForm(form, 0, 6, Env(), -1, out, sizeof out);
  EXPECT_EQ(std::string(out, n), "ab$*1+");
  n = zrt::ExpandForm(form, 2, form.size(), Env(), -1, out, sizeof out);
  EXPECT_EQ(std::string(out, n), "3cd");
  // An end marker beyond the stretch is not found.
  std::string block = "$@1@x$@@";
  n = zrt::ExpandForm(block, 0, 7, Env(), -1, out, sizeof out);
  EXPECT_EQ(std::string(out, n), "$@1@x$@");
  EXPECT_EQ(zrt::ExpandForm(block, 5, 3, Env(), -1, out, sizeof out), 0u);
}

// ---- Expressions -----------------------------------------------------------------------

TEST_F(FormTest, Operators) {
  ExpectValues({
      {"1+2*3", "7"}, {"(1+2)*3", "9"}, {"10-4-3", "3"}, {"0-7/2", "-3"}, {"(0-7)/2", "-3"}, {"(0-7)%3", "-1"},
      {"7%(0-3)", "1"}, {"2147483647+1", "-2147483648"}, {"(0-2147483647-1)/(0-1)", "-2147483648"},
      {"(0-2147483647-1)%(0-1)", "0"}, {"65536*65536", "0"}, {"1||0", "1"}, {"0||0", "0"}, {"2&&\"x\"", "1"},
      {"2&&\"\"", "0"}, {"1||0&&0", "0"},  // same precedence, from the left
      {"!0", "1"}, {"!\"a\"", "0"}, {"!1==2", "1"}, {"!(!0)", "0"},  // "!" applies to a comparison
      {"!!1", nullptr}, {"0-", nullptr}, {"-5", nullptr}, {"(1", nullptr}, {"1)", nullptr}, {"1 2", nullptr},
      {"", nullptr},  // no unary minus
  });
}

TEST_F(FormTest, ComparisonsAndKinds) {
  ExpectValues({
      {"1<2", "1"}, {"2<=2", "1"}, {"3>2", "1"}, {"2>=3", "0"}, {"2==2", "1"}, {"2!=2", "0"},
      {"1<2<1", "0"},  // (1 < 2) < 1
      {"'abc'=='abc'", "1"}, {"'abc'<'abd'", "1"}, {"'\xC0'>'z'", "1"},  // bytes compare unsigned
      {"'a'!='a'", "0"}, {"'a'!='b'", "-1"}, {"'b'!='a'", "1"}, {"'ab'+'cd'", "abcd"},
      {"1=='1'", nullptr}, {"'a'<1", nullptr}, {"'a'-'a'", nullptr}, {"'a'*2", nullptr}, {"2%'a'", nullptr},
      {"5%0", nullptr},
  });
}

TEST_F(FormTest, Tokens) {
  resolver_.integers[std::string(31, 'n')] = 5;
  const std::string x127(127, 'x');
  ExpectValues({
      {"\t1\r\n+ 2", "3"}, {"'a\\n\\t\\r\\\"\\'\\qb'", "a\n\t\r\"\"qb"}, {"'mixed\"", "mixed"},
      {"2147483647", "2147483647"}, {"00000000042", "42"}, {"000000000042", nullptr},  // 11 digits, 12
      {"2147483648", nullptr}, {"1=1", nullptr}, {"1&1", nullptr}, {"1|1", nullptr}, {"'open", nullptr},
      {"'end\\", nullptr}, {"\xC0", nullptr}, {"a$b", nullptr},
      {"'" + x127 + "'", x127.c_str()}, {"'" + x127 + "x'", nullptr}, {"'" + x127 + "\\n'", nullptr},
      {std::string(31, 'n'), "5"}, {std::string(32, 'n'), nullptr},
  });
}

TEST_F(FormTest, PendingValuesAreBounded) {
  auto nested = [](int levels) {
    std::string e;
    for (int i = 0; i < levels; ++i) e += "1+(";
    e += "1";
    e += std::string(static_cast<size_t>(levels), ')');
    return e;
  };
  EXPECT_EQ(Value(nested(30)), "31");
  EXPECT_TRUE(Fails(nested(60)));
  std::string args = "f(1";
  for (int i = 0; i < 31; ++i) args += ",1";
  EXPECT_FALSE(Fails(args + ")"));  // 32 arguments
  EXPECT_TRUE(Fails(args + ",1)"));
}

TEST_F(FormTest, LoopVariablesNeverReachTheResolver) {
  loops_[0] = 11;
  loops_[3] = 44;
  EXPECT_EQ(Value("_LV0+_i3"), "55");
  EXPECT_EQ(Value("_i"), "11");  // no digits: element 0
  EXPECT_EQ(Value("_LV03"), "44");
  EXPECT_TRUE(Fails("_LV16"));  // beyond the caller's array
  EXPECT_TRUE(Fails("_i99999999999999999999"));
  EXPECT_TRUE(resolver_.calls.empty());
}

// ---- Resolver ----------------------------------------------------------------------------

TEST_F(FormTest, ResolverGetsNamesAndArguments) {
  resolver_.strings["rec_TI"] = "Title";
  resolver_.integers["env_icount"] = 20;
  resolver_.stringArgs["look"] = {true, false};
  EXPECT_EQ(Expand("$*rec_TI*/$*env_icount+1*/$*missing*."), "Title/21/.");
  EXPECT_EQ(Expand("$#look('a'+'b';2*3)#$##"), "");
  ASSERT_EQ(resolver_.calls.size(), 4u);
  EXPECT_EQ(resolver_.calls[0].name, "rec_TI");
  EXPECT_TRUE(resolver_.calls[0].args.empty());
  EXPECT_EQ(resolver_.calls[3].name, "look");
  EXPECT_EQ(resolver_.calls[3].args, (std::vector<std::string>{"ab", "6"}));
  resolver_.calls.clear();
  EXPECT_EQ(Value("FOR(1,2,3)"), "");  // built-in names are case-sensitive
  EXPECT_EQ(resolver_.calls.at(0).name, "FOR");
}

TEST_F(FormTest, ResolverAnswersAreChecked) {
  resolver_.badKind = 3;
  EXPECT_TRUE(Fails("x"));
  resolver_.badKind = 0;
  resolver_.nextRaw = nullptr;
  std::string huge(50000, 'h');
  resolver_.nextRaw = huge.c_str();
  EXPECT_EQ(Value("x").size(), zrt::form_limits::kValue);
  EXPECT_EQ(Value("x+x").size(), zrt::form_limits::kValue);
  FormEnv none;
  EXPECT_FALSE(zrt::EvaluateFormExpression("x", none));
  EXPECT_FALSE(zrt::EvaluateFormExpression("f(1)", none));
  EXPECT_EQ(zrt::EvaluateFormExpression("chr(66)", none)->text, "B");
}

// ---- Built-in functions ------------------------------------------------------------------

TEST_F(FormTest, BuiltInFunctions) {
  ExpectValues({
      {"for(1,10,2)", "1-10-2"}, {"for(0-2147483647-1,2147483647,0-1)", "-2147483648-2147483647--1"},
      {"for(1,2)", nullptr}, {"for(1,'2',3)", nullptr},
      {"chr(65)+chr(322)", "AB"}, {"chr(0)", ""}, {"chr('A')", nullptr},
      {"asc('A')", "65"}, {"asc('\xC0')", "192"}, {"asc('')", "0"}, {"asc()", "0"}, {"asc(65)", nullptr},
      {"atoi('42abc')", "42"}, {"atoi('  -7')", "-7"}, {"atoi('x1')", "0"}, {"atoi('')+atoi()", "0"},
      {"atoi('99999999999999999999')", "2147483647"}, {"atoi('-99999999999999999999')", "-2147483648"},
      {"if('','yes','no')", "no"}, {"if('x','yes','no')", "yes"}, {"if(0,1,'no')", "no"},
      {"if(1,2,'no')+3", "5"},  // the chosen value keeps its kind
      {"if(1,2)", nullptr}, {"switch(2,1,'one',2,'two','other')", "two"}, {"switch(5,1,'one','other')", "other"},
      {"switch('b','a',1,'b',2,3)", "2"}, {"switch(1,'1','str',1,'int','none')", "int"},  // kinds must agree
      {"switch(3,1,'one',3)", "3"}, {"switch(1,1,'one',3)", "one"},  // odd: the last result doubles as default
      {"switch(9)", "9"}, {"switch()", nullptr},
      {"putenv('ZRT_FORM_TEST=value 1')", "0"}, {"getenv('ZRT_FORM_TEST')", "value 1"},
      {"putenv('ZRT_FORM_TEST=')", "0"}, {"getenv('ZRT_FORM_TEST')", ""}, {"getenv('ZRT_FORM_TEST_UNSET_NAME')", ""},
      {"putenv('no equals sign')", "-1"}, {"putenv('=value')", "-1"}, {"getenv(1)", nullptr},
      {"putenv(1)", nullptr},
  });
  EXPECT_EQ(Value("putenv('ZRT_FORM_TEST=value 2')"), "0");
  EXPECT_STREQ(std::getenv("ZRT_FORM_TEST"), "value 2");
}

TEST_F(FormTest, IncludeReadsBytesBounded) {
  fixture::TempDir dir("zrt_form");
  auto write = [&](const std::string& name, const std::string& content) { return dir.Write(name, content); };
  std::string small = write("small.txt", "line 1\r\n$*1+1*\xC0");
  EXPECT_EQ(Value("include('" + small + "')"), "line 1\r\n$*1+1*\xC0");  // not expanded
  std::string big = write("big.txt", std::string(100000, 'b'));
  EXPECT_EQ(Value("include('" + big + "')").size(), zrt::form_limits::kValue);
  std::string nul = write("nul.txt", std::string("ab\0cd", 5));
  EXPECT_EQ(Value("include('" + nul + "')"), "ab");
  EXPECT_EQ(Value("include('" + dir / "missing.txt" + "')"), "");
  EXPECT_EQ(Value("include('" + dir.path().string() + "')"), "");
  EXPECT_TRUE(Fails("include(1)"));
  // A form that includes itself gets its own text once: included text is never expanded.
  std::string self = dir / "self.tpl";
  write("self.tpl", "<$*include('" + self + "')*>");
  std::string form = "<$*include('" + self + "')*>";
  EXPECT_EQ(Expand(form), "<" + form + ">");
}

// ---- printf --------------------------------------------------------------------------

TEST_F(FormTest, PrintfConversionsAndHostileFormats) {
  ExpectValues({
      {"printf('%d-%s', 5, 'x')", "5-x"},
      {"printf('[%5d|%-5s|%05d|%x|%X|%o|%c|%%|%+d|%.2s]', 42, 'ab', 7, 255, 255, 8, 65, 3, 'xyz')",
       "[   42|ab   |00007|ff|FF|10|A|%|+3|xy]"},
      {"printf('%i %u', 1, 0-1)", "1 4294967295"}, {"printf('no conversions')", "no conversions"},
      {"printf('%ld %hd %lld', 1, 2, 3)", "1 2 3"},
      {"printf('%#x %#s % s %+s %0s', 255, 'a', 'b', 'c', 'd')", "0xff a b c d"},
      {"printf('a%cb', 0)", "a"},   // the byte 0 ends the text
      {"printf('%d', 1, 2)", "1"},  // extra values are ignored
      {"printf('%d',1,2,3,4,5,6,7,8,9,10)", "1"}, {"printf('%d',1,2,3,4,5,6,7,8,9,10,11)", nullptr},
      {"printf('%s', 1)", nullptr}, {"printf('%d', 'a')", nullptr}, {"printf('%c', 'a')", nullptr},
      {"printf('%n', 1)", nullptr}, {"printf('%p', 1)", nullptr}, {"printf('%f', 1)", nullptr},
      {"printf('%Lf', 1)", nullptr}, {"printf('%*d', 5, 1)", nullptr}, {"printf('%d %d', 1)", nullptr},
      {"printf('%s%s%s%s')", nullptr}, {"printf('100%')", nullptr}, {"printf('%5')", nullptr},
      {"printf(5)", nullptr}, {"printf()", nullptr},
  });
}

TEST_F(FormTest, PrintfResultIsBounded) {
  EXPECT_EQ(Value("printf('%999999999999d', 1)").size(), zrt::form_limits::kPrintf);
  EXPECT_EQ(Value("printf('%.999999999d', 1)").size(), zrt::form_limits::kPrintf);
  EXPECT_EQ(Value("printf('%300s%300s', 'a', 'b')").size(), zrt::form_limits::kPrintf);
  resolver_.strings["long"] = std::string(30000, 'L');
  EXPECT_EQ(Value("printf('%s', long)").size(), zrt::form_limits::kPrintf);
  EXPECT_EQ(Value("printf('%.3s', long)"), "LLL");
}

// ---- Bounds --------------------------------------------------------------------------------

TEST_F(FormTest, OutputIsCutAtTheRoom) {
  const char kGuard = '\x7E';
  for (size_t room : {0u, 1u, 5u, 9u}) {
    std::vector<char> buf(room + 8, kGuard);
    size_t n = zrt::ExpandForm("hello $*'wor'+'ld'*${for(1,100,1)}x${}", 0, 40, Env(), -1,
                               buf.data(), room);
    EXPECT_EQ(n, room);
    EXPECT_EQ(std::string(buf.data(), n), std::string("hello world").substr(0, room));
    for (size_t i = room; i < buf.size(); ++i) EXPECT_EQ(buf[i], kGuard);
  }
  resolver_.strings["field"] = std::string(39999, 'f');
  EXPECT_EQ(Expand("${for(1,2000000000,1)}$*field*${}", 100000).size(), 100000u);
}

TEST_F(FormTest, RunawayLoopsStop) {
  // An empty body over two billion counters, and loops nested ten deep: the expansion
  // stops after its budget of steps instead of running for hours.
  EXPECT_EQ(Expand("${for(1,2000000000,1)}${}done"), "");
  std::string nested;
  for (int i = 0; i < 10; ++i) nested += "${for(1,100,1)}";
  for (int i = 0; i < 10; ++i) nested += "${}";
  EXPECT_EQ(Expand(nested + "end"), "");
}

TEST_F(FormTest, DeepLoopNestingIsBounded) {
  loops_.assign(1000, 0);
  std::string form;
  for (int i = 0; i < 100; ++i) form += "${for(1,1,1)}";
  form += "$*_LV63*$*_LV64*";
  for (int i = 0; i < 100; ++i) form += "${}";
  // 64 levels repeat; deeper ones expand in place; _LV64 is never written by a loop.
  EXPECT_EQ(Expand(form), "10");
}

TEST_F(FormTest, RandomFormsNeverBreakBounds) {
  std::mt19937 rng(5);
  const std::string alphabet = "$$$$*#@!{}[]()+-/%<>=&|,;'\"\\_LVi0129 abxf()";
  const char* fragments[] = {"for(1,3,1)", "printf('%d%s',", "switch(", "if(", "chr(", "asc(", "atoi(", "_LV0",
                             "_i1", "'str'", "rec_TI", "${", "${}", "$@", "$@@", "$#", "$##", "$*", "$!", "$!!",
                             "$[", "$[]"};
  resolver_.strings["rec_TI"] = "title";
  for (int round = 0; round < 4000; ++round) {
    std::string form;
    size_t parts = std::uniform_int_distribution<size_t>(0, 30)(rng);
    for (size_t i = 0; i < parts; ++i) {
      if (rng() % 3 == 0) {
        form += fragments[rng() % (sizeof fragments / sizeof *fragments)];
      } else {
        form += alphabet[rng() % alphabet.size()];
      }
    }
    size_t room = rng() % 200;
    std::vector<char> buf(room + 4, 'G');
    size_t n = zrt::ExpandForm(form, 0, form.size(), Env(), -1, buf.data(), room);
    ASSERT_LE(n, room) << form;
    for (size_t i = room; i < buf.size(); ++i) ASSERT_EQ(buf[i], 'G') << form;
  }
}

}  // namespace
