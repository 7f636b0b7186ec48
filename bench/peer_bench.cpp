// The peer benchmark: this engine, SQLite FTS5 and Xapian on the same corpus and the
// same queries, timed alike from this one program.
//
//   peer_bench load CORPUS.jsonl DIR [--skip xapian]
//   peer_bench query DIR QUERIES.tsv [--runs N] [--update-percent P] [--skip xapian]
//
// `load` builds the three indexes in DIR, each in a child process of its own so that CPU
// time and peak memory (getrusage of the child) are that side's alone:
//   - this engine: `zrt load` with the corpus header, then `zrt pack`;
//   - FTS5: a table with a column per field, all rows in one transaction (journal and
//     sync off), then 'optimize' and VACUUM, FTS5's counterpart of packing;
//   - Xapian: one document per record, each field indexed with positions under a prefix
//     of its own and once more without one (the free-text terms), then a commit.
// `query` runs every query of the table on the three (column proj, fts5, xapian) and
// prints per query the found-record counts, median CPU and wall times of N runs (the
// query parsed and every matching record number fetched), and whether the record sets
// agree with this engine's. With --update-percent the engine's edition is first copied
// and P% of its records are rewritten through the update index with their own texts:
// the answers must not change, the words now come from both indexes. The last column is
// the updated copy's digest where its set differs ("=" where it is the packed one's).
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xapian.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "codepage/cp1251.h"
#include "edition/edition.h"
#include "zrteng.h"

namespace fs = std::filesystem;

namespace {

const char* const kFields[] = {"id", "TI", "AU", "SO", "KW", "LA", "PY", "CC", "DT", "AB", "G36"};

// The text of a field as every loader takes it: texts as they are, numbers as decimal
// text, lists joined with "; ".
std::string TextOf(const nlohmann::json& v) {
  if (v.is_string()) return v.get<std::string>();
  if (v.is_array()) {
    std::string s;
    for (const auto& item : v) {
      if (!s.empty()) s += "; ";
      s += item.is_string() ? item.get<std::string>() : item.dump();
    }
    return s;
  }
  return v.is_null() ? std::string() : v.dump();
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Reads the corpus line by line and hands over each record's field texts.
bool ForEachRecord(const std::string& corpus, const std::function<bool(std::vector<std::string>&)>& f) {
  std::ifstream in(corpus, std::ios::binary);
  if (!in) return false;
  std::string line;
  std::vector<std::string> texts(std::size(kFields));
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    auto j = nlohmann::json::parse(line);
    for (size_t i = 0; i < std::size(kFields); ++i) {
      auto it = j.find(kFields[i]);
      texts[i] = it == j.end() ? std::string() : TextOf(*it);
    }
    if (!f(texts)) return false;
  }
  return true;
}

struct ChildRun {
  bool ok = false;
  double seconds = 0, cpuSeconds = 0, peakMB = 0;
};

// Runs `work` in a child process (its exit code is the result) and measures it.
ChildRun InChild(const std::function<int()>& work) {
  ChildRun run;
  std::fflush(nullptr);
  auto started = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(work());
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  run.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  auto secondsOf = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  run.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

int Exec(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (!std::freopen("/dev/null", "w", stdout)) return 126;  // the tool's summary stays out of the table
  ::execv(argv[0], argv.data());
  return 127;
}

double SizeMB(const fs::path& p) {
  std::error_code ec;
  if (fs::is_directory(p, ec)) {
    double total = 0;
    for (const auto& e : fs::recursive_directory_iterator(p, ec))
      if (e.is_regular_file(ec)) total += static_cast<double>(e.file_size(ec));
    return total / 1e6;
  }
  auto size = fs::file_size(p, ec);
  return ec ? 0 : static_cast<double>(size) / 1e6;
}

// ---- loading -----------------------------------------------------------------------

int Fts5Load(const std::string& corpus, const std::string& db) {
  sqlite3* h = nullptr;
  if (sqlite3_open(db.c_str(), &h) != SQLITE_OK) return 1;
  std::string columns;
  for (const char* f : kFields) columns += std::string(columns.empty() ? "" : ", ") + "\"" + f + "\"";
  std::string schema = "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; "
                       "CREATE VIRTUAL TABLE docs USING fts5(" + columns + "); BEGIN;";
  if (sqlite3_exec(h, schema.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return 2;
  std::string insert = "INSERT INTO docs VALUES (?";
  for (size_t i = 1; i < std::size(kFields); ++i) insert += ", ?";
  insert += ")";
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(h, insert.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return 3;
  bool ok = ForEachRecord(corpus, [&](std::vector<std::string>& texts) {
    for (size_t i = 0; i < texts.size(); ++i)
      sqlite3_bind_text(stmt, static_cast<int>(i) + 1, texts[i].data(), static_cast<int>(texts[i].size()),
                        SQLITE_STATIC);
    bool done = sqlite3_step(stmt) == SQLITE_DONE;
    sqlite3_reset(stmt);
    return done;
  });
  sqlite3_finalize(stmt);
  if (!ok || sqlite3_exec(h, "COMMIT;", nullptr, nullptr, nullptr) != SQLITE_OK) return 4;
  return sqlite3_close(h) == SQLITE_OK ? 0 : 5;
}

int Fts5Optimize(const std::string& db) {
  sqlite3* h = nullptr;
  if (sqlite3_open(db.c_str(), &h) != SQLITE_OK) return 1;
  int rc = sqlite3_exec(h, "INSERT INTO docs(docs) VALUES('optimize'); VACUUM;", nullptr, nullptr, nullptr);
  sqlite3_close(h);
  return rc == SQLITE_OK ? 0 : 2;
}

// Bytes of the FTS5 index proper (its data and idx tables), without the stored records.
double Fts5IndexMB(const std::string& db) {
  sqlite3* h = nullptr;
  double bytes = 0;
  if (sqlite3_open(db.c_str(), &h) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(h, "SELECT sum(pgsize) FROM dbstat WHERE name IN ('docs_data', 'docs_idx')", -1,
                           &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
      bytes = sqlite3_column_double(stmt, 0);
    sqlite3_finalize(stmt);
  }
  sqlite3_close(h);
  return bytes / 1e6;
}

// The prefix of a field's terms: "X" and the field name upper case, as Xapian's
// convention for multi-letter prefixes; the query parser maps "ti:" to "XTI".
std::string XapianPrefix(const char* field) {
  std::string p = "X";
  for (const char* c = field; *c; ++c) p += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  return p;
}

int XapianLoad(const std::string& corpus, const std::string& dir) {
  try {
    Xapian::WritableDatabase db(dir, Xapian::DB_CREATE_OR_OVERWRITE);
    Xapian::TermGenerator gen;
    std::vector<std::string> prefixes;
    for (const char* f : kFields) prefixes.push_back(XapianPrefix(f));
    bool ok = ForEachRecord(corpus, [&](std::vector<std::string>& texts) {
      Xapian::Document doc;
      gen.set_document(doc);
      for (size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].empty()) continue;
        gen.index_text(texts[i], 1, prefixes[i]);
        gen.index_text(texts[i]);
        gen.increase_termpos();  // no phrase across fields
      }
      db.add_document(doc);
      return true;
    });
    db.commit();
    return ok ? 0 : 1;
  } catch (const Xapian::Error& e) {
    std::fprintf(stderr, "xapian: %s\n", e.get_msg().c_str());
    return 2;
  }
}

struct LoadFigures {
  const char* name = "";
  ChildRun load{}, merge{};
  double indexMB = 0, storeMB = 0;
  bool run = false;
};

int Load(const std::string& corpus, const fs::path& dir, bool xapian) {
  fs::create_directories(dir);
  std::string edition = (dir / "zrt").string(), db = (dir / "fts5.sqlite").string(),
              xdir = (dir / "xapian").string();
  for (const char* ext : {".cdo", ".cdx", ".cdb", ".cdp", ".cdd", ".cdh", ".cdl", ".cdi"}) fs::remove(edition + ext);
  fs::remove(db);
  fs::remove_all(xdir);
  LoadFigures z, f, x;
  z.name = "this engine";
  f.name = "SQLite FTS5";
  x.name = "Xapian";
  z.load = InChild([&] { return Exec({ZRT_TOOL, "load", edition, corpus, "--header", ZRT_BENCH_HEADER}); });
  z.merge = InChild([&] { return Exec({ZRT_TOOL, "pack", edition}); });
  z.indexMB = SizeMB(edition + ".cdp") + SizeMB(edition + ".cdd") + SizeMB(edition + ".cdh") +
              SizeMB(edition + ".cdl") + SizeMB(edition + ".cdi");
  z.storeMB = SizeMB(edition + ".cdb") + SizeMB(edition + ".cdx");
  z.run = true;
  f.load = InChild([&] { return Fts5Load(corpus, db); });
  f.merge = InChild([&] { return Fts5Optimize(db); });
  f.indexMB = Fts5IndexMB(db);
  f.storeMB = SizeMB(db) - f.indexMB;
  f.run = true;
  if (xapian) {
    x.load = InChild([&] { return XapianLoad(corpus, xdir); });
    x.merge.ok = true;  // the commit is part of the load
    // Xapian keeps no record texts here: its whole database is index.
    x.indexMB = SizeMB(xdir);
    x.run = true;
  }
  long long records = 0;
  double textBytes = 0;
  ForEachRecord(corpus, [&](std::vector<std::string>& texts) {
    ++records;
    for (const auto& t : texts) textBytes += static_cast<double>(t.size());
    return true;
  });
  double load[3];
  getloadavg(load, 3);
  std::printf("%lld records, %.1f MB of field text; load average %.2f %.2f %.2f at the end\n\n", records,
              textBytes / 1e6, load[0], load[1], load[2]);
  std::vector<const LoadFigures*> sides{&z, &f};
  if (x.run) sides.push_back(&x);
  std::printf("| |");
  for (auto* s : sides) std::printf(" %s |", s->name);
  std::printf("\n|---|");
  for (size_t i = 0; i < sides.size(); ++i) std::printf("---:|");
  std::printf("\n");
  auto row = [&](const char* name, const char* format, const std::function<double(const LoadFigures&)>& v) {
    std::printf("| %s |", name);
    for (auto* s : sides) {
      std::printf(" ");
      if (!s->load.ok || !s->merge.ok) std::printf("failed");
      else std::printf(format, v(*s));
      std::printf(" |");
    }
    std::printf("\n");
  };
  row("load, wall (s)", "%.1f", [](const LoadFigures& s) { return s.load.seconds; });
  row("pack / optimize, wall (s)", "%.1f", [](const LoadFigures& s) { return s.merge.seconds; });
  row("CPU, load + pack (s)", "%.1f", [](const LoadFigures& s) { return s.load.cpuSeconds + s.merge.cpuSeconds; });
  row("CPU vs FTS5", "%.2f×", [&](const LoadFigures& s) {
    return (s.load.cpuSeconds + s.merge.cpuSeconds) / (f.load.cpuSeconds + f.merge.cpuSeconds);
  });
  row("peak memory (MB)", "%.0f", [](const LoadFigures& s) { return std::max(s.load.peakMB, s.merge.peakMB); });
  row("index size (MB)", "%.1f", [](const LoadFigures& s) { return s.indexMB; });
  row("stored records (MB)", "%.1f", [](const LoadFigures& s) { return s.storeMB; });
  return z.load.ok && z.merge.ok && f.load.ok && f.merge.ok && (!x.run || x.load.ok) ? 0 : 1;
}

// ---- querying ----------------------------------------------------------------------

// UTF-8 to Windows-1251, as the front end hands queries over.
std::string ToCp1251(const std::string& s) {
  std::string out;
  zrt::cp1251::FromUtf8(s, &out, nullptr, '?');
  return out;
}

// The digest of a sorted record list; the same as query_bench prints.
uint64_t Digest(const std::vector<int64_t>& records) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < records.size(); ++i) {
    if (i) h = (h ^ static_cast<unsigned char>(',')) * 1099511628211ull;
    for (unsigned char c : std::to_string(records[i])) h = (h ^ c) * 1099511628211ull;
  }
  return h;
}

std::string Hex(uint64_t v) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

double CpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double WallNow() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Timing {
  bool ok = false;
  double cpuMs = 0, wallMs = 0;
  std::vector<int64_t> records;  // ascending
};

// Runs `once` `runs` times (it fills the record list) and keeps the medians.
Timing Measure(int runs, const std::function<bool(std::vector<int64_t>*)>& once) {
  Timing t;
  std::vector<double> cpu, wall;
  for (int r = 0; r < runs; ++r) {
    t.records.clear();
    double c0 = CpuNow(), w0 = WallNow();
    if (!once(&t.records)) return t;
    cpu.push_back(CpuNow() - c0);
    wall.push_back(WallNow() - w0);
  }
  std::sort(cpu.begin(), cpu.end());
  std::sort(wall.begin(), wall.end());
  t.cpuMs = cpu[cpu.size() / 2];
  t.wallMs = wall[wall.size() / 2];
  t.ok = true;
  return t;
}

bool UpdateRecords(EngineHandle* h, int percent) {
  int32_t count = ZRT_GetNumRecords(h);
  int step = std::max(1, 100 / percent);
  for (int32_t r = 1; r <= count; r += step) {
    if (ZRT_GotoRecord(h, r) != 0) return false;
    std::vector<std::string> texts(ZRT_MAX_TEXTS);
    std::vector<char*> pointers(ZRT_MAX_TEXTS, nullptr);
    for (int f = 1; f < ZRT_MAX_TEXTS && f <= 255; ++f) {
      const char* t = ZRT_GetDataBySrcNo(h, static_cast<uint8_t>(f));
      if (!t || !*t) continue;
      texts[f - 1] = t;
      pointers[f - 1] = texts[f - 1].data();
    }
    if (ZRT_DoUpdateBase(h, pointers.data(), pointers.data()) < 0) return false;
  }
  return h->edition->Commit().ok();
}

struct QueryRow {
  std::string id, klass, proj, fts5, xapian;
};

std::vector<QueryRow> ReadQueries(const std::string& path) {
  std::ifstream tsv(path);
  std::string line;
  std::getline(tsv, line);
  std::vector<std::string> header;
  {
    std::stringstream ss(line);
    for (std::string c; std::getline(ss, c, '\t');) header.push_back(c);
  }
  auto column = [&](const char* name) {
    return static_cast<size_t>(std::find(header.begin(), header.end(), name) - header.begin());
  };
  size_t cp = column("proj"), cf = column("fts5"), cx = column("xapian"), cc = column("class");
  std::vector<QueryRow> rows;
  while (std::getline(tsv, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    for (std::string c; std::getline(ss, c, '\t');) cols.push_back(c);
    auto at = [&](size_t i) { return i < cols.size() ? cols[i] : std::string(); };
    if (cols.empty()) continue;
    rows.push_back({cols[0], at(cc), at(cp), at(cf), at(cx)});
  }
  return rows;
}

// "=" when the sets are equal; otherwise how many records only this engine found and how
// many only the peer did.
std::string Agreement(const Timing& engine, const Timing& peer) {
  if (!engine.ok || !peer.ok) return "-";
  if (engine.records == peer.records) return "=";
  std::vector<int64_t> onlyEngine, onlyPeer;
  std::set_difference(engine.records.begin(), engine.records.end(), peer.records.begin(), peer.records.end(),
                      std::back_inserter(onlyEngine));
  std::set_difference(peer.records.begin(), peer.records.end(), engine.records.begin(), engine.records.end(),
                      std::back_inserter(onlyPeer));
  return "+" + std::to_string(onlyEngine.size()) + "/-" + std::to_string(onlyPeer.size());
}

class EngineSide {
public:
  ~EngineSide() {
    if (built_) ZRT_Destroy(&h_);
  }
  bool Open(const std::string& edition) {
    ZRT_Build(&h_);
    built_ = true;
    if (ZRT_Open(&h_, edition.c_str(), nullptr) == 0) return true;
    std::fprintf(stderr, "cannot open %s: %s\n", edition.c_str(), ZRT_ErrMsg(&h_));
    return false;
  }
  EngineHandle* handle() { return &h_; }
  bool Run(const std::string& query, std::vector<int64_t>* out) {
    if (ZRT_SetQueryByString(&h_, query.c_str(), 0, nullptr, nullptr, nullptr) != 0) return false;
    buffer_.resize(static_cast<size_t>(ZRT_BuildList(&h_, nullptr, 0)));
    ZRT_BuildList(&h_, buffer_.data(), static_cast<int32_t>(buffer_.size()));
    out->assign(buffer_.begin(), buffer_.end());
    return true;
  }

private:
  EngineHandle h_{};
  bool built_ = false;
  std::vector<int32_t> buffer_;
};

int Query(const fs::path& dir, const std::string& queries, int runs, int updatePercent, bool xapian) {
  CDat_SetQParam('$', 1, 1, 0);  // "Ignore Point" and "Ignore Operators" on, as the front end
  EngineSide packed, updated;
  if (!packed.Open((dir / "zrt").string())) return 1;
  if (updatePercent > 0) {
    for (const char* ext : {".cdo", ".cdx", ".cdb", ".cdp", ".cdd", ".cdh"})
      fs::copy_file(dir / (std::string("zrt") + ext), dir / (std::string("zrt-updated") + ext),
                    fs::copy_options::overwrite_existing);
    for (const char* ext : {".cdl", ".cdi"}) fs::remove(dir / (std::string("zrt-updated") + ext));
    if (!updated.Open((dir / "zrt-updated").string()) || !UpdateRecords(updated.handle(), updatePercent)) {
      std::fprintf(stderr, "updating records failed\n");
      return 1;
    }
  }
  sqlite3* fts = nullptr;
  if (sqlite3_open_v2((dir / "fts5.sqlite").c_str(), &fts, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "cannot open the FTS5 database\n");
    return 1;
  }
  std::unique_ptr<Xapian::Database> xdb;
  Xapian::QueryParser parser;
  if (xapian) {
    xdb = std::make_unique<Xapian::Database>((dir / "xapian").string());
    parser.set_database(*xdb);
    for (const char* f : kFields) parser.add_prefix(Lower(f), XapianPrefix(f));
    parser.set_default_op(Xapian::Query::OP_AND);
  }
  auto runFts5 = [&](const std::string& q, std::vector<int64_t>* out) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(fts, "SELECT rowid FROM docs WHERE docs MATCH ? ORDER BY rowid", -1, &stmt, nullptr) !=
        SQLITE_OK)
      return false;
    sqlite3_bind_text(stmt, 1, q.data(), static_cast<int>(q.size()), SQLITE_STATIC);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) out->push_back(sqlite3_column_int64(stmt, 0));
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
  };
  auto runXapian = [&](const std::string& q, std::vector<int64_t>* out) {
    try {
      Xapian::Query query = parser.parse_query(
          q, Xapian::QueryParser::FLAG_BOOLEAN | Xapian::QueryParser::FLAG_PHRASE |
                 Xapian::QueryParser::FLAG_WILDCARD | Xapian::QueryParser::FLAG_BOOLEAN_ANY_CASE);
      Xapian::Enquire enquire(*xdb);
      enquire.set_query(query);
      enquire.set_weighting_scheme(Xapian::BoolWeight());
      enquire.set_docid_order(Xapian::Enquire::ASCENDING);
      Xapian::MSet m = enquire.get_mset(0, xdb->get_doccount());
      for (auto it = m.begin(); it != m.end(); ++it) out->push_back(*it);
      std::sort(out->begin(), out->end());
      return true;
    } catch (const Xapian::Error& e) {
      std::fprintf(stderr, "xapian: %s\n", e.get_msg().c_str());
      return false;
    }
  };

  struct Sums {
    double cpu = 0, wall = 0;
  } sumEngine, sumUpdated, sumFts5, sumXapian;
  std::printf("| query | class | records | engine CPU | wall | 5%% updated CPU | FTS5 records | FTS5 CPU | wall "
              "| FTS5 set | Xapian records | Xapian CPU | wall | Xapian set | engine / best peer | digest | updated digest |\n");
  std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|---|---:|---:|---:|---|---:|---|---|\n");
  for (const QueryRow& q : ReadQueries(queries)) {
    std::string proj = ToCp1251(q.proj);
    Timing e = Measure(runs, [&](std::vector<int64_t>* out) { return packed.Run(proj, out); });
    Timing u;
    if (updatePercent > 0) {
      u = Measure(runs, [&](std::vector<int64_t>* out) { return updated.Run(proj, out); });
      if (u.ok && e.ok && u.records != e.records)
        std::fprintf(stderr, "%s: the updated edition finds other records\n", q.id.c_str());
    }
    Timing f = Measure(runs, [&](std::vector<int64_t>* out) { return runFts5(q.fts5, out); });
    Timing x;
    if (xapian) x = Measure(runs, [&](std::vector<int64_t>* out) { return runXapian(q.xapian, out); });
    auto add = [](Sums& s, const Timing& t) {
      if (t.ok) s.cpu += t.cpuMs, s.wall += t.wallMs;
    };
    add(sumEngine, e);
    add(sumUpdated, u);
    add(sumFts5, f);
    add(sumXapian, x);
    double best = f.ok ? f.cpuMs : 1e99;
    if (x.ok) best = std::min(best, x.cpuMs);
    auto cell = [](const Timing& t, double v) {
      char text[32] = "-";
      if (t.ok) std::snprintf(text, sizeof text, "%.2f", v);
      return std::string(text);
    };
    auto count = [](const Timing& t) { return t.ok ? std::to_string(t.records.size()) : std::string("-"); };
    std::printf("| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %.2f | %016llx | %s |\n",
                q.id.c_str(), q.klass.c_str(), count(e).c_str(), cell(e, e.cpuMs).c_str(), cell(e, e.wallMs).c_str(),
                cell(u, u.cpuMs).c_str(), count(f).c_str(), cell(f, f.cpuMs).c_str(), cell(f, f.wallMs).c_str(),
                Agreement(e, f).c_str(), count(x).c_str(), cell(x, x.cpuMs).c_str(), cell(x, x.wallMs).c_str(),
                Agreement(e, x).c_str(), e.ok && best < 1e98 ? e.cpuMs / best : 0.0,
                static_cast<unsigned long long>(e.ok ? Digest(e.records) : 0),
                !u.ok ? "-" : u.records == e.records ? "=" : Hex(Digest(u.records)).c_str());
    std::fflush(stdout);
  }
  double load[3];
  getloadavg(load, 3);
  std::printf("\nSums of the medians (ms), CPU / wall: engine %.1f / %.1f", sumEngine.cpu, sumEngine.wall);
  if (updatePercent > 0) std::printf(", engine with %d%% updated %.1f / %.1f", updatePercent, sumUpdated.cpu, sumUpdated.wall);
  std::printf(", FTS5 %.1f / %.1f", sumFts5.cpu, sumFts5.wall);
  if (xapian) std::printf(", Xapian %.1f / %.1f", sumXapian.cpu, sumXapian.wall);
  double bestPeer = xapian ? std::min(sumFts5.cpu, sumXapian.cpu) : sumFts5.cpu;
  std::printf("\nEngine / faster peer (CPU sums): %.2f", sumEngine.cpu / bestPeer);
  if (updatePercent > 0) std::printf("; updated / packed: %.2f", sumUpdated.cpu / sumEngine.cpu);
  std::printf("\nLoad average at the end: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
  sqlite3_close(fts);
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: peer_bench load CORPUS.jsonl DIR [--skip xapian]\n"
               "       peer_bench query DIR QUERIES.tsv [--runs N] [--update-percent P] [--skip xapian]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  int runs = 5, updatePercent = 0;
  bool xapian = true;
  for (int i = 4; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--runs")) runs = std::max(1, std::atoi(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--update-percent")) updatePercent = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--skip") && !std::strcmp(argv[i + 1], "xapian")) xapian = false;
    else return Usage();
  }
  std::string mode = argv[1];
  if (mode == "load") return Load(argv[2], argv[3], xapian);
  if (mode == "query") return Query(argv[2], argv[3], runs, updatePercent, xapian);
  return Usage();
}
