// The dialect's own rules, which SQLite does not share: precedence, keyword letters, the
// LIKE rule, functions and their errors, dates, TO_CHAR, ROWNUM, start with, grouping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "fixture/fault_env.h"
#include "select_test_util.h"

using fixture::Ansi;
using selecttest::Result;
using selecttest::Select;

namespace {

class SelectQuirks : public ::testing::Test {
 protected:
  void SetUp() override {
    selecttest::WriteEdition(dir_ / "ed", {{"R1", Ansi("мир и война"), Ansi("Толстой"), "1869", "ru", "5"},
                                           {"R2", "Orders", "Austen", "1813", "en", "10"},
                                           {"R3", Ansi("Бесы"), Ansi("Достоевский"), "1872", "ru", "9"},
                                           {"R4", Ansi("Идиот"), Ansi("Достоевский"), "1869", "ru", ""},
                                           {"R5", "Emma", "Austen", "1815", "en", "10"},
                                           {"R6", Ansi("Анна"), Ansi("Толстой"), "1877", "ru", "3"}});
    ASSERT_EQ(ZRT_Open(h_, (dir_ / "ed").c_str(), nullptr), 0);
  }
  // Rows as one text: cells joined by "|", rows by ";" (UTF-8 literals in, 1251 out).
  std::string Rows(const std::string& statement) {
    Result r = Select(h_, Ansi(statement));
    if (!r.ok()) return "error " + std::to_string(r.cut) + "/" + std::to_string(r.parse) + "/" +
                        std::to_string(r.run);
    std::string out;
    for (const auto& row : r.rows) {
      for (size_t k = 0; k < row.size(); ++k) out += (k ? "|" : "") + row[k];
      out += ";";
    }
    return out;
  }
  fixture::TempDir dir_;
  fixture::Handle h_;
};

struct ValueCase {
  const char* expression;
  const char* expected;  // "!parse" or "!run" for a failure
};

TEST_F(SelectQuirks, ExpressionsOnTheFirstRow) {
  const ValueCase cases[] = {
      // Arithmetic levels bind in the dialect's order; / and % keep their kinds apart.
      {"2 + 3 * 4", "20"}, {"2 * 3 + 4", "14"}, {"1 << 1 + 1", "3"}, {"7 / 2", "3.5"},
      {"6 / 2", "3"}, {"7 % 2", "1"}, {"7.0 % 2", "!run"}, {"1 / 0", "!run"},
      {"5 - 2.5", "2.5"}, {"2.5 - 5", "-2.5"}, {"-N + 1", "-4"}, {".5 + 1", "1.5"},
      // Comparisons: a text against an integer is read as an integer.
      {"'10' < 9", "0"}, {"'10' < '9'", "1"}, {"PY = 1869", "1"}, {"PY < '2'", "1"},
      {"NOT (1 = 2)", "1"}, {"NOT 1 = 2", "!parse"}, {"'a' AND 1", "0"},
      // LIKE takes the first occurrence after a %, and never tries a later one.
      {"'abc' LIKE 'a%'", "1"}, {"'abc' LIKE '%c'", "1"}, {"'aab' LIKE '%ab'", "0"},
      {"'abc' LIKE 'a_c'", "1"}, {"'abc' LIKE '%_c'", "0"}, {"'abc' NOT LIKE 'x%'", "1"},
      {"5 LIKE 5", "0"},
      // NULL is the empty text; IS NOT NULL is 1, also for a Cyrillic first byte.
      {"NULL IS NULL", "1"}, {"AU IS NOT NULL", "1"}, {"AU IS NULL", "0"}, {"7 IS NULL", "0"},
      // Keyword letters: IS vanishes before anything but NULL; OR is taken from ORDERS.
      {"ISBN", ""}, {"ORDERS", "!parse"}, {"1234567890", ""}, {"COUNT (*)", "!parse"},
      {"ABCDEFGHIJKLMNOP", "!parse"}, {"FOO(1)", "!parse"}, {"'open", "!parse"},
      // Quantified lists: ALL through the complement.
      {"3 > ALL (1, 2)", "1"}, {"2 > ALL (1, 2)", "0"}, {"2 > ANY (1, 2)", "1"},
      {"2 = SOME (1, 3)", "0"}, {"5 IN (1, 5)", "1"}, {"5 NOT IN (1, 5)", "0"},
      {"5 BETWEEN 1 AND 9", "1"}, {"5 NOT BETWEEN 1 AND 9", "0"},
      // Text, bit and number functions.
      {"'a' || 'b'", "ab"}, {"1 || 2", "!run"}, {"6 & 3", "2"}, {"1 << 4", "16"}, {"~0", "-1"},
      {"PY & 1", "!run"}, {"GREATEST(-5, -3)", "-3"}, {"LEAST(2, 2.0) % 2", "!run"},
      {"LEAST('b', 3, 1)", "b"}, {"DECODE(2, 1, 'one', 'other')", "other"},
      {"DECODE(2, 1, 'one')", "!run"}, {"DECODE(1, 1, 'one')", "one"}, {"ROUND(2.5, 0)", "3"},
      {"ROUND(-2.5, 0)", "-3"}, {"ROUND(2.345, 2)", "2.35"}, {"TRUNC(2.79, 1)", "2.7"},
      {"INITCAP('мир и МИР')", "Мир И МИР"}, {"INITCAP(5)", "!run"}, {"POWER(2, 0)", "!run"},
      {"POWER(2, 10)", "1024"}, {"SUBSTR('abcdef', 2, 3)", "bcd"}, {"SUBSTR('abc', 9)", ""},
      {"SUBSTR('abc', 2, -1)", ""}, {"SUBSTR('a')", "!parse"}, {"INSTR('abcabc', 'bc', 1, 2)", "5"},
      {"INSTR('abc', 'x')", "0"}, {"LENGTH('мир')", "3"}, {"ASCII('я')", "-1"}, {"CHR(65)", "A"},
      {"UPPER('мир')", "МИР"}, {"LOWER('МИР')", "мир"}, {"LPAD('7', 3, '0')", "007"},
      {"RPAD('ab', 4, '.')", "ab.."}, {"LPAD('abcdef', 3)", "abc"}, {"LTRIM('xxab', 'x')", "ab"},
      {"RTRIM('ab  ')", "ab"}, {"REPLACE('aaa', 'aa', 'b')", "ba"}, {"TRANSLATE('abc', 'ab', 'x')", "xc"},
      {"TO_NUMBER('12.5') + 1", "13.5"}, {"TO_NUMBER(5)", "!run"}, {"NVL('', 'x')", "x"},
      {"NVL(0, 'x')", "0"}, {"MOD(7, 0)", "!run"}, {"MOD(7.9, 2)", "1"}, {"FLOOR(2.7)", "2"},
      {"CEIL(2.1)", "3"}, {"ABS(-2.5)", "2.5"}, {"ABS('-4')", "4"}, {"SIGN(-3)", "-1"},
      {"SQRT(-1)", "!run"}, {"LN(0)", "!run"}, {"LOG(1, 8)", "!run"}, {"LOG(2, 8)", "3"},
      {"CONCAT(PY, 'x')", "1869x"}, {"LENGTH()", "!parse"}, {"SYSDATE() IS NOT NULL", "1"},
      // TO_CHAR pictures: width digits + decimals + 1, S for a sign, 0 for zeros.
      {"TO_CHAR(3.14159, '99.99')", " 3.14"}, {"TO_CHAR(5, 'S099')", "+005"},
      {"TO_CHAR(-5, '999')", "  -5"}, {"TO_CHAR(5)", "5"}, {"TO_CHAR(5, 5)", "!run"},
      // Dates: day.month.year first, then year first, then month first; years 1000-9999
      // and two-digit years pivoting at 70.
      {"MONTHS_BETWEEN('15.03.2024', '20.01.2024')", "2"},
      {"MONTHS_BETWEEN('10.02.2024', '20.01.2024')", "0"},
      {"MONTHS_BETWEEN('2024-03-01', '01.01.1999')", "302"},
      {"MONTHS_BETWEEN('01.01.99', '01.01.69')", "-840"},
      {"MONTHS_BETWEEN('03/2024', '1.1.2024')", "2"}, {"MONTHS_BETWEEN('2024', '1.1.1024')", "12000"},
      {"MONTHS_BETWEEN('32.01.2024', '01.01.2024')", "!run"},
      {"MONTHS_BETWEEN('1.2.3.4', '01.01.2024')", "!run"}, {"MONTHS_BETWEEN(5, '1.1.2000')", "!run"},
      {"MONTHS_BETWEEN(SYSDATE(), '01.01.2020') > 70", "1"},
  };
  for (const ValueCase& c : cases) {
    Result r = Select(h_, Ansi(std::string("select ") + c.expression + " from db where rowid = 1"));
    std::string got = r.parse != 0 ? "!parse" : r.run != 0 ? "!run" : r.rows.size() == 1 ? r.rows[0][0] : "rows";
    EXPECT_EQ(got, Ansi(c.expected)) << c.expression;
  }
}

TEST_F(SelectQuirks, StatementsAndPasses) {
  const std::pair<const char*, const char*> cases[] = {
      {"select ID from db where rowid > 4", "R5;R6;"},
      {"select ID from db where 4 < rowid AND N > 5", "R5;"},
      {"select PY from db order by PY", "1813;1815;1869;1869;1872;1877;"},
      {"select N from db where rowid < 6 order by N", "10;10;5;9;;"},  // as text, "^" after digits
      {"select TI from db where ROWNUM <= 3", "мир и война;Orders;Бесы;"},
      {"select ID from db where ROWNUM <= 3 order by ID", "R1;R2;R3;R4;R5;R6;"},
      {"select ROWNUM, ID from db order by PY", "1|R2;2|R5;3|R1;4|R4;5|R3;6|R6;"},
      {"select ID from db start with PY = 1872", "R3;R4;R5;R6;"},
      {"select ID from db start with PY = 1", ""},
      {"select DISTINCT AU from db", "Толстой;Austen;Достоевский;"},
      {"select DISTINCT LA, AU a from db order by LA", "en|Austen;ru|Достоевский;ru|Толстой;"},
      {"select AU, COUNT(*) from db group by AU", "Толстой|2;Austen|2;Достоевский|2;"},
      {"select AU, COUNT(*) from db group by AU order by AU", "Austen|2;Достоевский|2;Толстой|2;"},
      {"select AU, MIN(PY) from db group by AU order by PY DESC", "error 0/-1/0"},
      {"select AU, MAX(PY) from db group by AU order by PY", "Austen|1815;Достоевский|1872;Толстой|1877;"},
      {"select LA, COUNT(DISTINCT AU), SUM(N) from db group by LA", "ru|2|17;en|1|20;"},
      {"select AU, MAX(PY) from db group by AU having MAX(PY) > 1870", "Толстой|1877;Достоевский|1872;"},
      {"select AU from db group by AU having COUNT(*) > 5", ""},
      {"select COUNT(DISTINCT AU), COUNT(*), COUNT(N) from db", "3|6|5;"},
      {"select AVG(N), AVG(PY), MIN(N), MAX(N) from db", "7.4|1852.5|3|10;"},
      {"select COUNT(*) from db where PY > 3000", "0;"},
      {"select COUNT(*) from db group by LA", "6;"},  // aggregates alone make one row
      {"select ID from db query Бесы OR Emma", "R3;R5;"},
      {"select ID from db query nothing", ""},
      {"select ID, PY from db where PY between 1814 and 1870 order by PY, ID", "R5|1815;R1|1869;R4|1869;"},
  };
  for (const auto& [statement, expected] : cases) EXPECT_EQ(Rows(statement), Ansi(expected)) << statement;
}

TEST_F(SelectQuirks, CuttingAndErrors) {
  char *from, *items, *cond, *order, *group, *having, *start;
  int32_t isQuery = -1;
  const char* params[] = {"TI", "5", nullptr};
  ASSERT_EQ(ZRT_Parse_FSelect("  select &1, &3x from db; where rowid < &2 order by PY", params, &from,
                              &items, &cond, &isQuery, &order, &group, &having, &start), 0);
  EXPECT_STREQ(items, " TI, x");
  EXPECT_STREQ(from, "db");
  EXPECT_STREQ(cond, "rowid < 5");
  EXPECT_STREQ(order, "PY");
  EXPECT_EQ(isQuery, 0);
  EXPECT_EQ(ZRT_Parse_FSelect("selec x from db", nullptr, &from, &items, &cond, &isQuery, &order,
                              &group, &having, &start), -1);
  EXPECT_EQ(ZRT_Parse_FSelect("select x", nullptr, &from, &items, &cond, &isQuery, &order, &group,
                              &having, &start), -2);

  ZRTSelect s{};
  EXPECT_EQ(ZRT_Parse_Select(h_, "TI", "", 0, "", "", "COUNT(*) > 1", "", &s), -5);
  EXPECT_EQ(s.errorClause, ZRT_SELECT_CLAUSE_HAVING);
  ZRT_Delete_Select(&s);
  Result r = Select(h_, "select TI from db where PY > > 3");
  EXPECT_EQ(r.errorKind, ZRT_SELECT_ERR_SYNTAX);
  EXPECT_EQ(r.errorClause, ZRT_SELECT_CLAUSE_CONDITION);
  EXPECT_EQ(r.errorPosition, 5);
  EXPECT_EQ(ZRT_ErrCode(h_), ZRT_ERR_SYNTAX);  // the handle's error state says the same
  EXPECT_STREQ(ZRT_ErrMsg(h_), "syntax error in the condition");
  EXPECT_EQ(ZRT_ErrOffset(h_), 5);
  r = Select(h_, "select TI, SUBSTR(TI) from db");
  EXPECT_EQ(r.errorKind, ZRT_SELECT_ERR_ARGUMENTS);
  EXPECT_EQ(r.errorClause, ZRT_SELECT_CLAUSE_ITEMS);
  EXPECT_EQ(r.errorPosition, 5);
  r = Select(h_, "select TI t, 'x' \"y\" from db");
  EXPECT_EQ(r.errorKind, ZRT_SELECT_ERR_SYNTAX);
  r = Select(h_, "select TI title, PY + 1 'next year' from db where rowid = 1");
  EXPECT_EQ(r.headings, (std::vector<std::string>{"title", "next year"}));
}

// Temporary trees go away after success, after a failed evaluation and on deletion.
TEST_F(SelectQuirks, TemporaryFilesAreRemovedOnEveryPath) {
  fixture::TempDir tmp;
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", tmp.path().c_str(), 1);
  auto files = [&] { return std::distance(std::filesystem::directory_iterator(tmp.path()), {}); };
  EXPECT_TRUE(Select(h_, "select AU, COUNT(*) from db group by AU order by AU").ok());
  EXPECT_EQ(files(), 0);
  Result failed = Select(h_, "select 1 / (PY - 1815) from db order by PY");
  EXPECT_EQ(failed.run, -1);
  EXPECT_EQ(files(), 0);
  ZRTSelect s{};
  ASSERT_EQ(ZRT_Parse_Select(h_, "AU, COUNT(DISTINCT LA)", "", 0, "LA", "AU", "", "", &s), 0);
  EXPECT_EQ(files(), 4);
  ZRT_Delete_Select(&s);
  EXPECT_EQ(files(), 0);
  if (old) setenv("TMPDIR", saved.c_str(), 1); else unsetenv("TMPDIR");
}

// A temporary tree that cannot be written is an error, not a silently shorter result.
TEST_F(SelectQuirks, FailedTreeWritesAreReported) {
  fixture::FaultEnv env;
  env.only = "zrtsel-";
  env.failWritesFrom = 1;
  Result r = Select(h_, "select AU from db order by PY");
  EXPECT_EQ(r.parse, -8);
  EXPECT_EQ(r.errorKind, 8);
  env.writesPerFile = true;
  env.failWritesFrom = 2;  // each tree's head is written, its pages are not
  EXPECT_EQ(Select(h_, "select AU, COUNT(*) from db group by AU order by PY").run, -1);
  EXPECT_EQ(Select(h_, "select ID from db order by PY").run, -1);
}

TEST(SelectConfig, FileAndUrls) {
  fixture::TempDir dir;
  std::string text = "Name Reference desk  \n  # comment\n   \n[Server]\nPort 8080 # listening port\n"
                     "port 1\n[Open\nKey\n";
  for (int k = 0; k < 130; ++k) text += "[Many]\nk" + std::to_string(k) + " v\n";
  fixture::WriteFile(dir / "a.cfg", text);
  ZRTCfg cfg{};
  EXPECT_EQ(ZRTOpenCfg((dir / "missing.cfg").c_str(), &cfg), 0);
  ASSERT_EQ(ZRTOpenCfg((dir / "a.cfg").c_str(), &cfg), 1);
  EXPECT_EQ(cfg.count, 128);
  EXPECT_EQ(cfg.dropped, 4 + 130 - 128);
  char out[32];
  std::memset(out, 'X', sizeof out);
  EXPECT_EQ(ZRTGetCfgStr(&cfg, "Server", "Port", out, nullptr), 1);
  EXPECT_STREQ(out, "8080");
  EXPECT_EQ(out[5], 'X');  // nothing past the value's NUL
  EXPECT_EQ(ZRTGetCfgStr(&cfg, "Server", "port", out, nullptr), 1);
  EXPECT_STREQ(out, "1");
  EXPECT_EQ(ZRTGetCfgStr(&cfg, "", "Name", out, nullptr), 1);
  EXPECT_STREQ(out, "Reference desk");
  EXPECT_EQ(ZRTGetCfgStr(&cfg, "Open\n", "Key", out, nullptr), 1);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(ZRTGetCfgStr(&cfg, "Many", "k123", out, "none"), 1);  // the 128th entry
  EXPECT_EQ(ZRTGetCfgStr(&cfg, "Many", "k124", out, "none"), 0);
  EXPECT_STREQ(out, "none");
  ZRTFreeCfg(&cfg);

  const std::pair<const char*, const char*> urls[] = {
      {"a+b%2Cc", "a b,c"}, {"%41%2c", "A,"}, {"50%", "50%"}, {"5%4", "5%4"}, {"%", "%"}, {"", ""}};
  for (const auto& [in, expected] : urls) {
    std::string copy = in;
    EXPECT_STREQ(unescape_url(copy.data()), expected) << in;
  }
  std::string q = "a b c";
  EXPECT_STREQ(escape_query(q.data()), "a+b+c");
}

}  // namespace

namespace {

// Many groups: every record its own author, as in a library's author report.
TEST(SelectGroups, TwentyThousandGroupsFitTheTrees) {
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < 20000; ++r)
    rows.push_back({"R" + std::to_string(r), "t", "Author " + std::to_string(20000 - r), "2000", "ru", "1"});
  fixture::TempDir dir;
  selecttest::WriteEdition(dir / "ed", rows);
  fixture::Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  Result r = Select(h, "select AU, COUNT(*), SUM(N) from db group by AU order by AU");
  ASSERT_TRUE(r.ok());
  ASSERT_EQ(r.rows.size(), 20000u);
  EXPECT_EQ(r.rows.front(), (std::vector<std::string>{"Author 10000", "1", "1"}));  // "0" < "^"
  EXPECT_TRUE(std::is_sorted(r.rows.begin(), r.rows.end(),
                             [](const auto& a, const auto& b) { return a[0] + "^" < b[0] + "^"; }));
}

}  // namespace
