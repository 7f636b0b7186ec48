// The client's whole-dictionary listing against the engine's listing by root: one merge
// of the static and the update index, so every word has the same counts in both, with
// words only in the update index, words in both, and a record changed after packing.
#include "client/word_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/record_source.h"
#include "client/text.h"
#include "fixture/scratch.h"

namespace {

using fixture::Ansi;  // the fixture's own conversion, not the client's under test
using zrt::client::WordRow;

// Appends (or with `update` replaces the current record by) a document of TI and AB.
void Put(EngineHandle* h, const std::string& ti, const std::string& ab, bool update = false) {
  std::string texts[2] = {Ansi(ti), Ansi(ab)};
  char* store[ZRT_MAX_TEXTS] = {texts[0].data(), texts[1].data()};
  ASSERT_GE(update ? ZRT_DoUpdateBase(h, store, store) : ZRT_DoAppendBase(h, store, store), 0)
      << ZRT_ErrMsg(h);
}

TEST(WordListing, EveryWordHasTheCountsOfTheListingByRoot) {
  fixture::TempDir dir;
  zrt::client::SourceSpec spec;
  spec.path = dir.Write("src.jsonl", R"({"TI": "альфа бета", "AB": "гамма альфа"})" "\n"
                                     R"({"TI": "бета", "AB": "дельта"})" "\n"
                                     R"({"TI": "альфа", "AB": "эпсилон"})" "\n");
  spec.fields = {{"TI", {"TI"}, 1, 0}, {"AB", {"AB"}, 2, 1}};
  std::string error;
  auto source = zrt::client::OpenSource(spec, &error);
  ASSERT_TRUE(source) << error;
  zrt::client::NewEdition meta{"t", "", "", {"TI", "AB"}, {1, 2}};
  zrt::client::LoadStats stats;
  zrt::client::Status s = zrt::client::LoadEdition(dir / "ed", meta, *source, &stats);
  ASSERT_TRUE(s.ok()) << s.message();

  fixture::Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  Put(h, "альфа зета", "бета");  // words of both indexes, one of the update index only
  Put(h, "зета", "альфа альфа");
  ASSERT_EQ(ZRT_Commit(h), 0);
  ASSERT_EQ(ZRT_GotoRecord(h, 2), 0);
  Put(h, "бета", "тета", true);  // a changed record: its old words stay in the static index

  std::vector<WordRow> all;
  ASSERT_TRUE(zrt::client::ListAllWords(h, "", &all, &error)) << error;
  ASSERT_GE(all.size(), 6u);
  for (const WordRow& w : all) {
    std::vector<WordRow> listed;
    bool cut = true;
    ASSERT_TRUE(zrt::client::ListByRoot(h, w.word, "", &listed, &cut, &error)) << error;
    ASSERT_EQ(listed.size(), 1u) << zrt::client::ToUtf8(w.word);
    EXPECT_EQ(listed[0].documents, w.documents) << zrt::client::ToUtf8(w.word);
    EXPECT_EQ(listed[0].occurrences, w.occurrences) << zrt::client::ToUtf8(w.word);
    EXPECT_FALSE(cut);
  }
  // АЛЬФА: records 1 and 3 (static), 4 and 5 (update); in TI and AB.
  std::vector<WordRow> alpha;
  ASSERT_TRUE(zrt::client::ListAllWords(h, Ansi("аль"), &alpha, &error)) << error;
  ASSERT_EQ(alpha.size(), 1u);
  EXPECT_EQ(alpha[0].documents, 4);
  EXPECT_EQ(alpha[0].occurrences, 6);
  EXPECT_EQ(alpha[0].fieldMask, 3u);
}

}  // namespace
