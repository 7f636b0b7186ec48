// Load-and-pack benchmark: `zrt load` and `zrt pack` of a JSON Lines corpus against
// SQLite FTS5 indexing the same file (one FTS5 table with a column per field, then its
// 'optimize' merge, which is what packing is to this system). Each side runs in a child
// process of its own, so that peak memory (getrusage of the child) is its alone.
//
//   ZRT_BENCH_CORPUS=corpus.jsonl [ZRT_BENCH_DIR=/tmp] bench_load
//
// The corpus comes from the shared generator; scripts/bench.sh makes it and runs this.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

namespace fs = std::filesystem;

namespace {

const char* const kFields[] = {"id", "TI", "AU", "SO", "KW", "LA", "PY", "CC", "DT", "AB", "G36"};

struct Corpus {
  std::string path;
  long long records = 0;
  double textBytes = 0;  // UTF-8 bytes of the field values
  double fileBytes = 0;
};

// The text of a field as both loaders take it: texts as they are, numbers as decimal
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

const Corpus& TheCorpus() {
  static Corpus c = [] {
    Corpus corpus;
    const char* path = std::getenv("ZRT_BENCH_CORPUS");
    if (!path) return corpus;
    corpus.path = path;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      corpus.fileBytes += static_cast<double>(line.size() + 1);
      if (line.empty()) continue;
      auto j = nlohmann::json::parse(line);
      for (const auto& [key, value] : j.items()) corpus.textBytes += static_cast<double>(TextOf(value).size());
      ++corpus.records;
    }
    return corpus;
  }();
  return c;
}

fs::path WorkDir() {
  const char* dir = std::getenv("ZRT_BENCH_DIR");
  fs::path p = fs::path(dir ? dir : fs::temp_directory_path().string()) /
               ("zrt-bench-" + std::to_string(::getpid()));
  fs::create_directories(p);
  return p;
}

struct ChildRun {
  bool ok = false;
  double seconds = 0;
  double cpuSeconds = 0;  // user + system of the child
  double peakMB = 0;
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
  // The tool's own summary lines stay out of the benchmark table.
  std::freopen("/dev/null", "w", stdout);
  ::execv(argv[0], argv.data());
  return 127;
}

double FileMB(const fs::path& p) {
  std::error_code ec;
  auto size = fs::file_size(p, ec);
  return ec ? 0 : static_cast<double>(size) / 1e6;
}

struct Figures {
  double loadSeconds = 0, packSeconds = 0, cpuSeconds = 0, peakMB = 0, indexMB = 0, storeMB = 0;
};
Figures g_zrt, g_fts5;

void Report(benchmark::State& state, const Figures& f) {
  const Corpus& c = TheCorpus();
  double total = f.loadSeconds + f.packSeconds;
  state.SetIterationTime(total);
  state.counters["records/s"] = static_cast<double>(c.records) / total;
  state.counters["text_MB/s"] = c.textBytes / 1e6 / total;
  state.counters["peak_MB"] = f.peakMB;
  state.counters["index_MB"] = f.indexMB;
  state.counters["index/text"] = f.indexMB / (c.textBytes / 1e6);
  state.counters["pack_s"] = f.packSeconds;
  state.counters["cpu_s"] = f.cpuSeconds;
}

// One side of the comparison: the load and the merge that follows it, each in a child
// process, then the sizes of what they left in a fresh folder.
struct Side {
  std::function<int(const std::string& corpus, const std::string& target)> load, merge;
  std::function<void(const std::string& target, Figures*)> sizes;
  const char* target;  // file name in the folder
};

void Measure(benchmark::State& state, const Side& side, Figures* f) {
  const Corpus& c = TheCorpus();
  if (c.path.empty()) {
    state.SkipWithError("set ZRT_BENCH_CORPUS to a corpus made by gen_corpus.py");
    return;
  }
  for (auto _ : state) {
    fs::path dir = WorkDir();
    std::string target = (dir / side.target).string();
    ChildRun load = InChild([&] { return side.load(c.path, target); });
    ChildRun merge = InChild([&] { return side.merge(c.path, target); });
    if (!load.ok || !merge.ok) {
      state.SkipWithError("the load or the merge failed");
      fs::remove_all(dir);
      return;
    }
    f->loadSeconds = load.seconds;
    f->packSeconds = merge.seconds;
    f->cpuSeconds = load.cpuSeconds + merge.cpuSeconds;
    f->peakMB = std::max(load.peakMB, merge.peakMB);
    side.sizes(target, f);
    Report(state, *f);
    fs::remove_all(dir);
  }
}

void BM_ZrtLoadAndPack(benchmark::State& state) {
  Side side{
      [](const std::string& corpus, const std::string& edition) {
        return Exec({ZRT_TOOL, "load", edition, corpus, "--header", ZRT_BENCH_HEADER});
      },
      [](const std::string&, const std::string& edition) { return Exec({ZRT_TOOL, "pack", edition}); },
      [](const std::string& edition, Figures* f) {
        f->indexMB = FileMB(edition + ".cdp") + FileMB(edition + ".cdd") + FileMB(edition + ".cdh") +
                     FileMB(edition + ".cdl") + FileMB(edition + ".cdi");
        f->storeMB = FileMB(edition + ".cdb") + FileMB(edition + ".cdx");
      },
      "corpus"};
  Measure(state, side, &g_zrt);
}

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
  std::ifstream in(corpus, std::ios::binary);
  std::string line;
  std::vector<std::string> texts(std::size(kFields));
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    auto j = nlohmann::ordered_json::parse(line);
    for (size_t i = 0; i < std::size(kFields); ++i) {
      auto it = j.find(kFields[i]);
      texts[i] = it == j.end() ? std::string() : TextOf(*it);
      sqlite3_bind_text(stmt, static_cast<int>(i) + 1, texts[i].data(),
                        static_cast<int>(texts[i].size()), SQLITE_STATIC);
    }
    if (sqlite3_step(stmt) != SQLITE_DONE) return 4;
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(stmt);
  if (sqlite3_exec(h, "COMMIT;", nullptr, nullptr, nullptr) != SQLITE_OK) return 5;
  return sqlite3_close(h) == SQLITE_OK ? 0 : 6;
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
    if (sqlite3_prepare_v2(h, "SELECT sum(pgsize) FROM dbstat WHERE name IN ('docs_data', 'docs_idx')",
                           -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
      bytes = sqlite3_column_double(stmt, 0);
    sqlite3_finalize(stmt);
  }
  sqlite3_close(h);
  return bytes / 1e6;
}

void BM_Fts5LoadAndOptimize(benchmark::State& state) {
  Side side{Fts5Load, [](const std::string&, const std::string& db) { return Fts5Optimize(db); },
            [](const std::string& db, Figures* f) {
              f->indexMB = Fts5IndexMB(db);
              f->storeMB = FileMB(db) - f->indexMB;
            },
            "corpus.sqlite"};
  Measure(state, side, &g_fts5);
}

BENCHMARK(BM_ZrtLoadAndPack)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Fts5LoadAndOptimize)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const Corpus& c = TheCorpus();
  if (c.records == 0) return 0;
  std::printf("\n%lld records, %.1f MB of field text (%.1f MB file)\n\n", c.records, c.textBytes / 1e6,
              c.fileBytes / 1e6);
  std::printf("| | this system | SQLite FTS5 |\n|---|---:|---:|\n");
  auto row = [](const char* name, const char* format, double a, double b) {
    std::printf("| %s | ", name);
    std::printf(format, a);
    std::printf(" | ");
    std::printf(format, b);
    std::printf(" |\n");
  };
  const Figures &z = g_zrt, &f = g_fts5;
  row("load, wall (s)", "%.1f", z.loadSeconds, f.loadSeconds);
  row("pack / optimize, wall (s)", "%.1f", z.packSeconds, f.packSeconds);
  row("CPU, load + merge (s)", "%.1f", z.cpuSeconds, f.cpuSeconds);
  row("records/s", "%.0f", c.records / (z.loadSeconds + z.packSeconds),
      c.records / (f.loadSeconds + f.packSeconds));
  row("MB of text/s", "%.2f", c.textBytes / 1e6 / (z.loadSeconds + z.packSeconds),
      c.textBytes / 1e6 / (f.loadSeconds + f.packSeconds));
  row("peak memory (MB)", "%.0f", z.peakMB, f.peakMB);
  row("index size (MB)", "%.1f", z.indexMB, f.indexMB);
  row("index / text", "%.2f", z.indexMB / (c.textBytes / 1e6), f.indexMB / (c.textBytes / 1e6));
  row("stored records (MB)", "%.1f", z.storeMB, f.storeMB);
  return 0;
}
