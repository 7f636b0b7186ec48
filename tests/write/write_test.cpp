// Creating editions, appending, replacing and packing documents through the exports,
// checked by reading the files back and by queries.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "base/bytes.h"
#include "fixture/fault_env.h"
#include "core/create.h"
#include "edition/edition.h"
#include "fixture/fixture_writer.h"
#include "write/write_support.h"

using fixture::Ansi;
using namespace write_test;
namespace fs = std::filesystem;

namespace {

std::vector<Doc> ThreeDocs() {
  return {
      {{1, "D1"}, {2, Ansi("нефть и газ")}, {3, Ansi("Иванов И. И.")}},
      {{1, "D2"}, {2, Ansi("газ газ газ")}, {5, Ansi("нефть")}},
      {{1, "D3"}, {2, Ansi("уголь")}, {4, "oil; gas"}},
  };
}

std::string Field(EngineHandle* h, int32_t record, uint8_t field) {
  if (ZRT_GotoRecord(h, record) != 0) return "<unreadable>";
  return ZRT_GetDataBySrcNo(h, field);
}

// One ".cdd" entry by its word (Windows-1251, upper case).
struct Entry {
  uint32_t mask = 0, documents = 0, occurrences = 0;
  bool found = false;
};
Entry DictionaryEntry(const std::string& base, const std::string& word) {
  std::string cdd = fixture::ReadFile(base + ".cdd");
  std::string key = fixture::ToOem(word);
  key.resize(30, ' ');
  for (size_t at = 4; at + 46 <= cdd.size(); at += 46) {
    if (cdd.compare(at, 30, key) != 0) continue;
    return {zrt::GetU32(cdd.data() + at + 30), zrt::GetU32(cdd.data() + at + 34),
            zrt::GetU32(cdd.data() + at + 38), true};
  }
  return {};
}

TEST(Create, LoadBuildsAPackedEdition) {
  TempDir dir;
  ASSERT_EQ(Load(dir / "ed", ThreeDocs()), 0);
  EXPECT_FALSE(fs::exists(dir / "ed.cdl"));  // the load ends packed
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_GetNumRecords(h), 3);
  EXPECT_EQ(std::string(ZRT_GetOemName(h, 0)), "T");
  EXPECT_EQ(std::string(ZRT_GetCopyright(h)), "ORVANT");
  EXPECT_EQ(Field(h, 2, 5), Ansi("нефть"));
  // A word three times in one record and once in another: 2 documents, 4 occurrences.
  Entry gas = DictionaryEntry(dir / "ed", Ansi("ГАЗ"));
  ASSERT_TRUE(gas.found);
  EXPECT_EQ(gas.documents, 2u);
  EXPECT_EQ(gas.occurrences, 4u);
  EXPECT_EQ(gas.mask, 1u << 1);
  Entry oil = DictionaryEntry(dir / "ed", Ansi("НЕФТЬ"));
  EXPECT_EQ(oil.mask, (1u << 1) | (1u << 4));
  // Authors are joined into one term; one-letter words and "и" are not indexed.
  EXPECT_TRUE(DictionaryEntry(dir / "ed", Ansi("ИВАНОВ-И-И")).found);
  EXPECT_FALSE(DictionaryEntry(dir / "ed", Ansi("И")).found);
  EXPECT_EQ(Find(h, Ansi("газ").c_str()), (std::vector<int32_t>{1, 2}));
}

TEST(Create, PageIndexHasPairsAndLetterSummaries) {
  TempDir dir;
  ASSERT_EQ(Load(dir / "ed", ThreeDocs()), 0);
  std::string cdp = fixture::ReadFile(dir / "ed.cdp");
  ASSERT_EQ(cdp.substr(0, 4), "ASDP");
  size_t count = zrt::GetU16(cdp.data() + 4);
  ASSERT_EQ(cdp.size(), 6 + 8 * count);
  std::string cdd = fixture::ReadFile(dir / "ed.cdd");
  size_t words = (cdd.size() - 4) / 46;
  // Walk the entries: pairs ascending, each letter's summary after its pairs, counting
  // all its words, and every offset pointing at a word that starts with the letters.
  uint32_t letterWords = 0, total = 0;
  int previous = -1;
  for (size_t i = 0; i < count; ++i) {
    const char* e = cdp.data() + 6 + 8 * i;
    auto first = static_cast<uint8_t>(e[0]), second = static_cast<uint8_t>(e[1]);
    uint32_t n = zrt::GetU16(e + 2), offset = zrt::GetU32(e + 4);
    ASSERT_EQ(offset % 46, 0u);
    ASSERT_LT(offset / 46, words);
    EXPECT_EQ(static_cast<uint8_t>(cdd[4 + offset]), first);
    int key = first * 256 + second;
    EXPECT_GT(key, previous);
    previous = key;
    if (second == 255) {
      EXPECT_EQ(n, letterWords);
      total += n;
      letterWords = 0;
    } else {
      EXPECT_EQ(static_cast<uint8_t>(cdd[4 + offset + 1]), second);
      letterWords += n;
    }
  }
  EXPECT_EQ(letterWords, 0u);  // the last letter had its summary
  EXPECT_EQ(total, words);
}

TEST(Create, NeverOverwritesAnEdition) {
  TempDir dir;
  ASSERT_EQ(Load(dir / "ed", ThreeDocs()), 0);
  auto before = EditionFiles(dir / "ed");
  EXPECT_EQ(Load(dir / "ed", {{{1, "other"}}}), 0);  // the source is read, nothing loaded
  EXPECT_EQ(EditionFiles(dir / "ed"), before);
  zrt::NewEdition meta;
  meta.title = "x";
  meta.fieldNames = {"ID"};
  meta.fieldGroups = {1};
  EXPECT_FALSE(zrt::CreateEdition(dir / "ed", nullptr, meta).ok());
  EXPECT_EQ(EditionFiles(dir / "ed"), before);
}

TEST(Create, EmptyEditionOpensAndTitlesReadBack) {
  TempDir dir;
  zrt::NewEdition meta;
  meta.title = Ansi("Название");
  meta.copyright = Ansi("Права ") + "\xAB" + Ansi("ОРВАНТ") + "\xBB \x97 " + Ansi("ё");
  meta.fieldNames = {"ID", "TI"};
  meta.fieldGroups = {1, 0};
  ASSERT_TRUE(zrt::CreateEdition(dir / "ed", nullptr, meta).ok());
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_GetNumRecords(h), 0);
  EXPECT_EQ(ZRT_GetOgl(h), nullptr);
  EXPECT_EQ(std::string(ZRT_GetOemName(h, 0)), Ansi("Название"));  // no short name
  // Punctuation without a stored form gets its nearest one; ё is kept.
  EXPECT_EQ(std::string(ZRT_GetCopyright(h)), Ansi("Права \"ОРВАНТ") + "\xBB - " + Ansi("ё"));
  EXPECT_EQ(ZRT_GetFieldCount(h), 2);
}

// Also their words: a later record that takes the number must not match them.
TEST(Append, UncommittedRecordsAreGoneAfterReopen) {
  TempDir dir;
  ASSERT_EQ(Load(dir / "ed", ThreeDocs()), 0);
  {
    Handle h;
    ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
    EXPECT_GT(AppendDoc(h, {{1, "D4"}, {2, "appended"}}), 0);
    EXPECT_EQ(ZRT_GetNumRecords(h), 4);
    EXPECT_EQ(ZRT_GetRecNo(h), 4);
    EXPECT_EQ(Field(h, 4, 2), "appended");
  }
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_GetNumRecords(h), 3);
  EXPECT_EQ(Find(h, "appended"), std::vector<int32_t>{});
  char* texts[] = {const_cast<char*>("D5"), const_cast<char*>("later"), nullptr};
  ASSERT_EQ(ZRT_Insert(h, texts, texts), 0);
  EXPECT_EQ(Find(h, "appended"), std::vector<int32_t>{});
  EXPECT_EQ(Find(h, "later"), std::vector<int32_t>{4});
}

TEST(Append, InsertEndsItsListsAtANullPointer) {
  TempDir dir;
  ASSERT_EQ(Load(dir / "ed", ThreeDocs()), 0);
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  std::string one = "first", three = "third";
  char* texts[ZRT_MAX_TEXTS] = {one.data(), nullptr, three.data()};
  ASSERT_GE(ZRT_DoAppendBase(h, texts, texts), 0);  // a null is one absent field
  EXPECT_EQ(Field(h, 4, 3), "third");
  EXPECT_EQ(Field(h, 4, 2), "");
  ASSERT_EQ(ZRT_Insert(h, texts, texts), 0);  // a null ends the list
  EXPECT_EQ(Field(h, 5, 1), "first");
  EXPECT_EQ(Field(h, 5, 3), "");
  char empty[] = "";
  char* kept[ZRT_MAX_TEXTS] = {one.data(), empty, three.data()};
  ASSERT_EQ(ZRT_Insert(h, kept, kept), 0);  // an empty text keeps the list going
  EXPECT_EQ(Field(h, 6, 3), "third");
  ZRT_Close(h);
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_GetNumRecords(h), 6);  // Insert committed
  EXPECT_EQ(Find(h, "third"), (std::vector<int32_t>{4, 6}));
}

TEST(Update, KeepsNumberAndFlagForShorterAndLongerTexts) {
  TempDir dir;
  ASSERT_EQ(Load(dir / "ed", ThreeDocs()), 0);
  {
    // Set the record flag of record 2 by hand: updates must keep it.
    std::string cdb = fixture::ReadFile(dir / "ed.cdb");
    std::string cdx = fixture::ReadFile(dir / "ed.cdx");
    cdb[4 + zrt::GetU32(cdx.data() + 12)] |= static_cast<char>(0x80);
    fixture::WriteFile(dir / "ed.cdb", cdb);
  }
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  ASSERT_EQ(ZRT_GotoRecord(h, 2), 0);
  ASSERT_GT(UpdateDoc(h, {{1, "D2"}, {2, "short"}}), 0);
  EXPECT_EQ(Field(h, 2, 2), "short");
  EXPECT_EQ(Field(h, 3, 2), Ansi("уголь"));
  ASSERT_EQ(ZRT_GotoRecord(h, 2), 0);
  std::string longer(3000, 'w');
  ASSERT_GE(UpdateDoc(h, {{1, "D2"}, {2, "longer " + longer}}), 0);
  EXPECT_EQ(Field(h, 3, 2), Ansi("уголь"));  // its neighbour is intact
  EXPECT_EQ(Field(h, 2, 2), "longer " + longer);
  EXPECT_EQ(ZRT_GetNumRecords(h), 3);
  EXPECT_EQ(Find(h, "longer"), (std::vector<int32_t>{2}));
  EXPECT_EQ(Find(h, "short"), (std::vector<int32_t>{}));
  EXPECT_EQ(Find(h, Ansi("газ").c_str()), (std::vector<int32_t>{1}));  // old words gone
  ZRT_Close(h);

  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  ZRT_PackBase(h);
  EXPECT_EQ(ZRT_GetNumRecords(h), 3);
  EXPECT_EQ(Field(h, 2, 2), "longer " + longer);
  std::string cdb = fixture::ReadFile(dir / "ed.cdb");
  std::string cdx = fixture::ReadFile(dir / "ed.cdx");
  EXPECT_TRUE(cdb[4 + zrt::GetU32(cdx.data() + 12)] & 0x80);
  EXPECT_EQ(Find(h, "longer"), (std::vector<int32_t>{2}));
  EXPECT_EQ(Find(h, Ansi("газ").c_str()), (std::vector<int32_t>{1}));
}

// A record whose words are all withdrawn is removed by packing and the later records
// move down, in the record store and in the occurrences alike.
TEST(Pack, DropsWithdrawnRecordsAndRenumbers) {
  TempDir dir;
  ASSERT_EQ(Load(dir / "ed", ThreeDocs()), 0);
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  ASSERT_EQ(ZRT_GotoRecord(h, 1), 0);
  ASSERT_EQ(UpdateDoc(h, {}), 0);  // no words: withdrawn
  EXPECT_GT(AppendDoc(h, {{1, "D4"}, {2, Ansi("уголь газ")}}), 0);
  ASSERT_TRUE(h.h.edition->Commit().ok());
  EXPECT_EQ(Find(h, Ansi("газ").c_str()), (std::vector<int32_t>{2, 4}));
  ASSERT_TRUE(h.h.edition->Pack().ok());
  EXPECT_FALSE(fs::exists(dir / "ed.cdl"));
  EXPECT_FALSE(fs::exists(dir / "ed.cdi"));
  EXPECT_EQ(ZRT_GetNumRecords(h), 3);
  EXPECT_EQ(Field(h, 1, 1), "D2");
  EXPECT_EQ(Field(h, 3, 1), "D4");
  EXPECT_EQ(Find(h, Ansi("газ").c_str()), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(Find(h, Ansi("уголь").c_str()), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(Find(h, Ansi("нефть").c_str()), (std::vector<int32_t>{1}));

  // A second pack changes no byte.
  auto once = EditionFiles(dir / "ed");
  ASSERT_TRUE(h.h.edition->Pack().ok());
  EXPECT_EQ(EditionFiles(dir / "ed"), once);
}

// Update index: the record set and its entry counts survive a close and reopen, equal
// entries are kept twice, counts saturate, and an empty set leaves no files.
TEST(UpdateIndex, RecordSetOperations) {
  TempDir dir;
  zrt::UpdateIndex u;
  u.Attach(dir / "ed");
  EXPECT_EQ(u.Open(false).code(), zrt::Status::Code::NotFound);
  ASSERT_TRUE(u.AddOccurrence("WORD", 5, 2, 1).ok());
  ASSERT_TRUE(u.AddOccurrence("WORD", 5, 2, 1).ok());
  ASSERT_TRUE(u.AddOccurrence("OTHER", 7, 1, 3).ok());
  ASSERT_TRUE(u.WithdrawRecord(9).ok());  // never indexed: kept with count 0
  ASSERT_TRUE(u.Close().ok());
  ASSERT_TRUE(fs::exists(dir / "ed.cdl"));

  ASSERT_TRUE(u.Open(false).ok());
  EXPECT_EQ(u.totalEntries(), 3u);
  ASSERT_EQ(u.items().size(), 3u);
  EXPECT_EQ(u.items()[0].record, 5u);
  EXPECT_EQ(u.items()[0].entries, 2);
  EXPECT_EQ(u.items()[2].record, 9u);
  EXPECT_EQ(u.items()[2].entries, 0);
  std::vector<zrt::Occurrence> found;
  bool any = false;
  ASSERT_TRUE(u.Lookup("word", &found, &any).ok());
  EXPECT_EQ(found.size(), 2u);
  std::vector<zrt::DictionaryRow> rows;
  ASSERT_TRUE(u.List("", 0xFFFFFFFFu, &rows).ok());
  ASSERT_EQ(rows.size(), 2u);  // OTHER, WORD
  EXPECT_EQ(rows[1].occurrences, 2u);
  EXPECT_EQ(rows[1].documents, 1u);

  ASSERT_TRUE(u.WithdrawRecord(5).ok());
  EXPECT_EQ(u.totalEntries(), 1u);
  ASSERT_TRUE(u.Lookup("word", &found, &any).ok());
  EXPECT_FALSE(any);
  // A record's entry count stops at 255 instead of wrapping; the total goes on.
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(u.AddOccurrence("W", 1, 1, static_cast<uint8_t>(i)).ok());
  EXPECT_EQ(u.items()[0].entries, 255);
  EXPECT_EQ(u.totalEntries(), 301u);
  ASSERT_TRUE(u.DeleteRecords(1, 100).ok());
  EXPECT_TRUE(u.items().empty());
  EXPECT_EQ(u.totalEntries(), 0u);
  ASSERT_TRUE(u.Close().ok());
  EXPECT_FALSE(fs::exists(dir / "ed.cdl"));
  EXPECT_FALSE(fs::exists(dir / "ed.cdi"));
}

TEST(ReadOnly, EveryWriteIsRefused) {
  TempDir dir;
  ASSERT_EQ(Load(dir / "ed", ThreeDocs()), 0);
  auto before = EditionFiles(dir / "ed");
  {
    fixture::FaultEnv env;
    env.readOnly = true;
    Handle h;
    ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
    EXPECT_EQ(AppendDoc(h, {{1, "x"}}), -1);
    ASSERT_EQ(ZRT_GotoRecord(h, 1), 0);
    EXPECT_EQ(UpdateDoc(h, {{1, "x"}}), -1);
    std::string one = "x";
    char* texts[ZRT_MAX_TEXTS] = {one.data()};
    EXPECT_EQ(ZRT_Insert(h, texts, texts), -1);
    EXPECT_EQ(ZRT_PackBase(h), 0);
    EXPECT_FALSE(h.h.edition->Pack().ok());
    EXPECT_EQ(ZRT_GetNumRecords(h), 3);
  }
  EXPECT_EQ(EditionFiles(dir / "ed"), before);
}

TEST(RowTable, NamedValues) {
  auto table = std::make_unique<ZRT_RowTable>();
  EXPECT_EQ(ZRT_CGetRowByNum(table.get(), 0), nullptr);
  ASSERT_EQ(ZRT_CAddRow(table.get(), "Title", "War and Peace", 1), 0);
  ASSERT_EQ(ZRT_CAddRow(table.get(), "Year", "1869", 0), 0);
  EXPECT_STREQ(ZRT_CGetRowByNum(table.get(), 1), "1869");
  EXPECT_STREQ(ZRT_CGetRowByName(table.get(), "Title"), "War and Peace");
  EXPECT_EQ(ZRT_CGetRowByName(table.get(), "TITLE"), nullptr);  // case matters
  EXPECT_EQ(table->lengths[0], 13);
  // A full table refuses more rows instead of writing past its area.
  std::string big(ZRT_ROW_TEXT_SIZE / 2, 'v');
  ASSERT_EQ(ZRT_CAddRow(table.get(), "a", big.c_str(), 1), 0);
  EXPECT_EQ(ZRT_CAddRow(table.get(), "b", big.c_str(), 0), -1);
  for (int i = 1; i <= ZRT_ROWS_MAX; ++i) ASSERT_EQ(ZRT_CAddRow(table.get(), "n", "v", i == 1), 0) << i;
  EXPECT_EQ(ZRT_CAddRow(table.get(), "n", "v", 0), -1);
}

}  // namespace

// The update index answers as the packed edition will: a record indexed again without
// words (its index texts all stop words or empty) keeps its place, and a truncated term
// takes no more words before the pack than the dictionary gives it after.
TEST(Pack, UpdateIndexAnswersAsThePackedEditionWill) {
  TempDir dir;
  ASSERT_EQ(Load(dir / "ed", ThreeDocs()), 0);
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  for (int i = 0; i < 400; ++i) ASSERT_GT(AppendDoc(h, {{1, "P"}, {2, "pre" + std::to_string(i)}}), 0);
  ASSERT_EQ(ZRT_Commit(h), 0);
  ASSERT_EQ(ZRT_GotoRecord(h, 2), 0);
  char* store[ZRT_MAX_TEXTS] = {};
  char* none[ZRT_MAX_TEXTS] = {};
  std::string id = "D2", title = Ansi("газ");
  store[0] = id.data();
  store[1] = title.data();
  ASSERT_EQ(ZRT_DoUpdateBase(h, store, none), 0);
  ASSERT_EQ(ZRT_Commit(h), 0);
  const std::vector<int32_t> truncated = Find(h, "pre$");
  EXPECT_EQ(Find(h, Ansi("газ").c_str()), (std::vector<int32_t>{1}));
  ASSERT_TRUE(h.h.edition->Pack().ok());
  EXPECT_EQ(ZRT_GetNumRecords(h), 403);
  EXPECT_EQ(Field(h, 2, 1), "D2");
  EXPECT_EQ(Find(h, "pre$"), truncated);
  EXPECT_EQ(truncated.size(), 301u);
}

// One writer: a handle that has written keeps the edition until it closes; a second one
// is refused with a reason and changes nothing, then writes once the first has closed.
TEST(Writers, ASecondWriterIsRefusedUntilTheFirstCloses) {
  TempDir dir;
  ASSERT_EQ(Load(dir / "ed", ThreeDocs()), 0);
  Handle first, second;
  ASSERT_EQ(ZRT_Open(first, (dir / "ed").c_str(), nullptr), 0);
  ASSERT_GT(AppendDoc(first, {{1, "D4"}, {2, "one"}}), 0);
  ASSERT_EQ(ZRT_Commit(first), 0);
  ASSERT_EQ(ZRT_Open(second, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_GetNumRecords(second), 4);
  EXPECT_EQ(AppendDoc(second, {{1, "D5"}, {2, "two"}}), -1);
  EXPECT_NE(std::string(ZRT_ErrMsg(second)).find("another process is writing"), std::string::npos)
      << ZRT_ErrMsg(second);
  ASSERT_GT(AppendDoc(first, {{1, "D5"}, {2, "three"}}), 0);
  ASSERT_EQ(ZRT_Commit(first), 0);
  EXPECT_EQ(Find(second, "three"), (std::vector<int32_t>{5})) << "a reader sees the later commit";
  ZRT_Close(first);
  ASSERT_GT(AppendDoc(second, {{1, "D6"}, {2, "two"}}), 0);
  ASSERT_EQ(ZRT_Commit(second), 0);
  EXPECT_EQ(Find(second, "two"), (std::vector<int32_t>{6}));
}
