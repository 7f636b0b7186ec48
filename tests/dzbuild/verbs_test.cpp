// Verb lexemes written by hand (the commonest verbs, a reflexive one, the two irregular
// paradigms and a verb whose imperative no rule makes) through the builder's inference,
// then written as a dictionary file by the tests' own writer and expanded by the engine.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "../morph/morph_test_util.h"
#include "verbs.h"
#include "zrteng.h"

using namespace morphtest;  // NOLINT: the tests' own helpers

namespace {

using Words = std::vector<const char*>;

// A participle's declined forms: long forms on the head ("делающ" + "ий", ...), and for
// passive ones the short forms on the short head ("сделан" + "", "а", "о", "ы").
std::vector<std::string> Participle(const char* head, bool soft, const char* shortHead = nullptr) {
  static const Words kSoft = {"ий", "его", "ему", "им", "ем", "ая", "ей", "ую", "ею", "ее", "ие", "их", "ими"};
  static const Words kHard = {"ый", "ого", "ому", "ым", "ом", "ая", "ой", "ую", "ою", "ое", "ые", "ых", "ыми"};
  std::vector<std::string> out;
  for (const char* e : soft ? kSoft : kHard) out.push_back(W(head) + W(e));
  if (shortHead)
    for (const char* e : {"", "а", "о", "ы"}) out.push_back(W(shortHead) + W(e));
  return out;
}

struct HandVerb {
  Words slots;  // 16: infinitive, 1-3 sg, 1-3 pl, past m f n pl, imperative sg pl, joint, gerunds
  std::vector<std::vector<std::string>> participles;  // present/past active, present/past passive
  Words variants;
};

dzbuild::VerbLexeme Make(const HandVerb& h) {
  dzbuild::VerbLexeme v;
  for (size_t s = 0; s < h.slots.size() && s < 16; ++s) v.slot[s] = W(h.slots[s]);
  for (size_t k = 0; k < h.participles.size() && k < 4; ++k) v.participles[k] = h.participles[k];
  for (const char* w : h.variants) v.variants.push_back(W(w));
  v.infinitive = v.slot[0];
  v.reflexive = v.infinitive.size() > 2 && v.infinitive.substr(v.infinitive.size() - 2) == W("ся");
  return v;
}

const std::map<std::string, HandVerb>& Verbs() {
  static const std::map<std::string, HandVerb> verbs = {
      {"быть",
       {{"быть", "буду", "будешь", "будет", "будем", "будете", "будут", "был", "была", "было", "были", "будь",
         "будьте", "", "будучи", "быв"},
        {{}, Participle("бывш", true)},
        {"бывши", "есть", "суть"}}},
      {"есть",
       {{"есть", "ем", "ешь", "ест", "едим", "едите", "едят", "ел", "ела", "ело", "ели", "ешь", "ешьте", "", "едя",
         "ев"},
        {Participle("едящ", true), Participle("евш", true), {}, Participle("еденн", false, "еден")},
        {"евши"}}},
      {"мочь",
       {{"мочь", "могу", "можешь", "может", "можем", "можете", "могут", "мог", "могла", "могло", "могли", "моги",
         "могите", "", "", ""},
        {Participle("могущ", true), Participle("могш", true)},
        {"могши"}}},
      {"хотеть",
       {{"хотеть", "хочу", "хочешь", "хочет", "хотим", "хотите", "хотят", "хотел", "хотела", "хотело", "хотели",
         "хоти", "хотите", "", "хотя", "хотев"},
        {Participle("хотящ", true), Participle("хотевш", true)},
        {"хотевши"}}},
      {"сказать",
       {{"сказать", "скажу", "скажешь", "скажет", "скажем", "скажете", "скажут", "сказал", "сказала", "сказало",
         "сказали", "скажи", "скажите", "", "", "сказав"},
        {{}, Participle("сказавш", true), {}, Participle("сказанн", false, "сказан")},
        {"сказавши"}}},
      {"делать",
       {{"делать", "делаю", "делаешь", "делает", "делаем", "делаете", "делают", "делал", "делала", "делало",
         "делали", "делай", "делайте", "", "делая", "делав"},
        {Participle("делающ", true), Participle("делавш", true), Participle("делаем", false, "делаем"),
         Participle("деланн", false, "делан")},
        {"делавши"}}},
      {"думать",
       {{"думать", "думаю", "думаешь", "думает", "думаем", "думаете", "думают", "думал", "думала", "думало",
         "думали", "думай", "думайте", "", "думая", "думав"},
        {Participle("думающ", true), Participle("думавш", true)},
        {"думавши"}}},
      {"идти",
       {{"идти", "иду", "идешь", "идет", "идем", "идете", "идут", "шел", "шла", "шло", "шли", "иди", "идите",
         "идемте", "идя", ""},
        {Participle("идущ", true), Participle("шедш", true)},
        {"шедши"}}},
      {"давать",
       {{"давать", "даю", "даешь", "дает", "даем", "даете", "дают", "давал", "давала", "давало", "давали", "давай",
         "давайте", "", "давая", "давав"},
        {Participle("дающ", true), Participle("дававш", true), Participle("даваем", false, "даваем")},
        {"дававши"}}},
      {"брать",
       {{"брать", "беру", "берешь", "берет", "берем", "берете", "берут", "брал", "брала", "брало", "брали", "бери",
         "берите", "", "беря", "брав"},
        {Participle("берущ", true), Participle("бравш", true)},
        {"бравши"}}},
      {"жить",
       {{"жить", "живу", "живешь", "живет", "живем", "живете", "живут", "жил", "жила", "жило", "жили", "живи",
         "живите", "", "живя", "жив"},
        {Participle("живущ", true), Participle("живш", true)},
        {"живши"}}},
      // Reflexive: "-сь" after vowels, "-ся" after consonants; "-вшись" only through the
      // participle's truncated stem or the free slot.
      {"учиться",
       {{"учиться", "учусь", "учишься", "учится", "учимся", "учитесь", "учатся", "учился", "училась", "училось",
         "учились", "учись", "учитесь", "", "учась", "учившись"},
        {Participle("учащ", true), Participle("учивш", true)},
        {}}},
      // The irregular paradigms on compounds.
      {"продать",
       {{"продать", "продам", "продашь", "продаст", "продадим", "продадите", "продадут", "продал", "продала",
         "продало", "продали", "продай", "продайте", "", "", "продав"},
        {{}, Participle("продавш", true), {}, Participle("проданн", false, "продан")},
        {"продавши"}}},
      {"съесть",
       {{"съесть", "съем", "съешь", "съест", "съедим", "съедите", "съедят", "съел", "съела", "съело", "съели",
         "съешь", "съешьте", "", "", "съев"},
        {{}, Participle("съевш", true), {}, Participle("съеденн", false, "съеден")},
        {"съевши"}}},
      {"отдаться",
       {{"отдаться", "отдамся", "отдашься", "отдастся", "отдадимся", "отдадитесь", "отдадутся", "отдался",
         "отдалась", "отдалось", "отдались", "отдайся", "отдайтесь", "", "", "отдавшись"},
        {{}, Participle("отдавш", true)},
        {}}},
      // "ляг", "лягте": no imperative ending makes them.
      {"лечь",
       {{"лечь", "лягу", "ляжешь", "ляжет", "ляжем", "ляжете", "лягут", "лег", "легла", "легло", "легли", "ляг",
         "лягте", "", "", "лег"},
        {{}, Participle("легш", true)},
        {"легши"}}},
  };
  return verbs;
}

// The reflexive counterpart of делать, for the plain-verb slots.
std::vector<std::string> Counterpart(const std::string& name) {
  if (name != "делать") return {};
  std::vector<std::string> forms;
  for (const char* w : {"делаться", "делаюсь", "делаешься", "делается", "делаемся", "делаетесь", "делаются",
                        "делался", "делалась", "делалось", "делались", "делайся", "делайтесь", "делаясь"})
    forms.push_back(W(w));
  std::sort(forms.begin(), forms.end());
  return forms;
}

std::set<std::string> GeneratedUtf8(const std::vector<dzbuild::Ring>& rings) {
  std::set<std::string> out;
  for (const dzbuild::Ring& r : rings)
    for (const std::string& w : dzbuild::Generate(r)) out.insert(U(w));
  return out;
}

TEST(VerbInference, EveryFormOfTheSampleIsMade) {
  size_t complete = 0, records = 0;
  for (const auto& [name, hand] : Verbs()) {
    SCOPED_TRACE(name);
    const dzbuild::VerbLexeme v = Make(hand);
    const std::vector<dzbuild::Ring> rings = dzbuild::InferVerb(v, Counterpart(name));
    ASSERT_FALSE(rings.empty());
    for (const dzbuild::Ring& r : rings) EXPECT_EQ(dzbuild::CheckRing(r), "");
    const dzbuild::VerbFit fit = dzbuild::FitVerb(v, rings, Counterpart(name));
    EXPECT_TRUE(fit.Complete()) << "not made: " << U(fit.firstMissing);
    // The дать paradigm always fills the past passive participle, which a reflexive verb
    // lacks: "отдан$".
    EXPECT_EQ(fit.foreign, name == "отдаться" ? 1u : 0u) << "slots with no form of the verb";
    complete += fit.Complete();
    records += rings[0].size();
    // Every slot's own form is held whole (by a rule or the free slot 29), but for "ляг"
    // and "лягте", which a truncated free slot begins.
    const std::set<std::string> made = GeneratedUtf8(rings);
    for (const char* w : hand.slots) {
      if (!*w) continue;
      EXPECT_TRUE(made.count(w) || (name == "лечь" && made.count("ляг$"))) << w;
    }
  }
  // The builder reports the same figure over the whole source: at least 97%.
  EXPECT_EQ(complete, Verbs().size());
  EXPECT_LE(records, 5 * Verbs().size()) << "records a verb";
}

TEST(VerbInference, PlainVerbSlotsOnlyWithTheCounterpart) {
  const dzbuild::VerbLexeme v = Make(Verbs().at("делать"));
  std::set<std::string> with = GeneratedUtf8(dzbuild::InferVerb(v, Counterpart("делать")));
  EXPECT_TRUE(with.count("делается"));
  EXPECT_TRUE(with.count("делались"));
  std::set<std::string> without = GeneratedUtf8(dzbuild::InferVerb(v, {}));
  for (const std::string& w : without) EXPECT_EQ(w.find("ся"), std::string::npos) << w;
  for (const std::string& w : without) EXPECT_EQ(w.find("сь"), std::string::npos) << w;
}

TEST(VerbInference, IrregularParadigmsAndFreeSlots) {
  auto rings = [](const char* name) { return dzbuild::InferVerb(Make(Verbs().at(name)), {}); };
  // дать and есть compounds: one record of mask bit 14 or 15 carries the finite forms.
  for (const char* name : {"продать", "отдаться"}) {
    const auto r = rings(name);
    EXPECT_TRUE(std::any_of(r[0].begin(), r[0].end(), [](const dzbuild::Record& x) { return x.mask & (1u << 14); }))
        << name;
  }
  const auto eat = rings("съесть");
  EXPECT_TRUE(std::any_of(eat[0].begin(), eat[0].end(), [](const dzbuild::Record& x) { return x.mask & (1u << 15); }));
  // ляг/лягте: a truncated free slot on the whole form "ляг".
  const auto lie = rings("лечь");
  EXPECT_TRUE(GeneratedUtf8(lie).count("ляг$"));
  // учившись: the free slot 29 holds it whole.
  const auto learn = rings("учиться");
  EXPECT_TRUE(std::any_of(learn[0].begin(), learn[0].end(),
                          [](const dzbuild::Record& x) { return x.mask == (1u << 13) && U(x.stem) == "учившись"; }));
  // быть: "есть" and "суть" beyond the free slots get rings of their own.
  const auto be = rings("быть");
  EXPECT_GE(be.size(), 2u);
  const std::set<std::string> all = GeneratedUtf8(be);
  EXPECT_TRUE(all.count("есть") && all.count("суть") && all.count("будучи"));
  EXPECT_FALSE(all.count("есть$")) << "a short whole form must not become a truncated stem";
  // мог: the past stem with no ending comes from the past rule, not the free slot.
  const auto can = rings("мочь");
  ASSERT_EQ(can.size(), 1u);
  for (const dzbuild::Record& r : can[0]) EXPECT_EQ(r.mask & (1u << 13), 0u) << U(r.stem);
}

// The rings written by an independent writer and expanded by the engine: every form of a
// verb, and every declined participle form, brings the verb's forms.
class VerbDictionary : public ::testing::Test {
protected:
  void SetUp() override {
    std::vector<std::vector<Rec>> rings;
    for (const auto& [name, hand] : Verbs())
      for (const dzbuild::Ring& ring : dzbuild::InferVerb(Make(hand), Counterpart(name))) {
        rings.emplace_back();
        for (const dzbuild::Record& r : ring) rings.back().push_back({U(r.stem), r.code, r.mask, r.features, r.fourth});
      }
    file_ = std::make_unique<TempFile>(DictionaryBytes(rings));
    ASSERT_EQ(DZInit(file_->path().c_str(), &ctx_), 0);
  }
  void TearDown() override { DZStop(&ctx_); }

  std::set<std::string> Forms(const std::string& utf8) { return FormsOf(&ctx_, utf8); }

  std::unique_ptr<TempFile> file_;
  DZContext ctx_{};
};

TEST_F(VerbDictionary, EveryFormExpandsToTheVerb) {
  for (const auto& [name, hand] : Verbs()) {
    SCOPED_TRACE(name);
    for (const char* w : hand.slots) {
      if (std::string(w).size() < 4) continue;  // one-letter words are never looked up
      const std::set<std::string> got = Forms(w);
      // быть's "есть" and "суть" are in rings of their own, which only they find.
      for (const char* need : hand.slots) {
        if (!*need || std::string(need) == "есть") continue;
        EXPECT_TRUE(Finds(got, need)) << w << " lacks " << need;
      }
    }
    for (const auto& kind : hand.participles)
      for (const std::string& p : kind) EXPECT_TRUE(Forms(U(p)).count(hand.slots[0])) << U(p);
  }
}

TEST_F(VerbDictionary, ExpandsVerbsInAQuery) {
  const std::string q = W("ДУМАТЬ AND мочь$ OR иду");
  std::vector<char> out(q.size() * DZ_EXPAND_FACTOR);
  DZExpandQuery(q.c_str(), out.data(), &ctx_, 0);
  const std::string text = U(out.data());
  EXPECT_EQ(text.find("(думав or думаем or"), 0u) << text;
  EXPECT_NE(text.find("думавш$ or думающ$) AND"), std::string::npos) << "truncated forms sort last: " << text;
  EXPECT_NE(text.find("думают"), std::string::npos) << text;
  EXPECT_NE(text.find(") AND мочь$ OR ("), std::string::npos) << "a truncated word stays as typed: " << text;
  EXPECT_NE(text.find("шли"), std::string::npos) << text;
}

}  // namespace
