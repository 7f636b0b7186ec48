// Dictionary lookup modes, the row cap, the term matcher that both indexes share, and
// the dictionary listing.
#include <gtest/gtest.h>

#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "edition/edition.h"
#include "index/term_match.h"
#include "query_test_util.h"

using namespace querytest;
using fixture::Ansi;

namespace {

using V = std::vector<int32_t>;

// The number of words listed for a root in the fields named (all when null).
int Listed(EngineHandle* h, const std::string& utf8Root, const char* fields) {
  EXPECT_EQ(ZRT_SetQueryByRoot(h, Ansi(utf8Root).c_str(), fields), 0) << utf8Root;
  return ZRT_GetNumFoundWords(h);
}

// Word i occurs in record i + 1 only, so a query's records name its words.
fixture::Edition WordsEdition(const std::vector<std::string>& words, bool newForm) {
  fixture::Edition e;
  e.fields = {{"TI", 1}, {"AB", 2}};
  for (size_t i = 0; i < words.size(); ++i) {
    auto field = static_cast<uint8_t>(i % 2 + 1);
    e.records.push_back({{{field, words[i]}}, false});
    e.words.push_back({words[i], {{static_cast<uint32_t>(i + 1), field, 1}}});
  }
  e.newPageIndex = newForm;
  return e;
}

const std::vector<std::string> kWords = {
    Ansi("нефть"),   Ansi("нефтью"), Ansi("нефтяной"), Ansi("нефтегазовый"), Ansi("нечто"),
    Ansi("неуть"),   "x",            "xa",             "xyz",                  "abc",
    Ansi("и"),       "o'neil",       "a b"};

class Lookup : public ::testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    fixture::Write(dir_ / "ed", WordsEdition(kWords, GetParam()));
    ASSERT_EQ(ZRT_Open(h_, (dir_ / "ed").c_str(), nullptr), 0);
  }
  V Run(const std::string& utf8) {
    if (ZRT_SetQueryByString(h_, Ansi(utf8).c_str(), 0, nullptr, nullptr, nullptr) != 0) return {-1};
    return FoundRecords(h_);
  }
  TempDir dir_;
  Handle h_;
};

TEST_P(Lookup, Modes) {
  const std::pair<const char*, V> cases[] = {
      {"нефть", {1}}, {"НЕФТЬ", {1}}, {"нефт$", {1, 2, 3, 4}}, {"нефт$2", {1, 2}},  // at most six letters
      {"нефт$4", {1, 2, 3}}, {"нефть$0", {1}},  // n = 0 is the exact word
      {"не?ть", {1, 6}},  // five letters matching the pattern
      {"не??", {}}, {"нефт?", {1}}, {"не$ть", {1, 6}}, {"не$й", {3, 4}}, {"н$о", {5}},
      {"x", {7}},  // one letter: the key letter and a blank
      {"x$", {7, 8, 9}}, {"x?", {8}}, {"и", {11}}, {"'a b'", {13}}, {"o'neil", {12}}, {"zz$", {}}, {"q", {}},
  };
  for (const auto& [query, found] : cases) EXPECT_EQ(Run(query), found) << query;
}

TEST_P(Lookup, AutoCut) {
  QueryParamsScope p('$', 0, 0, 1);
  EXPECT_EQ(Run("нефть"), (V{1, 2}));  // НЕФТЬЮ too, not НЕФТЯНОЙ
  EXPECT_EQ(Run("x"), (V{7, 8, 9}));
  EXPECT_EQ(Run("нефт$2"), (V{1, 2}));
  // A leading wildcard with auto cut: every word is a candidate.
  V all(kWords.size());
  std::iota(all.begin(), all.end(), 1);
  EXPECT_EQ(Run("$"), all);
}

TEST_P(Lookup, LeadingWildcardListsTheFirstLetter) {
  // Without auto cut a term that begins with a wildcard selects the dictionary's first
  // words: here those that begin with the lowest letter, "a".
  EXPECT_EQ(Run("$"), (V{10, 13}));
  EXPECT_EQ(Run("?xx"), (V{10, 13}));
}

INSTANTIATE_TEST_SUITE_P(PageIndexForms, Lookup, ::testing::Values(false, true));

TEST(LookupCap, AtMost301RowsPerTerm) {
  std::vector<std::string> words;
  for (int i = 0; i < 400; ++i) {
    char w[8];
    std::snprintf(w, sizeof w, "ab%03d", i);
    words.push_back(w);
  }
  TempDir dir;
  fixture::Write(dir / "ed", WordsEdition(words, false));
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  static int rows;
  auto progress = [](int32_t r, int32_t, int32_t, const char*) { rows = r; };
  ASSERT_EQ(ZRT_SetQueryByString(h, "ab$", 0, nullptr, nullptr, progress), 0);
  EXPECT_EQ(rows, 301);
  V found = FoundRecords(h);
  ASSERT_EQ(found.size(), 301u);
  EXPECT_EQ(found.back(), 301);
  ASSERT_EQ(ZRT_SetQueryByString(h, "ab3$", 0, nullptr, nullptr, progress), 0);
  EXPECT_EQ(rows, 100);
  // An exact term among hundreds of rows that extend it: found by bisection, and the
  // rows after it end the scan.
  for (const auto& [term, records] : std::vector<std::pair<const char*, V>>{
           {"ab399", V{400}}, {"ab120", V{121}}, {"ab12", V{}}, {"ab", V{}}, {"ab000", V{1}}}) {
    ASSERT_EQ(ZRT_SetQueryByString(h, term, 0, nullptr, nullptr, nullptr), 0) << term;
    EXPECT_EQ(FoundRecords(h), records) << term;
  }
  // The listing of an empty root: the first 301 words.
  EXPECT_EQ(Listed(h, "", nullptr), 301);
}

TEST(TermMatcher, ModesAndPatterns) {
  zrt::QueryParams p;
  auto key = [](const std::string& utf8) {
    std::string k = fixture::ToOem(fixture::UpperAnsi(Ansi(utf8)));
    k.resize(30, ' ');
    return k;
  };
  struct Case {
    const char* term;
    const char* word;
    bool match;
  };
  const Case cases[] = {
      {"нефть", "нефть", true},       {"нефть", "нефтью", false},   {"нефт$", "нефть", true},
      {"нефт$", "нефт", true},        {"нефт$1", "нефть", true},    {"нефт$1", "нефтью", false},
      {"н?фть", "нефть", true},       {"н?фть", "нфть", false},     {"н$ь", "нефть", true},
      {"н$ь", "нефтью", false},       {"н$т$", "нефтью", true},     {"a$b$c$d$e$f$g$h$i$j", "abcdefghij", true},
      {"a$b$c$d$e$f$g$h$i$j", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"н?", "н", false},
  };
  for (const Case& c : cases) {
    zrt::TermMatcher m(Ansi(c.term).c_str(), p);
    EXPECT_EQ(m.Matches(key(c.word).c_str()), c.match) << c.term << " " << c.word;
    // The update index hands over keys without padding.
    std::string bare = fixture::ToOem(fixture::UpperAnsi(Ansi(c.word)));
    EXPECT_EQ(m.Matches(bare.c_str(), bare.size()), c.match) << c.term << " " << c.word;
  }
}

TEST(Listing, RootsFieldsAndRows) {
  TempDir dir;
  fixture::Write(dir / "ed", WordsEdition(kWords, true));
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  // Filled at open: the words of the first letter.
  ASSERT_EQ(ZRT_GetNumFoundWords(h), 2);
  int32_t docs = 0, freq = 0;
  EXPECT_STREQ(ZRT_GetDctRow(h, 0, &docs, &freq), "A B");
  EXPECT_STREQ(ZRT_GetDctRow(h, 1, &docs, &freq), "ABC");
  EXPECT_EQ(docs, 1);
  EXPECT_EQ(freq, 1);
  EXPECT_EQ(ZRT_GetDctRow(h, 2, &docs, &freq), nullptr);
  EXPECT_EQ(ZRT_GetDctRow(h, -1, &docs, &freq), nullptr);

  ASSERT_EQ(Listed(h, "нефт$", nullptr), 4);
  EXPECT_EQ(ZRT_GetDctRow(h, 0, &docs, &freq), Ansi("НЕФТЕГАЗОВЫЙ"));
  // Words 1, 3 (records 1, 3) are in TI; 2, 4 in AB.
  ASSERT_EQ(Listed(h, "нефт$", "TI"), 2);
  EXPECT_EQ(ZRT_GetDctRow(h, 0, &docs, &freq), Ansi("НЕФТЬ"));
  EXPECT_EQ(ZRT_GetDctRow(h, 1, &docs, &freq), Ansi("НЕФТЯНОЙ"));
  EXPECT_EQ(Listed(h, "нефт$", "TI, AB"), 4);
  EXPECT_EQ(Listed(h, "нефт$", "XX"), 0);
  EXPECT_EQ(Listed(h, "нефть", ""), 1);
  // The listing and the found set do not touch each other.
  ASSERT_EQ(ZRT_SetQueryByString(h, "x$", 0, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(ZRT_GetNumFoundWords(h), 1);
  ASSERT_EQ(ZRT_SetQueryByRoot(h, "", nullptr), 0);
  EXPECT_EQ(ZRT_GetNumFoundRecords(h), 3);
  // Closing releases the listing.
  ZRT_Close(h);
  EXPECT_EQ(ZRT_GetNumFoundWords(h), 0);
  EXPECT_EQ(ZRT_GetNumFoundRecords(h), 0);
}

}  // namespace

namespace {

void Append(EngineHandle* h, uint8_t field, const std::string& text) {
  std::vector<char*> texts(ZRT_MAX_TEXTS, nullptr);
  std::string owned = text;
  texts[field - 1] = owned.data();
  ASSERT_GE(ZRT_DoAppendBase(h, texts.data(), texts.data()), 0);
}

TEST(Listing, MergesBothIndexes) {
  std::vector<std::string> words;
  for (int i = 0; i < 300; ++i) {
    char w[8];
    std::snprintf(w, sizeof w, "w%04d", i);
    words.push_back(w);
  }
  words.push_back(Ansi("нефть"));
  TempDir dir;
  fixture::Write(dir / "ed", WordsEdition(words, false));
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  Append(h, 1, Ansi("нефть нефть газ"));
  std::string many;
  for (int i = 300; i < 1600; ++i) {
    char w[8];
    std::snprintf(w, sizeof w, "w%04d ", i);
    many += w;
  }
  Append(h, 2, many);

  // A word in both: one row with the counts summed.
  ASSERT_EQ(Listed(h, "нефть", nullptr), 1);
  int32_t docs = 0, freq = 0;
  EXPECT_EQ(ZRT_GetDctRow(h, 0, &docs, &freq), Ansi("НЕФТЬ"));
  EXPECT_EQ(docs, 2);
  EXPECT_EQ(freq, 3);
  // Only in the update index.
  EXPECT_EQ(Listed(h, "газ", nullptr), 1);
  // In the fields of group 1 (TI) only the static word and the appended title remain.
  EXPECT_EQ(Listed(h, "нефт$", "AB"), 0);
  EXPECT_EQ(Listed(h, "нефт$", "TI"), 1);

  // 300 static and 1300 new words: the merged listing stops at 1250, in word order.
  ASSERT_EQ(Listed(h, "w$", nullptr), 1250);
  EXPECT_STREQ(ZRT_GetDctRow(h, 0, &docs, &freq), "W0000");
  EXPECT_STREQ(ZRT_GetDctRow(h, 299, &docs, &freq), "W0299");
  EXPECT_STREQ(ZRT_GetDctRow(h, 300, &docs, &freq), "W0300");
  EXPECT_STREQ(ZRT_GetDctRow(h, 1249, &docs, &freq), "W1249");

  // Queries read both indexes too; a word only in the update index has no rows.
  static std::vector<int> rows;
  rows.clear();
  auto progress = [](int32_t r, int32_t, int32_t, const char*) { rows.push_back(r); };
  ASSERT_EQ(ZRT_SetQueryByString(h, Ansi("нефть OR газ").c_str(), 0, nullptr, nullptr, progress), 0);
  EXPECT_EQ(FoundRecords(h), (V{301, 302}));
  EXPECT_EQ(rows, (std::vector<int>{1, 0}));
}

TEST(Lookup, AStaticRunOutOfOrderStillMergesWithTheUpdateIndex) {
  fixture::Edition e;
  e.fields = {{"TI", 1}, {"AB", 2}};
  for (uint32_t r = 1; r <= 3; ++r) e.records.push_back({{{1, "oil"}}, false});
  e.words = {{"oil", {{1, 1, 1}, {2, 1, 1}, {3, 1, 1}}}};
  TempDir dir;
  fixture::Write(dir / "ed", e);
  {
    // The run's first and last occurrences swapped: records 3, 2, 1.
    std::fstream cdh(dir / "ed.cdh", std::ios::in | std::ios::out | std::ios::binary);
    char first[6], last[6];
    cdh.seekg(4).read(first, 6);
    cdh.seekg(16).read(last, 6);
    cdh.seekp(4).write(last, 6);
    cdh.seekp(16).write(first, 6);
  }
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  Append(h, 1, "oil");
  Append(h, 2, "oil");
  for (const auto& [query, records] : std::vector<std::pair<const char*, V>>{
           {"oil", V{1, 2, 3, 4, 5}}, {"oil IN TI", V{1, 2, 3, 4}}, {"oil IN AB", V{5}}}) {
    ASSERT_EQ(ZRT_SetQueryByString(h, query, 0, nullptr, nullptr, nullptr), 0) << query;
    EXPECT_EQ(FoundRecords(h), records) << query;
  }
}

}  // namespace

namespace {

// «ё» is «е» to the index: a word is found, listed and counted as one whatever its
// spelling, also at the end of a word where the scanner would otherwise trim the «ё»
// off as punctuation; before packing (update index) and after (static index).
TEST(Lookup, WordsWithYoAreOneWithTheirYeSpelling) {
  TempDir dir;
  fixture::Edition e = WordsEdition({"abc"}, false);
  fixture::Write(dir / "ed", e);
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  Append(h, 1, Ansi("цвёлым берёза всё"));                 // 2
  Append(h, 1, Ansi("Мальчик у Христа на ёлке"));          // 3
  Append(h, 2, Ansi("мертвые души"));                      // 4
  Append(h, 2, Ansi("МЁРТВЫЕ души"));                      // 5
  const struct {
    const char* query;
    V found;
  } cases[] = {
      {"цвёлым", {2}}, {"ЦВёЛЫМ", {2}}, {"цвё$", {2}}, {"бер?за", {2}}, {"бер$за", {2}},
      {"всё", {2}},    {"все", {2}},    {"ВСЁ", {2}},  {"ёлке", {3}},   {"елке", {3}},
      {"ЁЛК$", {3}},   {"мертвые", {4, 5}}, {"мёртвые", {4, 5}}, {"м?ртвые", {4, 5}},
      {"мёр$", {4, 5}},
  };
  for (int packed = 0; packed < 2; ++packed) {
    for (const auto& c : cases) {
      ASSERT_EQ(ZRT_SetQueryByString(h, Ansi(c.query).c_str(), 0, nullptr, nullptr, nullptr), 0);
      EXPECT_EQ(FoundRecords(h), c.found) << c.query << (packed ? " after packing" : "");
    }
    // The listing shows the folded word once, with both spellings' counts.
    ASSERT_EQ(Listed(h, "мёртв$", nullptr), 1);
    int32_t documents = 0, occurrences = 0;
    EXPECT_EQ(ZRT_GetDctRow(h, 0, &documents, &occurrences), Ansi("МЕРТВЫЕ"));
    EXPECT_EQ(documents, 2);
    ASSERT_TRUE(h.h.edition->Commit().ok());
    ASSERT_TRUE(h.h.edition->Pack().ok());
  }
}

}  // namespace
