// Select benchmark: the same statements through the engine's select dialect and through
// SQLite in memory on the same rows, in one run.
//
//   select_bench EDITION [--runs N]
//
// The edition's records are copied into an SQLite table first (their Windows-1251 bytes
// as they are, so both sides order texts the same way). Per statement it prints the
// rows each side delivered and the median wall time of N runs (parse, both passes and
// every row's texts handed over; for SQLite prepare, step and column reads). The first
// statement, a full pass with no filing, shows what reading the records costs alone.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "zrteng.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Count(void* rows, int32_t, int32_t count, const char* const* texts, void*) {
  size_t bytes = 0;
  for (int32_t k = 0; k < count; ++k) bytes += std::strlen(texts[k]);
  static size_t sink;
  sink += bytes;  // the texts are read, as a caller would
  ++*static_cast<int64_t*>(rows);
}

int64_t RunEngine(EngineHandle* h, const std::string& statement) {
  char *from, *items, *cond, *order, *group, *having, *start;
  int32_t isQuery = 0;
  if (ZRT_Parse_FSelect(statement.c_str(), nullptr, &from, &items, &cond, &isQuery, &order, &group,
                        &having, &start) != 0)
    return -1;
  ZRTSelect s{};
  int64_t rows = 0;
  if (ZRT_Parse_Select(h, items, cond, isQuery, order, group, having, start, &s) != 0 ||
      ZRT_Iterate_Select(h, &s, Count, &rows, nullptr) != 0 ||
      ZRT_End_Select(h, &s, Count, &rows, nullptr) != 0)
    rows = -1;
  ZRT_Delete_Select(&s);
  return rows;
}

int64_t RunSqlite(sqlite3* db, const std::string& statement) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, statement.c_str(), -1, &st, nullptr) != SQLITE_OK) return -1;
  int64_t rows = 0;
  size_t bytes = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    for (int k = 0; k < sqlite3_column_count(st); ++k) {
      sqlite3_column_text(st, k);
      bytes += static_cast<size_t>(sqlite3_column_bytes(st, k));  // after the text is made
    }
    ++rows;
  }
  sqlite3_finalize(st);
  static size_t sink;
  sink += bytes;
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: select_bench EDITION [--runs N]\n");
    return 2;
  }
  int runs = 3;
  for (int i = 2; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
  EngineHandle h;
  ZRT_Build(&h);
  if (ZRT_Open(&h, argv[1], nullptr) != 0) {
    std::fprintf(stderr, "select_bench: cannot open %s\n", argv[1]);
    return 1;
  }

  // The same rows in SQLite: the fields the statements use, as bytes.
  auto t0 = Clock::now();
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  const char* fields[] = {"ID", "TI", "AU", "LA", "PY"};
  uint8_t numbers[5];
  for (int k = 0; k < 5; ++k) numbers[k] = ZRT_GetSrcNoByField(&h, fields[k]);
  sqlite3_exec(db, "create table db(ID text, TI text, AU text, LA text, PY integer)", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "insert into db values(?,?,?,?,?)", -1, &insert, nullptr);
  const int32_t count = ZRT_GetNumRecords(&h);
  for (int32_t r = 1; r <= count; ++r) {
    ZRT_GotoRecord(&h, r);
    for (int k = 0; k < 5; ++k) {
      const char* text = ZRT_GetDataBySrcNo(&h, numbers[k]);
      if (k == 4) sqlite3_bind_int64(insert, k + 1, std::atoll(text));
      else sqlite3_bind_text(insert, k + 1, text, -1, SQLITE_TRANSIENT);
    }
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
  double loadMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  std::printf("records %d, copied into SQLite in %.0f ms\n", count, loadMs);

  struct Case {
    const char* name;
    std::string engine, sqlite;
  };
  const std::string filter = "PY >= 2015 AND LA = '\xC0\xCD\xC3\xCB'";  // 'АНГЛ' in Windows-1251
  const Case cases[] = {
      {"full pass, no filing", "select AU from db", "select AU from db"},
      {"group by AU order by AU", "select AU, COUNT(*) from db group by AU order by AU",
       "select AU, COUNT(*) from db group by AU order by AU || '^'"},
      {"where-filtered projection", "select ID, TI, PY from db where " + filter,
       "select ID, TI, PY from db where " + filter},
  };
  std::printf("%-28s %10s %12s %10s %12s %8s\n", "statement", "rows", "engine ms", "rows", "sqlite ms", "ratio");
  for (const Case& c : cases) {
    std::vector<double> mine, theirs;
    int64_t rowsMine = 0, rowsTheirs = 0;
    for (int run = 0; run < runs; ++run) {
      auto a = Clock::now();
      rowsMine = RunEngine(&h, c.engine);
      auto b = Clock::now();
      rowsTheirs = RunSqlite(db, c.sqlite);
      auto e = Clock::now();
      mine.push_back(std::chrono::duration<double, std::milli>(b - a).count());
      theirs.push_back(std::chrono::duration<double, std::milli>(e - b).count());
    }
    std::printf("%-28s %10lld %12.1f %10lld %12.1f %7.2fx\n", c.name, static_cast<long long>(rowsMine),
                Median(mine), static_cast<long long>(rowsTheirs), Median(theirs), Median(mine) / Median(theirs));
  }
  sqlite3_close(db);
  ZRT_Destroy(&h);
  return 0;
}
