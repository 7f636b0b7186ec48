// Query expansion: which words are expanded, lower-casing, and the output budget.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "morph_test_util.h"
#include "zrteng.h"

using namespace morphtest;  // NOLINT: the tests' own helpers

namespace {

const char* kNeft = "(нефти or нефть or нефтью)";  // byte order: и before ь

class Expand : public ::testing::Test {
protected:
  void SetUp() override {
    // нефть: row 16 (ь и и ь ью и ...), singular only; да: "да" + 11 long forms.
    const std::string longStem = "даааааааааааааааааааааааааааааааааааааааааааааа";
    file_ = std::make_unique<TempFile>(DictionaryBytes(
        {{{"нефт", 16, 0x3F}}, {{"газ", 1, AllSlots(12)}}, {{"да", 1, 1}, {longStem, 1, AllSlots(12) & ~1u}}}));
    ASSERT_EQ(DZInit(file_->path().c_str(), &ctx_), 0);
  }
  void TearDown() override { DZStop(&ctx_); }

  std::string Run(const char* utf8, int flags = 0) {
    const std::string q = W(utf8);
    std::vector<char> out(q.size() * DZ_EXPAND_FACTOR + (q.empty() ? 1 : 0) + 64, '#');
    char* r = DZExpandQuery(q.c_str(), out.data(), &ctx_, flags);
    EXPECT_EQ(r, out.data());
    const size_t limit = q.empty() ? 1 : q.size() * DZ_EXPAND_FACTOR;
    for (size_t i = limit; i < out.size(); ++i) EXPECT_EQ(out[i], '#') << "written past the budget at " << i;
    return U(out.data());
  }

  std::unique_ptr<TempFile> file_;
  DZContext ctx_{};
};

TEST_F(Expand, FreeWordsAreReplacedByTheirForms) {
  EXPECT_EQ(Run("нефть"), kNeft);
  EXPECT_EQ(Run("НЕФТЬ AND газ$"), std::string(kNeft) + " AND газ$");
  EXPECT_EQ(Run("(нефть|газ)"), std::string("(") + kNeft +
                                    "|(газ or газа or газам or газами or газах or газе or газов or газом or газу or "
                                    "газы))");
  EXPECT_EQ(Run("нефть IN TI"), std::string(kNeft) + " IN TI");
  EXPECT_EQ(Run("нефть&нефть\tнефть\r\nнефть"),
            std::string(kNeft) + "&" + kNeft + "\t" + kNeft + "\r\n" + kNeft);
  EXPECT_EQ(Run("нефть", DZ_FLAG_COMPRESS | DZ_FLAG_BARS), "(нефт$2)");
  EXPECT_EQ(Run("нефти", DZ_FLAG_BARS), "(нефти | нефть | нефтью)");
}

TEST_F(Expand, BoundWordsAreCopiedAsTyped) {
  EXPECT_EQ(Run(""), "");
  EXPECT_EQ(Run("'нефть'"), "'нефть'");
  EXPECT_EQ(Run("нефть.TI"), "нефть.TI");
  EXPECT_EQ(Run("нефть$ нефть? нефть1 нефтьX"), "нефть$ нефть? нефть1 нефтьX");
  EXPECT_EQ(Run("Xнефть"), "Xнефть");
  EXPECT_EQ(Run("в В"), "в В");
  EXPECT_EQ(Run("нефть(газ)"), "нефть(" + std::string("(газ or газа or газам or газами or газах or газе or газов or "
                                                        "газом or газу or газы)") + ")");
}

TEST_F(Expand, UnknownWordsAreLowerCased) {
  EXPECT_EQ(Run("Нефть"), kNeft);
  EXPECT_EQ(Run("УГОЛЬ"), "уголь");
  EXPECT_EQ(Run("уголь OR Уголь"), "уголь OR уголь");
  EXPECT_EQ(Run("ЁЛКА Ёлка ёлка"), "елка елка елка");  // ё as the dictionary spells it
}

TEST_F(Expand, ExpansionsThatDoNotFitStayWords) {
  // The forms of "да" need far more than 64 bytes per query byte.
  EXPECT_EQ(Run("да"), "да");
  EXPECT_EQ(Run("ДА нефть"), std::string("да ") + kNeft);
}

TEST(ExpandWithoutDictionary, CopiesAndLowerCases) {
  DZContext none{};
  char out[64 * 12];
  EXPECT_EQ(std::string(DZExpandQuery(W("НЕФТЬ AND x").c_str(), out, &none, 0)), W("нефть AND x"));
  EXPECT_EQ(DZExpandQuery(nullptr, out, &none, 0), out);
  EXPECT_EQ(out[0], 0);
}

}  // namespace
