// The dictionary the build makes from the OpenCorpora data: known words expand to their
// whole paradigm from any form. Skipped when the dictionary has not been built (the
// setup script fetches its source; sanitizer builds do not make it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fixture/tool_run.h"
#include "morph_test_util.h"
#include "zrteng.h"

using namespace morphtest;  // NOLINT: the tests' own helpers

namespace {

std::string DictionaryPath() {
  if (const char* env = std::getenv("ZRT_MORPH_DICT"); env != nullptr && *env) return env;
  return std::string(ZRT_BINARY_DIR) + "/morph/russian.dz";
}

class RealDictionary : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::filesystem::exists(DictionaryPath())) GTEST_SKIP() << "no built dictionary at " << DictionaryPath();
    ASSERT_EQ(DZInit(DictionaryPath().c_str(), &ctx_), 0);
  }
  void TearDown() override {
    if (ctx_.dict) DZStop(&ctx_);
  }
  std::set<std::string> Forms(const char* word, int flags = 0) { return FormsOf(&ctx_, word, flags); }
  static bool Holds(const std::set<std::string>& got, const std::vector<const char*>& want, std::string* missing) {
    for (const char* w : want)
      if (!got.count(w)) return *missing = w, false;
    return true;
  }
  DZContext ctx_{};
};

struct Paradigm {
  std::vector<const char*> forms;  // every form must expand to all of them
};

TEST_F(RealDictionary, NounsAndAdjectivesExpandFromEveryForm) {
  const std::vector<Paradigm> paradigms = {
      {{"стол", "стола", "столу", "столом", "столе", "столы", "столов", "столам", "столами", "столах"}},
      {{"отец", "отца", "отцу", "отцом", "отце", "отцы", "отцов", "отцам", "отцами", "отцах"}},
      {{"нефть", "нефти", "нефтью"}},
      {{"книга", "книги", "книге", "книгу", "книгой", "книг", "книгам", "книгами", "книгах"}},
      {{"время", "времени", "временем", "времена", "времен", "временам", "временами", "временах"}},
      {{"красный", "красное", "красного", "красному", "красным", "красном", "красная", "красной", "красную",
        "красные", "красных", "красными"}},
      {{"синий", "синее", "синего", "синему", "синим", "синем", "синяя", "синей", "синюю", "синие", "синих",
        "синими"}},
  };
  for (const Paradigm& p : paradigms)
    for (const char* w : p.forms) {
      std::string missing;
      EXPECT_TRUE(Holds(Forms(w), p.forms, &missing)) << w << " lacks " << missing;
    }
}

// The commonest verbs, their forms written by hand: each finite, infinitive, imperative
// and gerund form finds all the others, whole or through a truncated term.
TEST_F(RealDictionary, VerbsExpandFromEveryForm) {
  const std::vector<Paradigm> verbs = {
      {{"быть", "буду", "будешь", "будет", "будем", "будете", "будут", "был", "была", "было", "были", "будь",
        "будьте"}},
      {{"есть", "ем", "ешь", "ест", "едим", "едите", "едят", "ел", "ела", "ело", "ели", "ешьте", "ев"}},
      {{"мочь", "могу", "можешь", "может", "можем", "можете", "могут", "мог", "могла", "могло", "могли"}},
      {{"хотеть", "хочу", "хочешь", "хочет", "хотим", "хотите", "хотят", "хотел", "хотела", "хотели", "хотя"}},
      {{"знать", "знаю", "знаешь", "знает", "знаем", "знаете", "знают", "знал", "знала", "знали", "знай",
        "знайте", "зная", "знав"}},
      {{"сказать", "скажу", "скажешь", "скажет", "скажем", "скажете", "скажут", "сказал", "сказала", "сказали",
        "скажи", "скажите", "сказав"}},
      {{"делать", "делаю", "делаешь", "делает", "делаем", "делаете", "делают", "делал", "делала", "делали",
        "делай", "делайте", "делая"}},
      {{"думать", "думаю", "думаешь", "думает", "думаем", "думаете", "думают", "думал", "думала", "думали",
        "думай", "думайте", "думая"}},
      {{"идти", "иду", "идешь", "идет", "идем", "идете", "идут", "шел", "шла", "шло", "шли", "иди", "идите", "идя"}},
      {{"давать", "даю", "даешь", "дает", "даем", "даете", "дают", "давал", "давала", "давали", "давай",
        "давайте", "давая"}},
      {{"брать", "беру", "берешь", "берет", "берем", "берете", "берут", "брал", "брала", "брали", "бери", "берите",
        "беря"}},
      {{"жить", "живу", "живешь", "живет", "живем", "живете", "живут", "жил", "жила", "жили", "живи", "живите",
        "живя"}},
      {{"учиться", "учусь", "учишься", "учится", "учимся", "учитесь", "учатся", "учился", "училась", "учись"}},
  };
  for (const Paradigm& p : verbs)
    for (const char* w : p.forms) {
      const std::set<std::string> got = Forms(w);
      for (const char* need : p.forms) EXPECT_TRUE(Finds(got, need)) << w << " lacks " << need;
    }
  // Participles find their verb through its truncated stems.
  EXPECT_TRUE(Forms("думающими").count("думать"));
  EXPECT_TRUE(Forms("думающими").count("думающ$"));
}

TEST_F(RealDictionary, CompressionAndExpansionOfQueries) {
  std::set<std::string> forms = Forms("нефть", DZ_FLAG_COMPRESS);
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(forms.begin()->rfind("нефт$", 0), 0u) << *forms.begin();
  std::vector<char> out(64 * 20);
  DZExpandQuery(W("НЕФТЬ AND газ$").c_str(), out.data(), &ctx_, 0);
  const std::string q = U(out.data());
  EXPECT_EQ(q.rfind("(нефт", 0), 0u) << q;
  EXPECT_NE(q.find(" or нефть or нефтью or "), std::string::npos) << q;
  EXPECT_NE(q.find(") AND газ$"), std::string::npos) << q;
  EXPECT_TRUE(Forms("qwerty").empty());
  EXPECT_TRUE(Forms("ёлка").empty() || Forms("елка").count("елки"));
}

// The external oracle: hunspell's Russian dictionary accepts most generated forms.
TEST_F(RealDictionary, HunspellAcceptsGeneratedForms) {
  if (!fixture::Installed("hunspell") || !std::filesystem::exists("/usr/share/hunspell/ru_RU.dic"))
    GTEST_SKIP() << "hunspell with ru_RU is not installed";
  const char* lemmas[] = {"стол",  "книга",   "окно",    "время",  "дорога", "красный", "синий",  "большой",
                          "город", "человек", "вопрос",  "работа", "земля",  "новый",   "хороший", "система",
                          "сила",  "война",   "история", "старый", "жизнь",  "дело",    "глаз",   "лицо",
                          "делать", "знать", "говорить", "писать", "думать", "идти",  "сказать", "жить"};
  std::set<std::string> all;
  for (const char* l : lemmas)
    for (const std::string& f : Forms(l))
      if (f.find('$') == std::string::npos) all.insert(f);  // participle stems are no words
  ASSERT_GT(all.size(), 100u);
  std::string words;
  for (const std::string& w : all) words += w + "\n";
  fixture::TempDir dir("zrt_hunspell");
  fixture::ToolRun r = fixture::RunShell("hunspell -d ru_RU -i utf-8 -l < " + fixture::ShellQuote(dir.Write("forms.txt", words)));
  ASSERT_EQ(r.code, 0) << r.err;
  const size_t rejected = std::count(r.out.begin(), r.out.end(), '\n');
  const double accepted = 1.0 - static_cast<double>(rejected) / static_cast<double>(all.size());
  EXPECT_GE(accepted, 0.8) << rejected << " of " << all.size() << " rejected";
  std::printf("hunspell accepts %zu of %zu generated forms\n", all.size() - rejected, all.size());
}

}  // namespace
