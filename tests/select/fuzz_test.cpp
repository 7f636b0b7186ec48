// Damaged and hostile statements end with an error, never a crash or unbounded
// recursion. Bounded, so that it also runs in the sanitizer build.
#include <gtest/gtest.h>

#include <random>

#include "select_test_util.h"

using selecttest::Result;
using selecttest::Select;

namespace {

class SelectFuzz : public ::testing::Test {
 protected:
  void SetUp() override {
    selecttest::WriteEdition(dir_ / "ed", {{"R1", "a b", "X", "1990", "en", "5"},
                                           {"R2", "c", "Y", "2001", "ru", "7"}});
    ASSERT_EQ(ZRT_Open(h_, (dir_ / "ed").c_str(), nullptr), 0);
  }
  fixture::TempDir dir_;
  fixture::Handle h_;
};

TEST_F(SelectFuzz, RandomTokensAndMutations) {
  static const char* kTokens[] = {
      "select", "from", "db", "where ", "query ", "group by ", "having ", "order by ", "start with ",
      "AND", "OR", "NOT", "IN", "IS", "NULL", "LIKE", "BETWEEN", "ALL", "ANY", "SOME", "DISTINCT",
      "(", ")", ",", "=", "<", ">", "<=", ">=", "<>", "!=", "^=", "+", "-", "*", "/", "%", "||", "|",
      "&", "~", "<<", ">>", "'x'", "'", "''", "1", "0", "2.5", ".", "1234567890", "TI", "PY", "N",
      "rowid", "ROWNUM", "@0", "@9", "COUNT(", "SUM(", "AVG(", "MAX(", "SUBSTR(", "DECODE(",
      "TO_CHAR(", "MONTHS_BETWEEN(", "LPAD(", "INFUNC(", "BTWFUNC(", "SYSDATE(", "\xC0\xE1", " ", "&1"};
  std::mt19937 rng(17);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  const std::string valid[] = {"select TI, COUNT(*) from db where PY > 1 group by TI having COUNT(*) > 0 order by TI",
                               "select DISTINCT AU, SUM(N) from db query a start with rowid > 0",
                               "select LPAD(TI, N, '*'), DECODE(N, 5, 'a', 'b') from db order by PY"};
  for (int n = 0; n < 4000; ++n) {
    std::string s;
    if (n % 2 == 0) {
      s = "select ";
      for (int k = 0, count = 1 + pick(30); k < count; ++k) s += std::string(kTokens[pick(std::size(kTokens))]) + (pick(2) ? " " : "");
    } else {
      s = valid[pick(3)];
      for (int k = 0, count = 1 + pick(4); k < count; ++k) {
        size_t at = static_cast<size_t>(pick(static_cast<int>(s.size())));
        if (pick(2)) s[at] = static_cast<char>(pick(256) | 1);
        else s.insert(at, kTokens[pick(std::size(kTokens))]);
      }
    }
    Result r = Select(h_, s, {"'p'"});
    if (r.cut == 0 && r.parse != 0) {
      EXPECT_GE(r.errorKind, 1) << s;
      EXPECT_LE(r.errorKind, 9) << s;
    }
  }
}

TEST_F(SelectFuzz, HostileSizes) {
  std::string list;
  for (int k = 0; k < 10000; ++k) list += (k ? "," : "") + std::to_string(k);
  Result r = Select(h_, "select TI from db where N IN (" + list + ")");
  EXPECT_EQ(r.errorKind, ZRT_SELECT_ERR_ARGUMENTS);
  r = Select(h_, "select " + list + " from db");
  EXPECT_EQ(r.errorKind, ZRT_SELECT_ERR_ROOM);
  r = Select(h_, "select GREATEST(" + list + ") from db");
  EXPECT_EQ(r.errorKind, ZRT_SELECT_ERR_ARGUMENTS);
  std::string sum = "1";
  for (int k = 0; k < 100000; ++k) sum += "+1";
  EXPECT_EQ(Select(h_, "select " + sum + " from db").errorKind, ZRT_SELECT_ERR_ROOM);
  for (const char* open : {"(", "ABS(", "-(", "NOT ("}) {
    std::string deep;
    for (int k = 0; k < 100000; ++k) deep += open;
    r = Select(h_, "select TI from db where " + deep + "1");
    EXPECT_EQ(r.errorKind, ZRT_SELECT_ERR_SYNTAX) << open;
  }
  std::string nested = "1";
  for (int k = 0; k < 60; ++k) nested = "(" + nested + ")";
  r = Select(h_, "select " + nested + " from db where rowid = 1");
  EXPECT_TRUE(r.ok());  // reasonable nesting stays allowed
  std::string literal(1 << 20, 'q');
  r = Select(h_, "select '" + literal + "', LENGTH('" + literal + "') from db where rowid = 2");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.rows, (selecttest::Rows{{literal, "1048576"}}));
  r = Select(h_, "select TI from db where TI = '" + literal);
  EXPECT_EQ(r.errorKind, ZRT_SELECT_ERR_SYNTAX);
  EXPECT_EQ(r.errorPosition, 5);
  EXPECT_EQ(Select(h_, "select LPAD('a', 200000000 * 10) from db").run, -1);
  EXPECT_EQ(Select(h_, "select TO_CHAR(1, '" + std::string(5000, '9') + "') from db").run, -1);
}

}  // namespace
