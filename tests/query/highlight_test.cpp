// Highlighting: the recorded query replayed over a field's words, and marks that are
// always balanced.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "query/word_opcodes.h"
#include "query_test_util.h"

using namespace querytest;
using fixture::Ansi;

namespace {

fixture::Edition Sample() {
  fixture::Edition e;
  e.fields = {{"TI", 1}, {"AB", 2}};
  e.records = {{{{1, Ansi("нефть и газ")}, {2, Ansi("нефтяной газа")}}, false},
               {{{1, Ansi("нефть и газа")}}, false}};
  e.words = ToFixtureWords(ScanWords(e));
  return e;
}

class Highlight : public ::testing::Test {
protected:
  void SetUp() override {
    fixture::Write(dir_ / "ed", Sample());
    ASSERT_EQ(ZRT_Open(h_, (dir_ / "ed").c_str(), nullptr), 0);
  }
  // Runs the query into a fresh list and marks `text` (field `field`) with [[ ]].
  std::string Mark(const std::string& query, const std::string& text, uint8_t field = 1) {
    CWordOpCode_Clear(list_);
    EXPECT_EQ(ZRT_SetQueryByString(h_, Ansi(query).c_str(), 0, nullptr, list_, nullptr), 0) << query;
    return Marked(text, field, 1, 0, 0);
  }
  std::string Marked(const std::string& text, uint8_t field, int m1, int m2, int m3) {
    std::string in = Ansi(text);
    std::vector<char> out(in.size() + ZRT_HIGH_EXTRA);
    LStrHigh(in.c_str(), out.data(), list_, field, 1, m1, m2, m3);
    std::string s = out.data();
    std::string shown;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '_' && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xDD) {
        shown += "[[";
        ++i;
      } else if (s[i] == '_' && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xFD) {
        shown += "]]";
        ++i;
      } else {
        shown += s[i];
      }
    }
    return shown;
  }

  TempDir dir_;
  Handle h_;
  OpCodes list_;
};

TEST_F(Highlight, ReplaysTheQuery) {
  const struct {
    const char *query, *text;
    uint8_t field;
    const char* marked;
  } cases[] = {
      {"нефть NOT газ", "нефть и газ", 1, "[[нефть]] и газ"}, {"нефт$", "нефтяной", 1, "[[нефт]]яной"},
      {"нефть ADJ2 газа", "нефть и газа", 1, "[[нефть и газа]]"},
      {"нефть ADJ газа", "нефть и газа", 1, "[[нефть и газа]]"},
      {"(нефть) IN TI", "нефть и газ", 1, "[[нефть]] и газ"},
      {"(нефть) IN TI", "нефть и газ", 2, "нефть и газ"}, {"(нефть) NOTIN TI", "нефть и газ", 1, "нефть и газ"},
      {"нефть OR газ", "газ, нефть; газ", 1, "[[газ]], [[нефть]]; [[газ]]"},
      {"нефть газ", "нефть и газ", 1, "[[нефть]] и [[газ]]"}, {"нефть газа", "нефть и газ", 1, "нефть и газ"},
      {"нефть", "НЕФТЬ нефтью", 1, "[[НЕФТЬ]] нефтью"}, {"вода", "нефть и газ", 1, "нефть и газ"},
      // «ё» is «е» to the comparison; the text keeps its spelling.
      {"мертвые", "Мёртвые души", 1, "[[Мёртвые]] души"},
      {"всё OR ёлке", "всё на елке", 1, "[[всё]] на [[елке]]"}, {"мЁр$", "мертвые", 1, "[[мер]]твые"},
      // Both words mark the same text word: one pair of marks.
      {"нефть OR нефт$", "нефть", 1, "[[нефть]]"},
      {"(нефть ADJ2 газа) OR газа", "нефть и газа", 1, "[[нефть и газа]]"},
  };
  for (const auto& c : cases) EXPECT_EQ(Mark(c.query, c.text, c.field), Ansi(c.marked)) << c.query << " / " << c.text;
}

TEST_F(Highlight, AutoCutMarksPrefixes) {
  QueryParamsScope p('$', 0, 0, 1);
  EXPECT_EQ(Mark("нефть", "нефтью"), Ansi("[[нефть]]ю"));  // the prefix the query wrote
  // A word that ends in the cut character marks its prefix with auto cut on as well.
  EXPECT_EQ(Mark("нефт$", "нефтяной"), Ansi("[[нефт]]яной"));
}

TEST_F(Highlight, MarksAndCopies) {
  CWordOpCode_Clear(list_);
  ASSERT_EQ(ZRT_SetQueryByString(h_, Ansi("нефть").c_str(), 0, nullptr, list_, nullptr), 0);
  const std::string in = Ansi("нефть");
  auto high = [&](CWordOpCode* list, int on, int m1, int m2, int m3) {
    std::vector<char> out(in.size() + ZRT_HIGH_EXTRA);
    LStrHigh(in.c_str(), out.data(), list, 1, on, m1, m2, m3);
    return std::string(out.data());
  };
  EXPECT_EQ(high(list_, 1, 1, 0, 0), "_\xDD" + in + "_\xFD");
  EXPECT_EQ(high(list_, 1, 1, 1, 1), "_\xDD_\xDE_\xDF" + in + "_\xFF_\xFE_\xFD");
  EXPECT_EQ(high(list_, 1, 0, 1, 0), "_\xDE" + in + "_\xFE");  // each switch its own mark
  EXPECT_EQ(high(list_, 1, 0, 0, 1), "_\xDF" + in + "_\xFF");
  EXPECT_EQ(high(list_, 0, 1, 1, 1), in);
  EXPECT_EQ(high(nullptr, 1, 1, 1, 1), in);
  CWordOpCode_Clear(list_);
  EXPECT_EQ(high(list_, 1, 1, 1, 1), in);
}

// Every opening pair is closed before the next opens, for any query and text.
TEST_F(Highlight, MarksAreAlwaysBalanced) {
  const std::vector<std::string> words = {Ansi("нефть"), Ansi("нефтью"), Ansi("газ"), Ansi("газа"),
                                          Ansi("и"), "oil", "gas"};
  const std::vector<std::string> terms = {Ansi("нефть"), Ansi("нефт$"), Ansi("газ$"), "oil", "gas",
                                          Ansi("газа"), "o$"};
  const char* ops[] = {" OR ", " AND ", " NOT ", " ", " ADJ2 ", " WITH ", " NOTSAME "};
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::string query = terms[rng() % terms.size()];
    for (int k = static_cast<int>(rng() % 5); k > 0; --k)
      query += ops[rng() % std::size(ops)] + terms[rng() % terms.size()];
    if (rng() % 3 == 0) query = "(" + query + ") IN TI";
    std::string text;
    for (int k = 1 + static_cast<int>(rng() % 12); k > 0; --k) text += words[rng() % words.size()] + " ";
    CWordOpCode_Clear(list_);
    ASSERT_EQ(ZRT_SetQueryByString(h_, query.c_str(), 0, nullptr, list_, nullptr), 0) << query;
    std::vector<char> out(text.size() + ZRT_HIGH_EXTRA, '\x01');
    LStrHigh(text.c_str(), out.data(), list_, 1, 1, 1, 1, 1);
    std::string s(out.data());
    ASSERT_LE(s.size() + 1, out.size());
    int depth = 0;
    std::string plain;
    for (size_t i = 0; i < s.size(); ++i) {
      auto c = static_cast<unsigned char>(s[i + 1 < s.size() ? i + 1 : i]);
      if (s[i] == '_' && (c == 0xDD || c == 0xDE || c == 0xDF)) {
        ++depth;
        ASSERT_LE(depth, 3) << query;
        ++i;
      } else if (s[i] == '_' && (c == 0xFD || c == 0xFE || c == 0xFF)) {
        --depth;
        ASSERT_GE(depth, 0) << query;
        ++i;
      } else {
        plain += s[i];
      }
    }
    EXPECT_EQ(depth, 0) << query;
    EXPECT_EQ(plain, text);
  }
}

TEST_F(Highlight, ListStopsRecordingAtItsLimits) {
  std::string query = "oil";
  for (int i = 0; i < 150; ++i) query += " OR gas";
  CWordOpCode_Clear(list_);
  ASSERT_EQ(ZRT_SetQueryByString(h_, query.c_str(), 0, nullptr, list_, nullptr), 0);
  const auto& records = list_.list.impl->records();
  EXPECT_LE(list_.list.impl->words().size(), 100u);
  EXPECT_LE(records.size(), 400u);
  EXPECT_EQ(records.back().op, 0);  // the program ends with a whole operator
  std::string text = "gas oil gas";
  std::vector<char> out(text.size() + ZRT_HIGH_EXTRA);
  LStrHigh(text.c_str(), out.data(), list_, 1, 1, 1, 0, 0);
  EXPECT_EQ(std::string(out.data()), "_\xDDgas_\xFD _\xDDoil_\xFD _\xDDgas_\xFD");
}

TEST_F(Highlight, ManySpansStayWithinTheStatedRoom) {
  CWordOpCode_Clear(list_);
  ASSERT_EQ(ZRT_SetQueryByString(h_, "gas", 0, nullptr, list_, nullptr), 0);
  std::string text;
  for (int i = 0; i < 400; ++i) text += "gas ";
  std::vector<char> out(text.size() + ZRT_HIGH_EXTRA + 64, '\x7F');
  LStrHigh(text.c_str(), out.data(), list_, 1, 1, 1, 1, 1);
  size_t written = std::strlen(out.data()) + 1;
  EXPECT_LE(written, text.size() + ZRT_HIGH_EXTRA);
  for (size_t i = text.size() + ZRT_HIGH_EXTRA; i < out.size(); ++i) EXPECT_EQ(out[i], '\x7F');
}

}  // namespace
