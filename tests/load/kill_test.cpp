// zrt append, pack and load --replace killed at their changing file calls one after
// another (a preloaded library counts them and kills the tool at the chosen one) and at
// random moments: after each kill `zrt check` passes and the edition holds the whole
// batch or none of it. ZRT_KILL_SWEEP=1 kills at every call and at 100 random moments
// per command instead of a sample, and prints the figures.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include <gtest/gtest.h>

#include "load/tool_run.h"

namespace fs = std::filesystem;

namespace {

using fixture::TempDir;

const bool kSweep = std::getenv("ZRT_KILL_SWEEP") != nullptr;

std::string Jsonl(int first, int last, const std::string& words) {
  std::string out;
  for (int i = first; i <= last; ++i)
    out += "{\"ID\": \"D" + std::to_string(i) + "\", \"TI\": \"" + words + " w" + std::to_string(i % 7) +
           " t" + std::to_string(i) + "\"}\n";
  return out;
}

int Leading(const std::string& text, const std::string& label) {
  size_t at = text.find(label);
  return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
}

struct State {
  int records;
  int batch;    // records found by the batch's own word
  int earlier;  // records found by the word of an earlier, committed append
};

State Look(const TempDir& dir, const std::string& ed, const std::string& word) {
  return {Leading(Zrt(dir, "info " + ed).out, "Records:"), Leading(Zrt(dir, "search " + ed + " " + word).out, ""),
          Leading(Zrt(dir, "search " + ed + " earlier").out, "")};
}

void CopyEdition(const std::string& from, const std::string& to) {
  const std::string stem = fs::path(from).filename().string() + ".";
  for (const auto& entry : fs::directory_iterator(fs::path(from).parent_path())) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, stem.size(), stem) == 0)
      fs::copy_file(entry.path(), to + name.substr(stem.size() - 1), fs::copy_options::overwrite_existing);
  }
}

// Runs `command` (ED stands for the edition) on copies of `original`, killed at chosen
// calls and moments; `sound` judges the edition after each kill.
// Loads records 1..count holding "alpha" into the edition NAME of DIR; returns its path.
std::string LoadBase(const TempDir& dir, const char* name, int count) {
  std::ofstream(dir / "base.jsonl") << Jsonl(1, count, "alpha");
  const std::string ed = dir / name;
  EXPECT_EQ(Zrt(dir, "load " + ed + " " + dir / "base.jsonl").code, 0);
  return ed;
}

void KillSweep(const TempDir& dir, const std::string& original, const std::string& command,
               const std::function<void(const State&)>& sound, const std::string& word) {
  const std::string preload = std::string("ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD='") + ZRT_KILL_AT_LIB + "'";
  auto run = [&](const std::string& ed, const std::string& environment) {
    std::string args = command;
    args.replace(args.find("ED"), 2, ed);
    return Zrt(dir, args, environment);
  };
  CopyEdition(original, dir / "count");
  auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(run(dir / "count", preload + " ZRT_KILL_COUNT='" + dir / "calls" + "'").code, 0) << command;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const long calls = std::atol(fixture::ReadFile(dir / "calls").c_str());
  ASSERT_GT(calls, 3);

  std::vector<long> points;
  const long samples = kSweep ? calls : 10;
  for (long i = 0; i < samples; ++i) points.push_back(1 + i * (calls - 1) / std::max(samples - 1, 1L));
  std::mt19937 random(7);
  const int moments = kSweep ? 100 : 3;
  int killed = 0;
  for (size_t i = 0; i < points.size() + moments; ++i) {
    const std::string ed = dir / ("run" + std::to_string(i));
    CopyEdition(original, ed);
    std::string environment;
    if (i < points.size()) {
      environment = preload + " ZRT_KILL_AT=" + std::to_string(points[i]);
    } else {
      char timeout[64];
      std::snprintf(timeout, sizeof timeout, "timeout -s KILL %.4f",
                    std::uniform_real_distribution<double>(0.0, seconds)(random));
      environment = timeout;
    }
    if (run(ed, environment).code == -1) ++killed;
    ToolRun check = Zrt(dir, "check " + ed);
    EXPECT_EQ(check.code, 0) << command << " killed (" << environment << "):\n" << check.out << check.err;
    sound(Look(dir, ed, word));
    for (const auto& entry : fs::directory_iterator(dir.path()))
      if (entry.path().filename().string().rfind("run" + std::to_string(i) + ".", 0) == 0 ||
          entry.path().filename().string().rfind("run" + std::to_string(i) + "_", 0) == 0)
        fs::remove(entry.path());
  }
  EXPECT_GE(killed, static_cast<int>(points.size()) - 1) << command;
  if (kSweep)
    std::printf("%s: %ld changing calls, %zu kills at calls and %d at random moments, %d killed; all sound\n",
                command.c_str(), calls, points.size(), moments, killed);
}

TEST(Kill, AppendPackAndLoadAreAllOrNothing) {
  TempDir dir("zrt_kill");
  // The sweep uses the sizes of the edition where killed appends were first seen to
  // damage the update index.
  const int base = kSweep ? 650 : 40, batch = kSweep ? 50 : 15;
  std::ofstream(dir / "earlier.jsonl") << Jsonl(base + 1, base + 10, "earlier");
  std::ofstream(dir / "batch.jsonl") << Jsonl(base + 11, base + 10 + batch, "partia");
  std::ofstream(dir / "new.jsonl") << Jsonl(1, 25, "novum");
  const std::string ed = LoadBase(dir, "orig", base);
  ASSERT_EQ(Zrt(dir, "append " + ed + " " + dir / "earlier.jsonl").code, 0);
  const int before = base + 10;

  KillSweep(dir, ed, "append ED " + dir / "batch.jsonl", [&](const State& s) {
    EXPECT_TRUE((s.records == before && s.batch == 0) || (s.records == before + batch && s.batch == batch))
        << s.records << " records, " << s.batch << " of the batch found";
    EXPECT_EQ(s.earlier, 10);
  }, "partia");
  KillSweep(dir, ed, "pack ED", [&](const State& s) {
    EXPECT_EQ(s.records, before);
    EXPECT_EQ(s.earlier, 10);
  }, "partia");
  KillSweep(dir, ed, "load ED " + dir / "new.jsonl" + " --replace", [&](const State& s) {
    EXPECT_TRUE((s.records == before && s.batch == 0 && s.earlier == 10) ||
                (s.records == 25 && s.batch == 25 && s.earlier == 0))
        << s.records << " records, " << s.batch << " new found";
  }, "novum");
}

// One writer appends batches of five records in a loop while reads run beside it: every
// read succeeds and sees whole batches, never a record past the count; a second writer
// is refused with its reason or runs after the first.
TEST(Concurrent, ReadersSeeWholeCommitsBesideAWriter) {
  TempDir dir("zrt_concurrent");
  std::ofstream(dir / "batch.jsonl") << Jsonl(100, 104, "partia");
  const std::string ed = LoadBase(dir, "ed", 40);
  const int batches = kSweep ? 200 : 30;
  const std::string append = std::string("'") + ZRT_TOOL + "' append '" + ed + "' '" + dir / "batch.jsonl" + "'";
  const std::string loop = "( for i in $(seq " + std::to_string(batches) + "); do " + append +
                           " >/dev/null 2>>'" + dir / "writer.err" + "'; done; touch '" + dir / "done" + "' ) &";
  ASSERT_EQ(std::system(loop.c_str()), 0);
  int reads = 0, refused = 0;
  while (!fs::exists(dir / "done")) {
    // Each found record is shown: one found past the count could not be.
    ToolRun read = Zrt(dir, "search " + ed + " partia --count 100000 --fields ID");
    ++reads;
    const int found = Leading(read.out, "");
    int shown = 0;
    for (size_t at = read.out.find("  D10"); at != std::string::npos; at = read.out.find("  D10", at + 1)) ++shown;
    EXPECT_TRUE(read.code == 0 && found % 5 == 0 && shown == found) << read.out << read.err;
    ToolRun second = Zrt(dir, "append " + ed + " " + dir / "batch.jsonl");
    if (second.code != 0) {
      ++refused;
      EXPECT_NE(second.err.find("another process is writing"), std::string::npos) << second.err;
    }
  }
  EXPECT_EQ(fixture::ReadFile(dir / "writer.err").find("failed"), std::string::npos);
  EXPECT_EQ(Zrt(dir, "check " + ed).code, 0);
  EXPECT_GT(reads, 3);
  if (kSweep) std::printf("%d reads beside %d appends, %d second writers refused; all whole\n", reads, batches, refused);
}

// zrt check names the file of each kind of damage and fails; the undamaged edition passes.
TEST(Check, NamesTheFileOfEachDamage) {
  TempDir dir("zrt_check");
  std::ofstream(dir / "earlier.jsonl") << Jsonl(41, 50, "earlier");
  const std::string ed = LoadBase(dir, "orig", 40);
  ASSERT_EQ(Zrt(dir, "append " + ed + " " + dir / "earlier.jsonl").code, 0);
  ASSERT_EQ(Zrt(dir, "check " + ed).code, 0);
  struct Damage {
    const char* ext;
    long offset;   // where the bytes go; -6: cut six bytes off the end
    std::string bytes;
  } damages[] = {
      {".cdd", 4 + 46, std::string(1, '\x01')},      // the second word sorts before the first
      {".cdh", -6, ""},                                // the last occurrence is gone
      {".cdp", 8, std::string("\x09\x00", 2)},        // a pair's word count
      {".cdx", 4 + 4 * 3, std::string("\xff\xff\x00\x00", 4)},  // record 3 past the data
      {".cdl", 4, std::string("\x01\x00\x00\x00", 4)},  // the total of update-index entries
  };
  for (const Damage& d : damages) {
    const std::string run = dir / "run";
    CopyEdition(ed, run);
    const std::string file = run + d.ext;
    if (d.offset < 0) {
      fs::resize_file(file, fs::file_size(file) + d.offset);
    } else {
      std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
      f.seekp(d.offset);
      f.write(d.bytes.data(), static_cast<std::streamsize>(d.bytes.size()));
    }
    ToolRun check = Zrt(dir, "check " + run);
    EXPECT_EQ(check.code, 1) << d.ext << "\n" << check.out;
    EXPECT_NE(check.out.find(file), std::string::npos) << d.ext << "\n" << check.out;
  }
}

}  // namespace
