// The query language through the C ABI: what the parser accepts and rejects, how limits
// are appended, the table limits, op-code recording, progress reports and the browse
// and found lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "edition/edition.h"
#include "query/query.h"
#include "query/word_opcodes.h"
#include "query_test_util.h"
#include "text/stopwords.h"

using namespace querytest;
using fixture::Ansi;

namespace {

fixture::Edition Sample() {
  fixture::Edition e;
  e.fields = {{"TI", 1}, {"AB", 2}, {"KW", 3}, {"PY", 4}, {"LA", 5}};
  auto rec = [](std::vector<std::pair<uint8_t, std::string>> f) { return fixture::Record{f, false}; };
  e.records = {
      rec({{1, Ansi("Добыча нефть и газа")}, {2, Ansi("нефть газ вода")}, {4, "1995"}, {5, "RU"}}),
      rec({{1, Ansi("нефть")}, {2, Ansi("газа много")}, {4, "1996"}, {5, "EN"}}),
      rec({{1, Ansi("Нефтяной газ")}, {3, Ansi("нефтью")}, {4, "1995"}, {5, "EN"}}),
      rec({{1, "NOT O'Neil ORANGE ANDES"}, {2, "a & b"}}),
      rec({{3, Ansi("нефть.TI")}, {2, "alpha beta gamma delta"}}),
  };
  e.words = ToFixtureWords(ScanWords(e));
  return e;
}

class Language : public ::testing::Test {
protected:
  void SetUp() override {
    fixture::Write(dir_ / "ed", Sample());
    ASSERT_EQ(ZRT_Open(h_, (dir_ / "ed").c_str(), nullptr), 0);
  }
  // The records found, or {-1} when the query fails.
  std::vector<int32_t> Run(const std::string& utf8) {
    if (ZRT_SetQueryByString(h_, Ansi(utf8).c_str(), 0, nullptr, nullptr, nullptr) != 0) {
      EXPECT_EQ(ZRT_GetNumFoundRecords(h_), 0);
      return {-1};
    }
    return FoundRecords(h_);
  }

  TempDir dir_;
  Handle h_;
};

using V = std::vector<int32_t>;
const V kError = {-1};

TEST_F(Language, AcceptsAndRejectsByTheGrammar) {
  const std::vector<std::pair<const char*, V>> cases = {
      {"нефть", {1, 2}}, {"нефть газ", {1}},  // juxtaposition is SAME: both in AB of record 1
      {"нефть SAME газ", {1}}, {"нефть AND газ", {1}}, {"нефть AND газа", {1, 2}},
      {"(нефть OR газ) IN TI, AB", {1, 2, 3}}, {"(газ OR газа) IN TI", {1, 3}}, {"нефть.TI", {1, 2}},
      {"нефть..TI", {1}}, {"нефть IN TI", {1, 2}}, {"нефть NOTIN TI", {1}}, {"нефть notin TI", {1}},
      {"нефть NOT газа", {}}, {"нефть NOTAND газа", {}}, {"нефть ~ газа", {}}, {"нефть NOTSAME газа", {1, 2}},
      {"нефть notsame газа", {1, 2}}, {"нефть NotSame газа", {1, 2}}, {"нефть | нефтью", {1, 2, 3}},
      {"нефть & газа", {1, 2}}, {"'NOT'", {4}}, {"'O''Neil'", {4}},
      {"ORANGE", {4}},  // a keyword followed by a letter is a term
      {"ANDES", {4}}, {"alpha ADJ3 delta", {5}}, {"alpha ADJ2 delta", {}}, {"alpha ADJ beta", {5}},
      {"beta ADJ alpha", {}}, {"alpha ADJ10", {}},  // "ADJ10" is a term, joined by SAME
      {"(нефть)", {1, 2}}, {"  нефть  ", {1, 2}}, {"нефть AND", kError}, {"()", kError}, {"(нефть", kError},
      {"нефть)", kError}, {"AND нефть", kError}, {"нефть IN XX", kError}, {"нефть IN TI,", kError},
      {"'нефть", kError}, {"нефть OR OR газ", kError}, {"", kError}, {"   ", kError},
  };
  for (const auto& [query, expected] : cases) EXPECT_EQ(Run(query), expected) << query;
}

TEST_F(Language, SwitchesChangeHowTheTextIsRead) {
  {
    QueryParamsScope p('$', 1, 0, 0);
    EXPECT_EQ(Run("нефть.TI"), V{5});  // one term, as the scanner indexed it
    EXPECT_EQ(Run("нефть..TI"), V{});
  }
  {
    QueryParamsScope p('$', 0, 1, 0);
    EXPECT_EQ(Run("a & b"), V{});          // three terms joined by SAME: "&" is no word
    EXPECT_EQ(Run("нефть AND газа"), (V{1, 2}));  // the word operators stay
    EXPECT_EQ(Run("нефть | газа"), V{});
  }
  {
    QueryParamsScope p('*', 0, 0, 0);
    EXPECT_EQ(Run("нефт*"), (V{1, 2, 3, 5}));
    EXPECT_EQ(Run("нефт$"), V{});
  }
}

TEST(QueryText, LimitsAreAppended) {
  std::string q;
  ASSERT_TRUE(zrt::ComposeQueryText(Ansi("нефть"), {{"PY", "1995"}, {"LA", "RU"}}, &q).ok());
  EXPECT_EQ(q, Ansi("(нефть)  AND (1995) IN PY AND (RU) IN LA"));
  ASSERT_TRUE(zrt::ComposeQueryText("", {{"PY", "1995"}}, &q).ok());
  EXPECT_EQ(q, "(1995) IN PY");
  ASSERT_TRUE(zrt::ComposeQueryText("x", {{"PY", ""}, {"", "1"}}, &q).ok());
  EXPECT_EQ(q, "x");
  EXPECT_FALSE(zrt::ComposeQueryText("", {}, &q).ok());
  EXPECT_EQ(zrt::ComposeQueryText(std::string(2000, 'a'), {{"PY", std::string(40, '1')}}, &q).code(),
            zrt::Status::Code::Limit);
}

TEST_F(Language, LimitsThroughTheAbi) {
  ZRTLimit limits[2] = {};
  std::strcpy(limits[0].field, "PY");
  std::strcpy(limits[0].text, "1995");
  std::strcpy(limits[1].field, "LA");
  std::strcpy(limits[1].text, "EN");
  ASSERT_EQ(ZRT_SetQueryByString(h_, Ansi("нефть OR нефтью").c_str(), 2, limits, nullptr, nullptr), 0);
  EXPECT_EQ(FoundRecords(h_), V{3});
  ASSERT_EQ(ZRT_SetQueryByString(h_, "", 1, limits, nullptr, nullptr), 0);
  EXPECT_EQ(FoundRecords(h_), (V{1, 3}));
  EXPECT_EQ(ZRT_SetQueryByString(h_, "", 0, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(ZRT_SetQueryByString(h_, nullptr, 0, nullptr, nullptr, nullptr), -1);
}

TEST_F(Language, TableLimitsFailCleanly) {
  // Terms: 127 bytes anywhere, 128 only at the very end.
  const std::string t127(127, 'x'), t128(128, 'x');
  // Pending sets: ten nested right operands fit, eleven do not.
  auto nested = [](int depth) {
    std::string q = "alpha";
    for (int i = 0; i < depth; ++i) q = "alpha AND (" + q + ")";
    return q;
  };
  // Field lists: 126 source fields, not 127.
  std::string list126 = "TI";
  for (int i = 1; i < 126; ++i) list126 += ",TI";
  const std::pair<std::string, V> cases[] = {
      // Terms: 127 bytes anywhere, 128 only at the very end.
      {t127 + " OR a", {4}}, {"a OR " + t128, {4}}, {t128 + " OR a", kError}, {"a OR " + t128 + "x", kError},
      {"'" + t128 + "'", kError}, {nested(9), {5}}, {nested(10), kError}, {"нефть IN " + list126, {1, 2}},
      {"нефть IN " + list126 + ",TI", kError}, {std::string(2048, 'a'), kError},
  };
  for (const auto& [query, found] : cases) EXPECT_EQ(Run(query), found) << query.substr(0, 40);
}

TEST_F(Language, RecordsTheWordOpCodes) {
  using R = std::tuple<int, int, uint32_t>;
  auto program = [&](const std::string& utf8) {
    OpCodes list;
    EXPECT_EQ(ZRT_SetQueryByString(h_, Ansi(utf8).c_str(), 0, nullptr, list, nullptr), 0) << utf8;
    std::vector<R> out;
    for (const auto& r : list.list.impl->records()) out.emplace_back(r.op, r.first, r.second);
    return out;
  };
  EXPECT_EQ(program("нефть AND газ"), (std::vector<R>{{2, 0, 0}, {2, 1, 0}, {0, 0, 1}}));
  EXPECT_EQ(program("нефть ADJ2 газ"), (std::vector<R>{{2, 0, 0}, {2, 1, 0}, {12, 0, 1}}));
  EXPECT_EQ(program("(нефть) IN TI"), (std::vector<R>{{2, 0, 0}, {3, 0, 1}}));
  EXPECT_EQ(program("(нефть) NOTIN TI, KW"), (std::vector<R>{{2, 0, 0}, {4, 0, 5}}));
  EXPECT_EQ(program("(нефть AND газ) IN TI"),
            (std::vector<R>{{2, 0, 0}, {2, 1, 0}, {1, 0, 1}, {3, 0, 1}}));
  EXPECT_EQ(program("нефть NOT газ OR вода"),
            (std::vector<R>{{2, 0, 0}, {2, 1, 0}, {5, 0, 1}, {2, 2, 0}, {0, 0, 2}}));
  EXPECT_EQ(program("a WITH (b c)"),
            (std::vector<R>{{2, 0, 0}, {2, 1, 0}, {2, 2, 0}, {1, 1, 2}, {1, 0, 1}}));

  OpCodes list;
  ASSERT_EQ(ZRT_SetQueryByString(h_, "'O''Neil' OR abcd$3", 0, nullptr, list, nullptr), 0);
  ASSERT_EQ(list.list.impl->words().size(), 2u);
  EXPECT_EQ(list.list.impl->words()[0].text, "O'Neil");
  EXPECT_EQ(list.list.impl->words()[1].text, "abcd$");
}

TEST_F(Language, StopWordsAreNeutralAndNotRecorded) {
  zrt::StopList::Global().SetEntries({Ansi("ДОБЫЧА"), "THE"});
  OpCodes list;
  ASSERT_EQ(ZRT_SetQueryByString(h_, Ansi("нефть AND the").c_str(), 0, nullptr, list, nullptr), 0);
  EXPECT_EQ(FoundRecords(h_), (V{1, 2}));
  EXPECT_EQ(list.list.impl->records().size(), 1u);  // only the term
  EXPECT_EQ(Run("the AND нефть"), (V{1, 2}));
  EXPECT_EQ(Run("нефть NOT the"), (V{1, 2}));
  EXPECT_EQ(Run("the NOT нефть"), V{});
  EXPECT_EQ(Run("the OR нефть"), (V{1, 2}));
  EXPECT_EQ(Run("the"), V{});
  EXPECT_EQ(Run("(the) IN TI"), V{});
  // A word that the index holds is never a stop word.
  EXPECT_EQ(Run("добыча"), V{1});
  zrt::StopList::Global().Clear();
}

TEST_F(Language, ReportsProgressPerTerm) {
  zrt::StopList::Global().SetEntries({"THE"});
  static std::vector<std::tuple<int, int, int, std::string>> calls;
  calls.clear();
  auto progress = [](int32_t rows, int32_t records, int32_t occurrences, const char* term) {
    calls.emplace_back(rows, records, occurrences, term);
  };
  ASSERT_EQ(ZRT_SetQueryByString(h_, Ansi("нефт$ OR zzz OR the OR газа").c_str(), 0, nullptr, nullptr,
                                 progress),
            0);
  zrt::StopList::Global().Clear();
  ASSERT_EQ(calls.size(), 4u);
  // НЕФТЬ (records 1, 2: three occurrences), НЕФТЬ.TI (5), НЕФТЬЮ (3), НЕФТЯНОЙ (3).
  EXPECT_EQ(calls[0], std::make_tuple(4, 4, 6, Ansi("нефт$")));
  EXPECT_EQ(calls[1], std::make_tuple(0, 0, 0, std::string("zzz")));
  EXPECT_EQ(calls[2], std::make_tuple(-1, -1, -1, std::string("the")));
  EXPECT_EQ(calls[3], std::make_tuple(1, 2, 2, Ansi("газа")));
}

// The work budget: a progress callback that asks to stop ends the query after that term,
// and a query over the occurrence bound fails instead of growing.
EngineHandle* stopHandle = nullptr;
int stopTerms = 0;
void StopAtThirdTerm(int32_t, int32_t, int32_t, const char*) {
  if (++stopTerms == 3) ZRT_StopQuery(stopHandle);
}

TEST_F(Language, ProgressCallbackStopsAQueryAndOccurrencesAreBounded) {
  stopHandle = h_;
  const std::string query = Ansi("нефть OR газ OR вода OR alpha OR beta");
  EXPECT_EQ(ZRT_SetQueryByString(h_, query.c_str(), 0, nullptr, nullptr, StopAtThirdTerm), -1);
  EXPECT_EQ(stopTerms, 3);
  EXPECT_EQ(ZRT_ErrCode(h_), ZRT_ERR_LIMIT);
  EXPECT_NE(std::string(ZRT_ErrMsg(h_)).find("stopped after 3 terms"), std::string::npos) << ZRT_ErrMsg(h_);
  EXPECT_EQ(ZRT_GetNumFoundRecords(h_), 0);
  stopTerms = 3;  // the request does not outlive its query
  EXPECT_EQ(ZRT_SetQueryByString(h_, query.c_str(), 0, nullptr, nullptr, StopAtThirdTerm), 0);
  EXPECT_EQ(stopTerms, 8);

  zrt::SearchContext context = h_->edition->searchContext();
  context.maxOccurrences = 3;
  const std::vector<std::pair<const char*, bool>> cases = {
      {"alpha OR beta OR gamma", true}, {"alpha OR beta OR gamma OR delta", false},
      {"alpha ADJ beta", true},         {"нефт$", false},
  };
  for (const auto& [text, fits] : cases) {
    zrt::FoundSet found;
    zrt::Status s = zrt::RunQuery(context, Ansi(text), nullptr, {}, &found);
    EXPECT_EQ(s.code(), fits ? zrt::Status::Code::Ok : zrt::Status::Code::Limit) << text << ": " << s.message();
  }
}

TEST_F(Language, FoundAndBrowseLists) {
  ASSERT_EQ(ZRT_SetQueryByString(h_, Ansi("нефт$ OR alpha").c_str(), 0, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(ZRT_GetNumFoundRecords(h_), 4);
  EXPECT_EQ(ZRT_BuildList(h_, nullptr, 0), 4);
  int32_t list[10] = {};
  EXPECT_EQ(ZRT_BuildList(h_, list, 2), 2);
  EXPECT_EQ(list[0], 1);
  EXPECT_EQ(list[1], 2);
  EXPECT_EQ(ZRT_BuildList(h_, list, 0), 0);

  // The browse list: records after (forward) or before `from`, at most `max` of them.
  auto browse = [&](int32_t max, int32_t from, int32_t forward) {
    V rno(static_cast<size_t>(max) + 1, -9);
    rno.resize(static_cast<size_t>(std::max(0, ZRT_GetRnoList(h_, rno.data(), max, from, forward))));
    return rno;
  };
  EXPECT_EQ(browse(20, 0, 1), (V{1, 2, 3, 4, 5}));
  EXPECT_EQ(browse(2, 2, 1), (V{3, 4}));
  EXPECT_EQ(browse(20, -7, 1), (V{1, 2, 3, 4, 5}));
  EXPECT_EQ(browse(20, 9, 1), V{});
  EXPECT_EQ(browse(2, 5, 0), (V{3, 4}));
  EXPECT_EQ(browse(20, 4, 0), (V{1, 2, 3}));  // fewer than `max` before `from`: all of them
  EXPECT_EQ(browse(20, 99, 0), (V{1, 2, 3, 4, 5}));
  EXPECT_EQ(browse(20, 1, 0), V{});

  // A failed query leaves nothing found.
  EXPECT_EQ(ZRT_SetQueryByString(h_, "(", 0, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(ZRT_GetNumFoundRecords(h_), 0);
  EXPECT_EQ(ZRT_BuildList(h_, nullptr, 0), 0);
}

TEST(QueryFailure, UnreadableOccurrencesFailTheQuery) {
  TempDir dir;
  fixture::Write(dir / "ed", Sample());
  std::string cdh = fixture::ReadFile(dir / "ed.cdh");
  fixture::WriteFile(dir / "ed.cdh", cdh.substr(0, 10));
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_SetQueryByString(h, Ansi("нефт$").c_str(), 0, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(ZRT_GetNumFoundRecords(h), 0);
  // A row whose run points far beyond the file.
  fixture::Write(dir / "ed", Sample());
  std::string cdd = fixture::ReadFile(dir / "ed.cdd");
  for (size_t at = 4 + 42; at + 4 <= cdd.size(); at += 46) fixture::PutU32(cdd, at, 0xFFFFFFF0u);
  fixture::WriteFile(dir / "ed.cdd", cdd);
  Handle h2;
  ASSERT_EQ(ZRT_Open(h2, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_SetQueryByString(h2, Ansi("нефть").c_str(), 0, nullptr, nullptr, nullptr), -1);
  // A dictionary cut inside a run of rows.
  fixture::Write(dir / "ed", Sample());
  cdd = fixture::ReadFile(dir / "ed.cdd");
  fixture::WriteFile(dir / "ed.cdd", cdd.substr(0, cdd.size() - 20));
  Handle h3;
  ASSERT_EQ(ZRT_Open(h3, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_SetQueryByString(h3, "zzz$", 0, nullptr, nullptr, nullptr), 0);
}

}  // namespace
