// Forms of a word from dictionary files written by the tests' own writer: candidates
// from both ranges, rings, the prefix list, truncated slots, sorting, duplicates and the
// joining of the output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "morph_test_util.h"
#include "zrteng.h"

using namespace morphtest;  // NOLINT: the tests' own helpers

namespace {

class Dict {
public:
  explicit Dict(const std::vector<std::vector<Rec>>& rings) : file_(DictionaryBytes(rings)) {
    EXPECT_EQ(DZInit(file_.path().c_str(), &ctx_), 0);
  }
  ~Dict() { DZStop(&ctx_); }
  // The output as UTF-8; *n gets the count.
  std::string Forms(const char* wordUtf8, int flags = 0, int* n = nullptr) {
    std::vector<char> out(DZ_FORMS_SIZE, 'x');
    int count = DZFindForms(W(wordUtf8).c_str(), out.data(), &ctx_, flags);
    if (n) *n = count;
    return U(out.data());
  }
  DZContext* ctx() { return &ctx_; }

private:
  TempFile file_;
  DZContext ctx_;
};

const std::vector<Rec> kStol = {{"стол", 1, AllSlots(12)}};
const std::vector<Rec> kOtec = {{"отец", 25, 1}, {"отц", 25, AllSlots(12) & ~1u}};

TEST(FindForms, NounFormsSortedWithoutDuplicates) {
  Dict d({kStol});
  int n = 0;
  EXPECT_EQ(d.Forms("столами", 0, &n), "стол or стола or столам or столами or столах or столе or столов or столом or "
                                       "столу or столы");
  EXPECT_EQ(n, 10);
  EXPECT_EQ(d.Forms("стол", DZ_FLAG_BARS), "стол | стола | столам | столами | столах | столе | столов | столом | "
                                           "столу | столы");
  EXPECT_EQ(d.Forms("стол", DZ_FLAG_COMPRESS), "стол$3");
  // Any case, and «ё» for «е», as a user types the word.
  Dict o({kOtec});
  for (const char* w : {"Стол", "СТОЛАМИ"}) EXPECT_EQ(d.Forms(w), d.Forms("стол")) << w;
  for (const char* w : {"Отец", "ОТЁЦ", "отёц"}) EXPECT_EQ(o.Forms(w), o.Forms("отец")) << w;
}

TEST(FindForms, WordsWithoutFormsGiveAnEmptyOutput) {
  Dict d({kStol});
  int n = -1;
  for (const char* w : {"stol", "1стол", "с", "", "стул"}) {
    EXPECT_EQ(d.Forms(w, 0, &n), "") << w;
    EXPECT_EQ(n, 0) << w;
  }
  DZContext none{};
  char out[8] = "x";
  EXPECT_EQ(DZFindForms(W("стол").c_str(), out, &none, 0), 0);  // a context without a dictionary
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(DZFindForms(W("стол").c_str(), out, nullptr, 0), 0);
}

TEST(FindForms, RingEnteredFromEachStemGivesTheSameForms) {
  Dict d({kOtec});
  const std::string all = d.Forms("отец");
  EXPECT_EQ(all, "отец or отца or отцам or отцами or отцах or отце or отцов or отцом or отцу or отцы");
  for (const char* w : {"отца", "отцу", "отцами", "отцов", "отцы"}) EXPECT_EQ(d.Forms(w), all) << w;
}

TEST(FindForms, CandidatesFromBothRangesAndSeveralLexemes) {
  // "с" is found through the first-letter range, "стол" through the two-letter range;
  // the one-letter stem with code 0 spells "с" and is no form of "стола".
  Dict d({kStol, {{"стола", 0, 1}}, {{"стул", 1, AllSlots(12)}}, {{"с", 17, AllSlots(12)}}});
  // "стола" is a form of стол and the code-0 word "стола"; "с"+"о"... are not "стола".
  EXPECT_EQ(d.Forms("стола"), "стол or стола or столам or столами or столах or столе or столов or столом or столу or "
                              "столы");
  // со (code 17 row: о а у о ом е а ∅ ...): "са" is the genitive of the stem "с".
  EXPECT_EQ(d.Forms("сом"), "с or са or сам or сами or сах or се or со or сом or су");
}

TEST(FindForms, TruncatedSlotsAndDisablingOfTruncatedOnlyLexemes) {
  // A verb whose present active participle is truncated: "делающий" enters by "делающ$".
  const std::vector<Rec> verb = {{"дела", 101, (1u << 1) | (1u << 7), 1u << 3}};
  Dict d({verb});
  int n = 0;
  // Slot 22 of a plain verb adds "ся" to the third person plural.
  EXPECT_EQ(d.Forms("делающими", 0, &n), "делаю or делают or делаются or делающ$");
  EXPECT_EQ(n, 4);
  // With a lexeme that holds the word itself, the truncated-only lexeme is dropped.
  Dict d2({verb, {{"делающ", 52, AllSlots(19)}}});
  const std::string forms = d2.Forms("делающими");
  EXPECT_EQ(forms.find("делаю or"), std::string::npos) << forms;
  EXPECT_NE(forms.find("делающими"), std::string::npos) << forms;
}

TEST(FindForms, PrefixListForUnknownWords) {
  Dict d({kStol, {{"дела", 101, 1u << 7, 1u << 3}}});
  EXPECT_EQ(d.Forms("фотостолом"), "фотостол or фотостола or фотостолам or фотостолами or фотостолах or фотостоле or "
                                   "фотостолов or фотостолом or фотостолу or фотостолы");
  // The first matching prefix is used: "не" before "ни".
  EXPECT_EQ(d.Forms("нестол"), "нестол or нестола or нестолам or нестолами or нестолах or нестоле or нестолов or "
                               "нестолом or нестолу or нестолы");
  // A truncated form that the rest begins with is the whole answer.
  EXPECT_EQ(d.Forms("неделающий"), "неделающ$");
  EXPECT_EQ(d.Forms("нестул"), "");
  EXPECT_EQ(d.Forms("зоо"), "");
}

}  // namespace
