// Query benchmark: runs the "proj" queries of a query table against an edition and
// prints, per query, the found-record count, the median time of ZRT_SetQueryByString
// plus ZRT_BuildList of all found records, and a digest of the found record numbers.
//
//   query_bench EDITION QUERIES.tsv [--runs N] [--update-percent P]
//
// With --update-percent the edition first has P percent of its records (every
// 100/P-th) rewritten through the update index with their own texts, so the answers
// should not change while the words come from both indexes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "edition/edition.h"
#include "codepage/cp1251.h"
#include "zrteng.h"

namespace {

// UTF-8 to Windows-1251, as the front end hands queries over.
std::string ToCp1251(const std::string& s) {
  std::string out;
  zrt::cp1251::FromUtf8(s, &out, nullptr, '?');
  return out;
}

uint64_t Digest(const std::vector<int32_t>& records) {
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < records.size(); ++i) {
    std::string part = (i ? "," : "") + std::to_string(records[i]);
    for (unsigned char c : part) h = (h ^ c) * 1099511628211ull;
  }
  return h;
}

bool UpdateRecords(EngineHandle* h, int percent) {
  int32_t count = ZRT_GetNumRecords(h);
  int step = std::max(1, 100 / percent);
  int updated = 0;
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
    ++updated;
  }
  std::fprintf(stderr, "updated %d records through the update index\n", updated);
  return h->edition->Commit().ok();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: query_bench EDITION QUERIES.tsv [--runs N] [--update-percent P]\n");
    return 2;
  }
  int runs = 5, updatePercent = 0;
  for (int i = 3; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--runs")) runs = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--update-percent")) updatePercent = std::atoi(argv[i + 1]);
  }
  EngineHandle h;
  ZRT_Build(&h);
  if (ZRT_Open(&h, argv[1], nullptr) != 0) {
    std::fprintf(stderr, "cannot open %s: %s\n", argv[1], ZRT_ErrMsg(&h));
    return 1;
  }
  if (updatePercent > 0 && !UpdateRecords(&h, updatePercent)) {
    std::fprintf(stderr, "updating records failed\n");
    return 1;
  }
  CDat_SetQParam('$', 1, 1, 0);  // "Ignore Point" and "Ignore Operators" on

  std::ifstream tsv(argv[2]);
  std::string line;
  std::getline(tsv, line);  // header
  std::printf("qid\tcount\tmedian_ms\tdigest\n");
  while (std::getline(tsv, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    for (std::string c; std::getline(ss, c, '\t');) cols.push_back(c);
    if (cols.size() < 3) continue;
    std::string query = ToCp1251(cols[2]);
    std::vector<double> times;
    std::vector<int32_t> records;
    bool failed = false;
    for (int r = 0; r < runs; ++r) {
      auto start = std::chrono::steady_clock::now();
      if (ZRT_SetQueryByString(&h, query.c_str(), 0, nullptr, nullptr, nullptr) != 0) {
        failed = true;
        break;
      }
      records.assign(static_cast<size_t>(ZRT_BuildList(&h, nullptr, 0)), 0);
      ZRT_BuildList(&h, records.data(), static_cast<int32_t>(records.size()));
      auto end = std::chrono::steady_clock::now();
      times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    if (failed) {
      std::printf("%s\t-1\t-\t-\n", cols[0].c_str());
      continue;
    }
    std::sort(times.begin(), times.end());
    std::printf("%s\t%zu\t%.3f\t%016llx\n", cols[0].c_str(), records.size(), times[times.size() / 2],
                static_cast<unsigned long long>(Digest(records)));
  }
  ZRT_Destroy(&h);
  return 0;
}
