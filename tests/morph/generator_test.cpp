// The generator against forms written by hand: each ending table, the animate
// accusatives, every feature bit, the whole-lexeme bits, the verb rules and the two
// irregular paradigms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "morph_test_util.h"
#include "zrteng.h"

using namespace morphtest;  // NOLINT: the tests' own helpers

namespace {

struct Generated {
  int result = 0;
  std::vector<std::string> slots;  // UTF-8, "-" for unfilled
};

Generated Gen(const std::vector<Rec>& recs, const char* wordUtf8 = nullptr) {
  std::vector<std::string> stems;
  std::vector<const char*> ptrs;
  std::vector<uint32_t> codes, masks, features, fourths;
  for (const Rec& r : recs) stems.push_back(W(r.stem.c_str()));
  for (size_t i = 0; i < recs.size(); ++i) {
    ptrs.push_back(stems[i].c_str());
    codes.push_back(recs[i].code);
    masks.push_back(recs[i].mask);
    features.push_back(recs[i].features);
    fourths.push_back(recs[i].fourth);
  }
  char slots[DZ_MAX_SLOTS][DZ_SLOT_SIZE];
  std::string word = wordUtf8 ? W(wordUtf8) : "";
  Generated g;
  g.result = BuildAllForms(ptrs.data(), codes.data(), masks.data(), features.data(), fourths.data(),
                           static_cast<int>(recs.size()), wordUtf8 ? word.c_str() : nullptr, slots);
  const int k = g.result < 0 ? -g.result : g.result;
  if (!wordUtf8)
    for (int s = 0; s < k; ++s) g.slots.push_back(U(slots[s]));
  return g;
}

std::vector<std::string> Slots(const std::vector<Rec>& recs) { return Gen(recs).slots; }

using V = std::vector<std::string>;

TEST(Generator, NounTableRowsAndAnimateAccusatives) {
  EXPECT_EQ(Slots({{"стол", 1, AllSlots(12)}}),
            (V{"стол", "стола", "столу", "стол", "столом", "столе", "столы", "столов", "столам", "столы",
               "столами", "столах"}));
  EXPECT_EQ(Slots({{"студент", 25, AllSlots(12)}}),
            (V{"студент", "студента", "студенту", "студента", "студентом", "студенте", "студенты", "студентов",
               "студентам", "студентов", "студентами", "студентах"}));
  EXPECT_EQ(Slots({{"дол", 16, AllSlots(12)}}),
            (V{"доль", "доли", "доли", "доль", "долью", "доли", "доли", "долей", "долям", "доли", "долями", "долях"}));
  EXPECT_EQ(Slots({{"рыб", 33, AllSlots(12)}}),
            (V{"рыба", "рыбы", "рыбе", "рыбу", "рыбой", "рыбе", "рыбы", "рыб", "рыбам", "рыб", "рыбами", "рыбах"}));
  EXPECT_EQ(Slots({{"врем", 24, AllSlots(12)}}),
            (V{"время", "времени", "времени", "время", "временем", "времени", "времена", "времен", "временам",
               "времена", "временами", "временах"}));
  // Row 8 animate: the accusatives have the empty ending.
  EXPECT_EQ(Slots({{"гост", 32, AllSlots(12)}})[3], "гост");
  EXPECT_EQ(Slots({{"гост", 32, AllSlots(12)}})[9], "гост");
}

TEST(Generator, AdjectivePronounAndNumeralTables) {
  EXPECT_EQ(Slots({{"красн", 49, AllSlots(19)}}),
            (V{"красный", "красное", "красного", "красному", "красным", "красном", "красная", "красной", "красную",
               "красные", "красных", "красным", "красными", "красн", "красна", "красно", "красны", "краснее",
               "красней"}));
  // Row 10 has no short forms or comparatives: their slots stay unfilled.
  EXPECT_EQ(Slots({{"лисий", 58, AllSlots(19)}})[14], "-");
  EXPECT_EQ(Slots({{"лисий", 58, AllSlots(19)}})[13], "лисий");
  EXPECT_EQ(Slots({{"т", 63, AllSlots(13)}}),
            (V{"т", "то", "того", "тому", "тым", "том", "та", "той", "ту", "ты", "тых", "тым", "тыми"}));
  EXPECT_EQ(Slots({{"дв", 68, AllSlots(13)}}),
            (V{"два", "двух", "двум", "двумя", "две", "двух", "двум", "двумя", "-", "-", "-", "-", "-"}));
  // Codes 80-88 take the first 8 endings of rows 8-16.
  EXPECT_EQ(Slots({{"пят", 84, AllSlots(8)}}), (V{"пять", "пяти", "пятью", "пятью", "пят", "пят", "пят", "пят"}));
  EXPECT_EQ(Slots({{"тр", 83, AllSlots(8)}}), (V{"три", "трех", "трем", "тремя", "тр", "тр", "тр", "тр"}));
}

TEST(Generator, SlotMaskAndRingsOfStems) {
  // отец / отц: two stems, disjoint masks, one lexeme.
  V forms = Slots({{"отец", 25, 1u}, {"отц", 25, AllSlots(12) & ~1u}});
  EXPECT_EQ(forms, (V{"отец", "отца", "отцу", "отца", "отцом", "отце", "отцы", "отцов", "отцам", "отцов", "отцами",
                      "отцах"}));
  // Slots outside every mask stay unfilled; the class is the first stem's.
  forms = Slots({{"стол", 1, 0x3}});
  EXPECT_EQ(forms.size(), 12u);
  EXPECT_EQ(forms[1], "стола");
  EXPECT_EQ(forms[2], "-");
  EXPECT_EQ(Gen({{"стол", 77, 1}}).result, 0);  // invalid code
  EXPECT_EQ(Gen({{"стол", 95, 1}}).result, 0);
}

struct BitCase {
  uint32_t code;
  int bit;
  int slot;
  const char* expected;  // stem "к" + new ending
  uint32_t fourth = 0;
};

TEST(Generator, EveryFeatureBit) {
  const BitCase cases[] = {
      {1, 0, 6, "ке"},   {1, 0, 7, "к"},    {1, 0, 9, "к"},    {1, 1, 6, "ка"},   {1, 1, 9, "ка"},
      {9, 1, 9, "кы"},   {25, 2, 7, "к"},   {25, 2, 9, "к"},   {1, 2, 9, "кы"},   {1, 3, 8, "кам"},
      {1, 3, 10, "ками"}, {1, 3, 11, "ках"}, {25, 4, 7, "кей"}, {25, 4, 9, "кей"}, {1, 5, 6, "ки"},
      {1, 5, 9, "ки"},   {17, 5, 6, "кы"},  {41, 5, 6, "кы"},  {25, 5, 9, "ков"}, {1, 6, 7, "ков"},
      {22, 6, 7, "кев"}, {47, 6, 9, "кев"}, {21, 6, 7, "кев", 0}, {21, 6, 7, "ков", 5}, {1, 7, 0, "ко"},
      {1, 7, 3, "ко"},   {1, 7, 4, "ком"},  {9, 8, 7, "ков"},  {9, 9, 4, "кой"},  {2, 12, 5, "ке"},
      {1, 13, 10, "кьми"}, {1, 14, 6, "кы"}, {1, 15, 0, "кь"},  {1, 16, 0, "кос"}, {2, 17, 4, "ком"},
  };
  for (const BitCase& c : cases) {
    V forms = Slots({{"к", c.code, AllSlots(12), 1u << c.bit, c.fourth}});
    EXPECT_EQ(forms[c.slot], c.expected) << "code " << c.code << " bit " << c.bit << " slot " << c.slot;
  }
  // Later bits win over earlier ones: 0 then 1 on slot 6.
  EXPECT_EQ(Slots({{"к", 1, AllSlots(12), 0x3}})[6], "ка");
  // A bit touches only slots the stem fills.
  EXPECT_EQ(Slots({{"к", 1, 0x1, 1u << 3}})[8], "-");
}

TEST(Generator, WholeLexemeBitsTenAndEleven) {
  V forms = Slots({{"стол", 1, AllSlots(12), 1u << 10}});
  EXPECT_EQ(forms[3], "стола");
  forms = Slots({{"стол", 1, 0x5, 1u << 10}});  // genitive unfilled: nothing copied
  EXPECT_EQ(forms[3], "-");
  forms = Slots({{"сам", 49, 0x3, 1u << 11}});
  EXPECT_EQ(forms[0], "самыйся");
  EXPECT_EQ(forms[1], "самоеся");
  EXPECT_EQ(forms[2], "-");
  // Only the first stem's bits act on the lexeme.
  forms = Slots({{"стол", 1, 0x1}, {"стул", 1, 0x2, 1u << 11}});
  EXPECT_EQ(forms[1], "стула");
}

TEST(Generator, VerbRules) {
  // делать: e-conjugation (F3), past in -л (F4), past gerund in -в.
  const uint32_t m = 0x7FF, f = (1u << 3) | (1u << 4);
  V forms = Slots({{"дела", 101, m, f}});
  ASSERT_EQ(forms.size(), 30u);
  const V expected = {"делать",   "делаю",   "делаешь",  "делает",  "делаем",   "делаете",  "делают",
                      "делал",    "делала",  "делало",   "делали",  "делай",    "делайте",  "-",
                      "делая",    "делав",   "делающ$",  "делавш$", "делаем$",  "делан$",   "делаться",
                      "делается", "делаются", "делался", "делалась", "делалось", "делались", "-",
                      "-",        "-"};
  EXPECT_EQ(forms, expected);
}

// Each slot-mask bit and each feature bit the verb rules read, one record at a time, on
// the stem "ба": the slot it fills or empties and the text written by hand.
TEST(Generator, EveryVerbMaskAndFeatureBit) {
  struct Case {
    uint32_t code, mask, features;
    int slot;
    const char* want;
  };
  constexpr uint32_t R = 1u << 21;  // reflexive
  auto F = [](std::initializer_list<int> bits) {
    uint32_t f = 0;
    for (int b : bits) f |= 1u << b;
    return f;
  };
  const Case cases[] = {
      // Infinitive (mask 0): -ть, -ти (F0), -чь (F1); reflexive; the plain verb's -ся form.
      {100, 1, 0, 0, "бать"}, {100, 1, F({0}), 0, "бати"}, {100, 1, F({1}), 0, "бачь"},
      {100, 1, R, 0, "баться"}, {100, 1, R | F({0}), 0, "батись"}, {100, 1, R | F({1}), 0, "бачься"},
      {100, 1, 0, 20, "баться"}, {100, 1, F({0}), 20, "батись"}, {100, 1, F({7}), 20, "-"}, {103, 1, 0, 20, "-"},
      // Present, first record (mask 1): -у (F2) / -ю; -ут/-ют with F3; -ешь/-ет with F17.
      {100, 2, F({2}), 1, "бау"}, {100, 2, 0, 1, "баю"}, {100, 2, R, 1, "баюсь"},
      {100, 2, F({3}), 6, "бают"}, {100, 2, F({2, 3}), 6, "баут"}, {100, 2, 0, 6, "-"},
      {100, 2, F({17}), 2, "баешь"}, {100, 2, F({17}), 3, "бает"}, {100, 2, R | F({17}), 3, "бается"},
      {100, 2, F({3}), 22, "баются"}, {100, 2, F({3, 7}), 22, "-"},
      // Present, second record (mask 2): e- (F3) or i-conjugation; joint imperative from 102.
      {100, 4, F({3}), 2, "баешь"}, {100, 4, 0, 2, "баишь"}, {100, 4, 0, 3, "баит"}, {100, 4, F({17}), 3, "-"},
      {100, 4, F({3}), 4, "баем"}, {100, 4, 0, 4, "баим"}, {100, 4, R, 4, "баимся"},
      {100, 4, F({3}), 5, "баете"}, {100, 4, R, 5, "баитесь"},
      {100, 4, 0, 6, "баят"}, {100, 4, F({2}), 6, "баат"}, {100, 4, F({3}), 6, "-"},
      {101, 4, 0, 13, "-"}, {102, 4, 0, 13, "баимте"}, {102, 4, R, 13, "баимтесь"},
      {100, 4, 0, 21, "баится"}, {100, 4, 0, 22, "баятся"},
      // Past (mask 3): -л (F4), -ел (F18), -г (F19), -к (F20), none; the plain verb's -ся forms.
      {100, 8, F({4}), 7, "бал"}, {100, 8, F({18}), 7, "баел"}, {100, 8, F({19}), 7, "баг"},
      {100, 8, F({20}), 7, "бак"}, {100, 8, 0, 7, "ба"}, {100, 8, F({4, 18}), 7, "бал"},
      {100, 8, 0, 8, "бала"}, {100, 8, 0, 9, "бало"}, {100, 8, 0, 10, "бали"}, {100, 8, R | F({4}), 7, "бался"},
      {100, 8, R, 8, "балась"}, {100, 8, F({4}), 23, "бался"}, {100, 8, 0, 24, "балась"},
      {100, 8, R, 23, "-"}, {103, 8, 0, 26, "-"},
      // Imperative (mask 4): F5-6 choose -й, -и, -ь, -ей; F9 gives the plural -ьте.
      {100, 16, 0, 11, "бай"}, {100, 16, F({5}), 11, "баи"}, {100, 16, F({6}), 11, "баь"},
      {100, 16, F({5, 6}), 11, "баей"}, {100, 16, F({5}), 12, "баите"}, {100, 16, F({5, 9}), 12, "баьте"},
      {100, 16, R | F({5}), 11, "баись"}, {100, 16, R, 11, "байся"}, {100, 16, R, 12, "байтесь"},
      // Gerunds (masks 5 and 6): -я / -а (F8); past -в (F4) or, with F16, -я / -а; F22 none.
      {100, 32, 0, 14, "бая"}, {100, 32, F({8}), 14, "баа"}, {100, 32, R, 14, "баясь"},
      {103, 32, 0, 14, "-"}, {100, 32, F({22}), 14, "-"},
      {100, 64, F({4}), 15, "бав"}, {100, 64, F({16}), 15, "бая"}, {100, 64, F({16, 8}), 15, "баа"},
      {100, 64, 0, 15, "-"}, {100, 64, R | F({4}), 15, "-"}, {100, 64, R | F({16}), 15, "баясь"},
      {100, 64, F({4, 22}), 15, "-"},
      // Participle stems (masks 7-10), truncated.
      {100, 128, F({3}), 16, "бающ$"}, {100, 128, F({2, 3}), 16, "баущ$"}, {100, 128, 0, 16, "баящ$"},
      {100, 128, F({2}), 16, "баащ$"}, {103, 128, 0, 16, "-"},
      {100, 256, F({4}), 17, "бавш$"}, {100, 256, 0, 17, "баш$"},
      {100, 512, 0, 18, "баим$"}, {100, 512, F({3}), 18, "баем$"}, {100, 512, F({15}), 18, "баом$"},
      {100, 512, F({7}), 18, "-"}, {100, 512, F({10}), 18, "-"}, {103, 512, 0, 18, "-"},
      {100, 1024, 0, 19, "бан$"}, {100, 1024, F({11}), 19, "баен$"}, {100, 1024, F({12}), 19, "баен$"},
      {100, 1024, F({11, 12}), 19, "бат$"}, {100, 1024, F({13}), 19, "бат$"}, {100, 1024, F({7}), 19, "-"},
      {100, 1024, F({10}), 19, "-"}, {101, 1024, F({14}), 19, "-"}, {102, 1024, F({14}), 19, "бан$"},
      {100, 1024, F({11, 13}), 19, "-"},  // bits 11-13 of 5-7 name no ending
      // Free slots (masks 11-13).
      {100, 1u << 11, 0, 27, "ба$"}, {100, 1u << 12, 0, 28, "ба$"}, {100, 1u << 13, 0, 29, "ба"},
  };
  for (const Case& c : cases) {
    const V forms = Slots({{"ба", c.code, c.mask, c.features}});
    ASSERT_EQ(forms.size(), 30u);
    EXPECT_EQ(forms[c.slot], c.want) << "code " << c.code << " mask " << std::hex << c.mask << " features "
                                     << c.features << std::dec << " slot " << c.slot;
  }
}

TEST(Generator, IrregularParadigms) {
  V forms = Slots({{"да", 101, 1u << 14}});
  EXPECT_EQ((V{forms.begin(), forms.begin() + 13}),
            (V{"дать", "дам", "дашь", "даст", "дадим", "дадите", "дадут", "дал", "дала", "дало", "дали", "дай",
               "дайте"}));
  EXPECT_EQ(forms[15], "дав");
  EXPECT_EQ(forms[17], "давш$");
  EXPECT_EQ(forms[19], "дан$");
  forms = Slots({{"е", 101, 1u << 15}});
  EXPECT_EQ((V{forms.begin(), forms.begin() + 13}),
            (V{"есть", "ем", "ешь", "ест", "едим", "едите", "едят", "ел", "ела", "ело", "ели", "ешь", "ешьте"}));
  EXPECT_EQ(forms[19], "еден$");
  forms = Slots({{"x", 101, 1u << 15}});  // the gerund pair's endings, on a neutral stem
  EXPECT_EQ(forms[13], "xедя");
  EXPECT_EQ(forms[14], "xедящий");
  forms = Slots({{"да", 101, 1u << 14, 1u << 21}});
  EXPECT_EQ(forms[0], "даться");
  EXPECT_EQ(forms[15], "-");  // the -в gerund of this paradigm is for plain verbs only
  forms = Slots({{"е", 103, 1u << 15, 1u << 21}});
  EXPECT_EQ(forms[15], "евся");
  EXPECT_EQ(forms[13], "-");  // code 103 and above: no gerund/participle pair
}

TEST(Generator, WordMatchingAndCodeZero) {
  EXPECT_EQ(Gen({{"стол", 1, AllSlots(12)}}, "столами").result, 12);
  EXPECT_EQ(Gen({{"стол", 1, AllSlots(12)}}, "столик").result, 0);
  EXPECT_EQ(Gen({{"стол", 1, AllSlots(12)}}).result, 12);
  // A truncated slot: the word begins with the text before "$".
  EXPECT_EQ(Gen({{"дела", 101, 1u << 7, 1u << 3}}, "делающими").result, -30);
  // The first slot in order decides: slot 1 exact beats slot 16 truncated.
  EXPECT_EQ(Gen({{"дела", 101, (1u << 1) | (1u << 7), 1u << 3}}, "делаю").result, 30);
  EXPECT_EQ(Gen({{"вдруг", 0, 1}}, "вдруг").result, 1);
  EXPECT_EQ(Gen({{"вдруг", 0, 1}}, "вдругорядь").result, 0);
  EXPECT_EQ(Gen({{"вдруг", 0, 1}}).result, 1);
  EXPECT_EQ(Slots({{"вдруг", 0, 0}}), (V{"вдруг"}));
}

TEST(Generator, LongStemsAreCutToTheSlot) {
  const std::string stem(70, 'a');
  const char* p = stem.c_str();
  uint32_t code = 1, mask = AllSlots(12), f = 0, fourth = 0;
  char slots[DZ_MAX_SLOTS][DZ_SLOT_SIZE];
  ASSERT_EQ(BuildAllForms(&p, &code, &mask, &f, &fourth, 1, nullptr, slots), 12);
  for (int s = 0; s < 12; ++s) EXPECT_EQ(std::string(slots[s]), std::string(63, 'a'));
  EXPECT_EQ(BuildAllForms(&p, &code, &mask, &f, &fourth, 0, nullptr, slots), 0);
  EXPECT_EQ(BuildAllForms(nullptr, &code, &mask, &f, &fourth, 1, nullptr, slots), 0);
}

}  // namespace
