// The word scanner on tricky field texts: markup pairs, trimming of every byte value,
// the number rule, one-letter words and stop words.
#include "text/wordscan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/stopwords.h"
#include "text_test_util.h"

namespace {

using zrt_test::Byte;
using zrt_test::Cp;

struct Word {
  std::string text;
  int32_t offset;
  bool operator==(const Word&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Word& w) {
  return os << "{" << w.text << "@" << w.offset << "}";
}

// Scans a copy of `text` as the indexer does.
std::vector<Word> Scan(const std::string& text, uint8_t* counter = nullptr) {
  std::string buf = text;
  std::vector<Word> words;
  uint8_t count = 0;
  int32_t offset = -1;
  zrt::WordScanner scanner(buf.data());
  while (char* w = scanner.Next(&count, &offset)) {
    EXPECT_EQ(w, buf.data() + offset) << "offset points at the word";
    words.push_back({w, offset});
  }
  if (counter) *counter = count;
  return words;
}

std::vector<std::string> Texts(const std::string& text) {
  std::vector<std::string> out;
  for (const Word& w : Scan(text)) out.push_back(w.text);
  return out;
}

using Strings = std::vector<std::string>;

class WordScan : public ::testing::Test {
 protected:
  void SetUp() override { zrt::StopList::Global().Clear(); }
  void TearDown() override { zrt::StopList::Global().Clear(); }
};

TEST_F(WordScan, SpecimenTexts) {
  EXPECT_EQ(Scan("alpha beta\tgamma\x01" "delta\r\nomega"),
            (std::vector<Word>{{"alpha", 0}, {"beta", 6}, {"gamma", 11}, {"delta", 17}, {"omega", 24}}));
  EXPECT_EQ(Scan("(H2O),"), (std::vector<Word>{{"H2O", 1}}));
  const std::string ion = Cp("ион");
  const struct {
    std::string text;
    Strings words;
  } cases[] = {
      // Only control bytes and the space separate: a no-break space A0 stays inside.
      {Cp("слово") + "\xA0" + Cp("дело"), {Cp("слово") + "\xA0" + Cp("дело")}}, {"", {}}, {" \t\r\n ", {}},
      // A number is a word only as the first word of a scan, even after skipped words.
      {Cp("1995 год"), {"1995", Cp("год")}}, {Cp("год 1995"), {Cp("год")}},
      {"1995 1996 x1997 1998y", {"1995", "x1997", "1998y"}}, {Cp("и - 1995 2001"), {"1995"}},
      {"(2001).", {"2001"}}, {"12.5 3,14", {"12.5", "3,14"}},  // not digits only
      {"7 1995 2001", {"1995"}},                              // the opening call skipped the digit
      {"\x97", {}}, {"a \x97 b", {"a", "b"}},                  // a lone dash
      {Cp("и в a I я"), {"a", "I"}},                           // one-letter Cyrillic words are dropped
      {"_[2_]", {}}, {"x _[2_] y", {"x", "y"}}, {"$ @ 5 \xC0 \xFF", {}}, {"_ [x] {y}", {"_", "[x]", "{y}"}},
      {"[] {} [} {] []x", {}},  // empty bracket pairs, whatever follows
      {"\xAB" + Cp("Слово") + "\xBB,", {Cp("Слово")}}, {"e-mail: user@host.ru;", {"e-mail", "user@host.ru"}},
      {"$100 100$ 10$5", {"$100", "100$", "10$5"}},
      // Markup pairs are trimmed as pairs: "_[", "_{" and the highlight starts open,
      // "_]", "_}" and the highlight ends close; inner markup stays.
      {"_\xDF" + Cp("выделено") + "_\xFF.", {Cp("выделено")}},
      {"H_[2_]O", {"H_[2_]O"}}, {"x_{2_}.", {"x_{2"}},
      // Any other escaped byte at the end belongs to the word and stops the trimming; an
      // escaped opener at the front is kept when it is not an opening code.
      {"ab_,)", {"ab_,"}}, {"ab_a", {"ab_a"}}, {"ab__", {"ab__"}}, {"_ab", {"_ab"}}, {"_]ab", {"_]ab"}},
      {"_[ _{_} _\xDF_\xFF x", {"x"}},  // a pair that covers the whole word leaves nothing
      // «ё» is folded to «е» in place, except after the escape (a Symbol-font character).
      {Cp("всё"), {Cp("все")}}, {Cp("ёлке Фёдор МЁРТВЫЕ"), {Cp("елке"), Cp("Федор"), Cp("МЕРТВЫЕ")}},
      {Cp("(ёж),"), {Cp("еж")}}, {Cp("x_ё"), {Cp("x_ё")}}, {Cp("ё"), {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Texts(c.text), c.words) << c.text;
  for (const char* open : {"_[", "_{", "_\xDF", "_\xDD", "_\xDE"}) {
    EXPECT_EQ(Texts(open + ion), Strings{ion}) << open;
    EXPECT_EQ(Texts(std::string("((") + open + "_[" + ion), Strings{ion}) << open;
  }
  for (const char* close : {"_]", "_}", "_\xFF", "_\xFD", "_\xFE"}) {
    EXPECT_EQ(Texts(ion + close), Strings{ion}) << close;
    EXPECT_EQ(Texts(ion + close + "_]),"), Strings{ion}) << close;
  }
}

TEST_F(WordScan, ScannerState) {
  // Terminators are written into the text; the counter is one byte; the end stays the end.
  std::string text = "ab cd  ef";
  uint8_t counter = 250;
  int32_t offset = 0;
  zrt::WordScanner scanner(text.data());
  ASSERT_STREQ(scanner.Next(&counter, &offset), "ab");
  ASSERT_STREQ(scanner.Next(&counter, &offset), "cd");
  ASSERT_STREQ(scanner.Next(&counter, &offset), "ef");
  EXPECT_EQ(offset, 7);
  EXPECT_EQ(counter, 253);
  EXPECT_EQ(text, std::string("ab\0cd\0 ef", 9));
  EXPECT_EQ(scanner.Next(&counter, &offset), nullptr);
  EXPECT_EQ(scanner.Next(&counter, &offset), nullptr) << "stays at the end";
  EXPECT_EQ(counter, 253);
  std::string many;
  for (int i = 0; i < 300; ++i) many += "w ";
  EXPECT_EQ(Scan(many, &counter).size(), 300u);
  EXPECT_EQ(counter, 300 % 256);
  // Null outputs are allowed; two scanners do not share a position.
  std::string a = "alpha beta", b = "gamma delta";
  zrt::WordScanner sa(a.data()), sb(b.data());
  EXPECT_STREQ(sa.Next(nullptr, nullptr), "alpha");
  EXPECT_STREQ(sb.Next(&counter, &offset), "gamma");
  EXPECT_STREQ(sa.Next(&counter, &offset), "beta");
  EXPECT_EQ(offset, 6);
  EXPECT_EQ(sa.Next(&counter, &offset), nullptr);
  EXPECT_EQ(zrt::WordScanner().Next(&counter, &offset), nullptr);
}

// Which bytes a word may start or end with, written from the list of allowed bytes.
bool MayStartWith(unsigned b) {
  return b == '$' || (b >= '0' && b <= '9') || b == '@' || (b >= 'A' && b <= 'Z') ||
         (b >= 'a' && b <= 'z') || b == '[' || b == '_' || b == '{' || b >= 0xC0;
}
bool MayEndWith(unsigned b) {
  return b == '$' || (b >= '0' && b <= '9') || b == '@' || (b >= 'A' && b <= 'Z') ||
         (b >= 'a' && b <= 'z') || b == ']' || b == '_' || b == '}' || b >= 0xC0;
}

TEST_F(WordScan, TrimsEveryByteValueByItsClass) {
  for (unsigned b = 0x21; b < 256; ++b) {
    SCOPED_TRACE("byte " + std::to_string(b));
    // Ё and ё are folded to Е and е before the trim, which then keeps them as letters.
    const unsigned f = b == 0xA8 ? 0xC5 : b == 0xB8 ? 0xE5 : b;
    EXPECT_EQ(Texts(Byte(b) + "wx"), Strings{MayStartWith(f) ? Byte(f) + "wx" : std::string("wx")});
    EXPECT_EQ(Texts("wx" + Byte(b)), Strings{MayEndWith(f) ? "wx" + Byte(f) : std::string("wx")});
    // Trimming repeats until an allowed byte appears.
    std::string both = Byte(b) + Byte(b) + "wx" + Byte(b) + Byte(b);
    std::string expect = Byte(f) + Byte(f) + "wx" + Byte(f) + Byte(f);
    if (!MayStartWith(f)) expect = expect.substr(2);
    if (!MayEndWith(f)) expect = expect.substr(0, expect.size() - 2);
    // "__" at the front is kept whole; at the back the second "_" is an escaped byte.
    EXPECT_EQ(Texts(both), Strings{expect});
  }
}

TEST_F(WordScan, StopWordsAreSkipped) {
  zrt::StopList::Global().SetEntries({"A", Cp("ПРИ"), Cp("МЕЖДУ$")});
  EXPECT_EQ(Texts(Cp("a b при взаимодействии между-собой Между")),
            (Strings{"b", Cp("взаимодействии")}));
  EXPECT_EQ(Texts(Cp("A стол")), Strings{Cp("стол")}) << "any case";
  zrt::StopList::Global().SetEntries({Cp("ЕЩЁ")});
  EXPECT_EQ(Texts(Cp("ещё еще ЕЩЕ слово")), Strings{Cp("слово")}) << "stop words compare folded";
  zrt::StopList::Global().Clear();
  EXPECT_EQ(Texts("a"), Strings{"a"});
}

}  // namespace
