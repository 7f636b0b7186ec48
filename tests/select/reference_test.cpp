// The select engine against SQLite in memory on the same rows: a few thousand generated
// statements of the subset whose meaning both share must give the same rows, and the
// dialect's rows must come in its own order (keys of the order values, each followed by
// "^", compared as bytes, so 10 sorts before 9).
//
// What the subset leaves out, and why:
// - Mixed arithmetic without parentheses: the dialect binds + tighter than *.
// - "/" and "%": the dialect divides in floating point and SQLite in integers.
// - Text columns against numbers and numeric columns against texts: SQLite orders every
//   text after every number, the dialect reads the text as a number.
// - NULL: the dialect has none (an absent field is the empty text), so every generated
//   field is present.
// - LIKE patterns with a "%" before a letter that repeats: the dialect's LIKE jumps to
//   the first occurrence only; patterns here are a prefix (with "_" in it) and a "%".
// - MIN, MAX and AVG over no rows: SQLite gives NULL, the dialect its start values; the
//   global aggregates here are COUNT(*) and SUM, compared with SQLite's TOTAL.
// - The order of rows with equal keys and of groups without an order list: the
//   dialect files them in key trees, so rows are compared as multisets and only the
//   keys' order is checked.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "select_test_util.h"

using fixture::Ansi;
using selecttest::Rows;

namespace {

const char* kWords[] = {"мир", "война", "дом", "сад", "река", "город", "лес", "море",
                        "alpha", "beta", "gamma", "delta", "omega", "Север", "Юг"};
const char* kAuthors[] = {"Иванов", "Петров", "Smith", "Jones", "Сидоров", "Adams",
                          "Бунин", "Chekhov"};
const char* kLanguages[] = {"ru", "en", "de"};

struct Generated {
  std::string dialect, sqlite;  // UTF-8
  size_t orderColumns = 0;      // leading items that the dialect orders by
};

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  template <typename T, size_t N>
  const char* Any(T (&list)[N]) { return list[Pick(static_cast<int>(N))]; }

  // A condition as (dialect, SQLite) texts.
  std::pair<std::string, std::string> Condition(int depth) {
    static const char* kOps[] = {"=", "<", "<=", ">", ">=", "<>"};
    int kind = depth > 2 ? Pick(5) : Pick(8);
    std::string a;
    switch (kind) {
      case 0: a = std::string(Pick(2) ? "PY " : "N ") + Any(kOps) + " " +
                  std::to_string(Pick(2) ? 1950 + Pick(71) : Pick(100)); break;
      case 1: {
        const char* column = Any(kTextColumns);
        a = std::string(column) + " " + Any(kOps) + " '" + TextConstant(column) + "'";
        break;
      }
      case 2: a = std::string("N ") + (Pick(2) ? "NOT IN" : "IN") + " (" + std::to_string(Pick(100)) +
                  ", " + std::to_string(Pick(100)) + ", " + std::to_string(Pick(100)) + ")"; break;
      case 3: {
        int low = 1950 + Pick(71);
        a = std::string("PY ") + (Pick(2) ? "NOT BETWEEN " : "BETWEEN ") + std::to_string(low) +
            " AND " + std::to_string(low + Pick(30));
        break;
      }
      case 4: {
        const char* column = Pick(2) ? "AU" : "TI";
        std::string prefix = Utf8Prefix(TextConstant(column), 1 + Pick(3));
        std::string like = prefix, glob = prefix;
        if (Pick(3) == 0 && !prefix.empty()) {  // one "_" for the first character
          size_t first = (static_cast<unsigned char>(prefix[0]) >= 0x80) ? 2 : 1;
          like = "_" + prefix.substr(first);
          glob = "?" + prefix.substr(first);
        }
        bool negate = Pick(4) == 0;
        return {"(" + std::string(column) + (negate ? " NOT LIKE '" : " LIKE '") + like + "%')",
                "(" + std::string(column) + (negate ? " NOT GLOB '" : " GLOB '") + glob + "*')"};
      }
      case 5: case 6: {
        auto l = Condition(depth + 1), r = Condition(depth + 1);
        const char* op = kind == 5 ? " AND " : " OR ";
        return {"(" + l.first + op + r.first + ")", "(" + l.second + op + r.second + ")"};
      }
      default: {
        auto c = Condition(depth + 1);
        return {"NOT (" + c.first + ")", "NOT (" + c.second + ")"};
      }
    }
    return {"(" + a + ")", "(" + a + ")"};
  }

  Generated Statement() {
    auto [dc, sc] = Condition(0);
    std::string where = " from db where " + dc, swhere = " from db where " + sc;
    static const char* kGroups[] = {"AU", "LA", "PY"};
    Generated g;
    switch (Pick(4)) {
      case 0: {  // projection, ordered by its leading items
        static const char* kItems[] = {"ID", "TI", "AU", "PY", "LA", "N", "(N + PY)", "(PY - (N * 2))"};
        std::vector<std::string> items;
        int count = 1 + Pick(3);
        for (int k = 0; k < count; ++k) items.push_back(Any(kItems));
        g.orderColumns = static_cast<size_t>(Pick(count + 1));
        std::string list, order;
        for (size_t k = 0; k < items.size(); ++k) list += (k ? ", " : "") + items[k];
        for (size_t k = 0; k < g.orderColumns; ++k) order += (k ? ", " : "") + items[k];
        g.dialect = "select " + list + ", ID" + where + (order.empty() ? "" : " order by " + order);
        g.sqlite = "select " + list + ", ID" + swhere;
        break;
      }
      case 1: {
        const char* a = Any(kGroups);
        const char* b = Pick(2) ? "LA" : "AU";
        bool ordered = Pick(2);
        g.orderColumns = ordered ? 1 : 0;
        g.dialect = std::string("select distinct ") + a + ", " + b + where + (ordered ? std::string(" order by ") + a : "");
        g.sqlite = std::string("select distinct ") + a + ", " + b + swhere;
        break;
      }
      case 2: {
        const char* group = Any(kGroups);
        std::string items = std::string(group) + ", COUNT(*), SUM(N), MIN(PY), MAX(N), AVG(N)";
        std::string having = Pick(2) ? " having COUNT(*) > " + std::to_string(Pick(4)) : "";
        bool ordered = Pick(2);
        g.orderColumns = ordered ? 1 : 0;
        g.dialect = "select " + items + where + " group by " + group + having +
                    (ordered ? std::string(" order by ") + group : "");
        g.sqlite = "select " + items + swhere + " group by " + group + having;
        break;
      }
      default:
        g.dialect = "select COUNT(*), SUM(N), COUNT(DISTINCT AU)" + where;
        g.sqlite = "select COUNT(*), TOTAL(N), COUNT(DISTINCT AU)" + swhere;
        break;
    }
    return g;
  }

  // A value of the column's pool, or a prefix of one.
  std::string TextConstant(const char* column) {
    std::string v = column[0] == 'A' ? Any(kAuthors) : column[0] == 'L' ? Any(kLanguages) : Any(kWords);
    return Pick(3) ? v : Utf8Prefix(v, 1 + Pick(2));
  }
  static std::string Utf8Prefix(const std::string& s, int chars) {
    size_t at = 0;
    for (int k = 0; k < chars && at < s.size(); ++k)
      at += static_cast<unsigned char>(s[at]) >= 0x80 ? 2 : 1;
    return s.substr(0, at);
  }

  std::mt19937 rng_;
  const char* kTextColumns[3] = {"AU", "LA", "TI"};
};

std::string Cell(sqlite3_stmt* st, int k) {
  char buf[64];
  switch (sqlite3_column_type(st, k)) {
    case SQLITE_INTEGER:
      std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(sqlite3_column_int64(st, k)));
      return buf;
    case SQLITE_FLOAT: {
      double d = sqlite3_column_double(st, k);
      if (d == static_cast<double>(static_cast<long long>(d))) std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(d));
      else std::snprintf(buf, sizeof buf, "%g", d);
      return buf;
    }
    case SQLITE_NULL:
      return "NULL";
  }
  return Ansi(reinterpret_cast<const char*>(sqlite3_column_text(st, k)));
}

TEST(SelectReference, GeneratedStatementsAgreeWithSqlite) {
  Generator gen(20261207);
  std::vector<std::vector<std::string>> utf8Rows;
  for (int r = 1; r <= 300; ++r) {
    char id[16];
    std::snprintf(id, sizeof id, "R%03d", r);
    std::string ti = gen.Any(kWords);
    if (gen.Pick(2)) ti += std::string(" ") + gen.Any(kWords);
    utf8Rows.push_back({id, ti, gen.Any(kAuthors), std::to_string(1950 + gen.Pick(71)),
                        gen.Any(kLanguages), std::to_string(gen.Pick(100))});
  }
  fixture::TempDir dir;
  std::vector<std::vector<std::string>> ansiRows;
  for (const auto& row : utf8Rows) {
    ansiRows.emplace_back();
    for (const auto& cell : row) ansiRows.back().push_back(Ansi(cell));
  }
  selecttest::WriteEdition(dir / "ed", ansiRows);
  fixture::Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  sqlite3_exec(db, "create table db(ID text, TI text, AU text, PY integer, LA text, N integer)",
               nullptr, nullptr, nullptr);
  for (const auto& row : utf8Rows) {
    std::string insert = "insert into db values('" + row[0] + "','" + row[1] + "','" + row[2] +
                         "'," + row[3] + ",'" + row[4] + "'," + row[5] + ")";
    ASSERT_EQ(sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  }

  int compared = 0, nonEmpty = 0;
  for (int n = 0; n < 2000; ++n) {
    Generated g = gen.Statement();
    selecttest::Result mine = selecttest::Select(h, Ansi(g.dialect));
    ASSERT_TRUE(mine.ok()) << g.dialect;
    Rows theirs;
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, g.sqlite.c_str(), -1, &st, nullptr), SQLITE_OK) << g.sqlite;
    while (sqlite3_step(st) == SQLITE_ROW) {
      theirs.emplace_back();
      for (int k = 0; k < sqlite3_column_count(st); ++k) theirs.back().push_back(Cell(st, k));
    }
    sqlite3_finalize(st);
    // The dialect's order: keys of the leading items never decrease.
    std::string previous;
    for (const auto& row : mine.rows) {
      std::string key;
      for (size_t k = 0; k < g.orderColumns; ++k) key += row[k] + "^";
      ASSERT_LE(previous, key) << g.dialect;
      previous = key;
    }
    Rows sortedMine = mine.rows;
    std::sort(sortedMine.begin(), sortedMine.end());
    std::sort(theirs.begin(), theirs.end());
    ASSERT_EQ(sortedMine, theirs) << g.dialect << "\n" << g.sqlite;
    ++compared;
    nonEmpty += !theirs.empty();
  }
  EXPECT_EQ(compared, 2000);
  EXPECT_GT(nonEmpty, 1000);  // the conditions are not all empty

  // Query mode delivers the full-text found set: here the records whose title has the word.
  for (const char* word : kWords) {
    selecttest::Result mine = selecttest::Select(h, Ansi(std::string("select ID from db query ") + word));
    ASSERT_TRUE(mine.ok());
    Rows theirs;
    std::string q = std::string("select ID from db where ' ' || TI || ' ' GLOB '* ") + word + " *' order by ID";
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, q.c_str(), -1, &st, nullptr), SQLITE_OK);
    while (sqlite3_step(st) == SQLITE_ROW) theirs.push_back({Cell(st, 0)});
    sqlite3_finalize(st);
    EXPECT_EQ(mine.rows, theirs) << word;
  }
  sqlite3_close(db);
}

}  // namespace
