// A new edition's load builds its static index directly; documents appended one by one
// through the update index and then packed must leave the very same files. Also the
// spilled-run path of the bulk index, which the load of a small corpus never reaches.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "fixture/fixture_writer.h"
#include "fixture/scratch.h"
#include <gtest/gtest.h>

#include "edition/bulk_index.h"
#include "edition/edition.h"
#include "edition/load.h"
#include "index/index_writer.h"
#include "index/static_index.h"

namespace fs = std::filesystem;

namespace {

using fixture::TempDir;

// Deterministic Russian-like text in Windows-1251: words of two to five syllables from a
// fixed vocabulary with a skewed choice, a few long words past the 30-byte cut, numbers,
// initials and ё.
class TextMaker {
public:
  explicit TextMaker(uint32_t seed) : state_(seed) {
    const char* consonants = "\xE1\xE2\xE3\xE4\xE6\xE7\xEA\xEB\xEC\xED\xEF\xF0\xF1\xF2\xF4\xF5\xF7\xF8";
    const char* vowels = "\xE0\xE5\xE8\xEE\xF3\xFB\xFF\xB8";  // а е и о у ы я ё
    for (int i = 0; i < 2500; ++i) {
      std::string w;
      int syllables = 2 + static_cast<int>(Next() % 4);
      if (i % 400 == 7) syllables = 14;  // longer than a key holds
      for (int s = 0; s < syllables; ++s) {
        w += consonants[Next() % 18];
        w += vowels[Next() % (i % 9 == 0 ? 8 : 7)];
      }
      vocabulary_.push_back(w);
    }
  }
  uint32_t Next() {
    state_ = state_ * 1103515245u + 12345u;
    return state_ >> 8;
  }
  const std::string& Word() {
    // The minimum of two draws favours the first words, as frequent words are.
    uint32_t a = Next() % vocabulary_.size(), b = Next() % vocabulary_.size();
    return vocabulary_[std::min(a, b)];
  }
  std::string Words(int n, const char* separator = " ") {
    std::string text;
    for (int i = 0; i < n; ++i) {
      if (i) text += separator;
      text += Word();
      if (Next() % 23 == 0) text += ",";
      if (Next() % 71 == 0) text += " " + std::to_string(Next() % 3000);
    }
    return text;
  }

private:
  uint32_t state_;
  std::vector<std::string> vocabulary_;
};

zrt::NewEdition Meta() {
  zrt::NewEdition meta;
  meta.title = "\xCF\xF0\xEE\xE1\xE0";  // Проба
  meta.fieldNames = {"ID", "TI", "AU", "KW", "PY", "AB"};
  meta.fieldGroups = {1, 2, 3, 4, 5, 6};
  return meta;
}

std::vector<zrt::RecordStore::Texts> Corpus(int records) {
  TextMaker m(20261206);
  std::vector<zrt::RecordStore::Texts> corpus;
  for (int r = 1; r <= records; ++r) {
    zrt::RecordStore::Texts t(6);
    t[0] = "R" + std::to_string(r);
    t[1] = m.Words(4 + static_cast<int>(m.Next() % 8));
    t[2] = "\xC8\xE2\xE0\xED\xEE\xE2 \xC8. " + m.Words(1) + ", " + m.Words(1) + " \xCF.\xD1.";
    if (r % 5) t[3] = m.Words(3, "; ");
    t[4] = std::to_string(1900 + m.Next() % 120);
    if (r % 7) t[5] = m.Words(20 + static_cast<int>(m.Next() % 150));
    corpus.push_back(t);
  }
  return corpus;
}

class VectorSource : public zrt::DocumentSource {
public:
  explicit VectorSource(const std::vector<zrt::RecordStore::Texts>& docs) : docs_(docs) {}
  zrt::Status Next(zrt::RecordStore::Texts* store, zrt::RecordStore::Texts* index,
                   bool* delivered) override {
    *delivered = next_ < docs_.size();
    if (*delivered) {
      std::copy(docs_[next_].begin(), docs_[next_].end(), store->begin());
      *index = *store;
      ++next_;
    }
    return zrt::Status::Ok();
  }

private:
  const std::vector<zrt::RecordStore::Texts>& docs_;
  size_t next_ = 0;
};

const char* const kCompared[] = {".cdo", ".cdp", ".cdd", ".cdh", ".cdx", ".cdb"};

}  // namespace

TEST(BulkPath, LoadAndIncrementalAppendWithPackLeaveTheSameFiles) {
  TempDir dir;
  const auto corpus = Corpus(3000);

  VectorSource source(corpus);
  zrt::LoadStats stats;
  ASSERT_TRUE(zrt::LoadEdition(dir / "bulk", nullptr, Meta(), source, &stats).ok());
  EXPECT_EQ(stats.records, 3000);

  ASSERT_TRUE(zrt::CreateEdition(dir / "step", nullptr, Meta()).ok());
  {
    zrt::Edition e;
    ASSERT_TRUE(e.Open(dir / "step", nullptr).ok());
    int64_t words = 0;
    for (const auto& doc : corpus) {
      zrt::RecordStore::Texts texts(256);
      std::copy(doc.begin(), doc.end(), texts.begin());
      int n = 0;
      ASSERT_TRUE(e.Append(texts, texts, &n).ok());
      words += n;
    }
    EXPECT_EQ(words, stats.words);
    ASSERT_TRUE(e.Commit().ok());
    ASSERT_TRUE(e.Pack().ok());
    EXPECT_EQ(e.store().recordCount(), 3000);
  }
  EXPECT_FALSE(fs::exists(dir / "step.cdl"));
  EXPECT_FALSE(fs::exists(dir / "bulk.cdl"));
  for (const char* ext : kCompared) {
    SCOPED_TRACE(ext);
    std::string a = fixture::ReadFile(dir / ("bulk" + std::string(ext))), b = fixture::ReadFile(dir / ("step" + std::string(ext)));
    EXPECT_GT(a.size(), 4u);
    EXPECT_TRUE(a == b) << a.size() << " vs " << b.size() << " bytes";
  }
  // Nothing of the load is left behind but the edition.
  for (const auto& entry : fs::directory_iterator(dir / ""))
    EXPECT_EQ(entry.path().extension().string().find("$"), std::string::npos) << entry.path();
}

TEST(BulkPath, SpilledRunsGiveTheSameIndexAsOneRun) {
  TempDir dir;
  const auto corpus = Corpus(800);
  VectorSource source(corpus);
  zrt::LoadStats stats;
  ASSERT_TRUE(zrt::LoadEdition(dir / "ed", nullptr, Meta(), source, &stats).ok());

  // Every occurrence of the loaded index, back in the order the loader met them.
  zrt::Edition e;
  ASSERT_TRUE(e.Open(dir / "ed", nullptr).ok());
  struct Item {
    zrt::Occurrence o;
    std::string key;
  };
  std::vector<Item> items;
  zrt::StaticIndex::Scan scan(e.index());
  zrt::DictionaryRow row{};
  std::vector<zrt::Occurrence> occurrences;
  while (scan.Next(&row, &occurrences)) {
    std::string key(row.word, 30);
    key.erase(key.find_last_not_of(' ') + 1);
    for (const auto& o : occurrences) items.push_back({o, key});
  }
  ASSERT_TRUE(scan.status().ok()) << scan.status().message();
  e.Close();
  ASSERT_EQ(static_cast<int64_t>(items.size()), stats.words);
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
    return std::tie(a.o.record, a.o.field, a.o.position) < std::tie(b.o.record, b.o.field, b.o.position);
  });

  for (size_t budget : {size_t{3001}, size_t{20000}}) {
    SCOPED_TRACE(budget);
    zrt::BulkIndex bulk(dir / "run", budget);
    for (const Item& item : items) ASSERT_TRUE(bulk.Add(item.key, item.o).ok());
    zrt::StaticIndexWriter writer;
    ASSERT_TRUE(writer.Create(dir / "re.cdp", dir / "re.cdd", dir / "re.cdh").ok());
    ASSERT_TRUE(bulk.WriteTo(&writer).ok());
    ASSERT_TRUE(writer.Finish().ok());
    for (const char* ext : {".cdp", ".cdd", ".cdh"})
      EXPECT_TRUE(fixture::ReadFile(dir / ("ed" + std::string(ext))) == fixture::ReadFile(dir / ("re" + std::string(ext)))) << ext;
  }
  EXPECT_FALSE(fs::exists(dir / "run0"));
}
