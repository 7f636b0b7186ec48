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

TEST_F(WordScan, SplitsOnControlBytesAndSpaceOnly) {
  EXPECT_EQ(
      Scan("alpha beta\tgamma\x01"
           "delta\r\nomega"),
      (std::vector<Word>{{"alpha", 0}, {"beta", 6}, {"gamma", 11}, {"delta", 17}, {"omega", 24}}));
  // Bytes 80-FF never separate: a no-break space A0 stays inside the word.
  EXPECT_EQ(Texts(Cp("слово") + "\xA0" + Cp("дело")), Strings{Cp("слово") + "\xA0" + Cp("дело")});
  EXPECT_EQ(Texts(""), Strings{});
  EXPECT_EQ(Texts(" \t\r\n "), Strings{});
}

TEST_F(WordScan, WritesTerminatorsIntoTheText) {
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
}

TEST_F(WordScan, CounterIsOneByteAndNullOutputsAreAllowed) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "w ";
  uint8_t counter = 0;
  EXPECT_EQ(Scan(text, &counter).size(), 300u);
  EXPECT_EQ(counter, 300 % 256);
  std::string buf = "one two";
  zrt::WordScanner scanner(buf.data());
  EXPECT_STREQ(scanner.Next(nullptr, nullptr), "one");
  EXPECT_STREQ(scanner.Next(nullptr, nullptr), "two");
}

TEST_F(WordScan, ScannerObjectsAreIndependent) {
  std::string a = "alpha beta", b = "gamma delta";
  zrt::WordScanner sa(a.data()), sb(b.data());
  uint8_t n = 0;
  int32_t off = 0;
  EXPECT_STREQ(sa.Next(&n, &off), "alpha");
  EXPECT_STREQ(sb.Next(&n, &off), "gamma");
  EXPECT_STREQ(sa.Next(&n, &off), "beta");
  EXPECT_EQ(off, 6);
  EXPECT_STREQ(sb.Next(&n, &off), "delta");
  EXPECT_EQ(sa.Next(&n, &off), nullptr);
  zrt::WordScanner idle;
  EXPECT_EQ(idle.Next(&n, &off), nullptr);
  EXPECT_EQ(n, 4);
}

TEST_F(WordScan, FirstWordOfAScanMayBeANumber) {
  EXPECT_EQ(Texts(Cp("1995 год")), (Strings{"1995", Cp("год")}));
  EXPECT_EQ(Texts(Cp("год 1995")), Strings{Cp("год")});
  EXPECT_EQ(Texts("1995 1996 x1997 1998y"), (Strings{"1995", "x1997", "1998y"}));
  // The first call of a scan may return a number even after skipping other words.
  EXPECT_EQ(Texts(Cp("и - 1995 2001")), Strings{"1995"});
  EXPECT_EQ(Texts("(2001)."), Strings{"2001"});
  EXPECT_EQ(Texts("12.5 3,14"), (Strings{"12.5", "3,14"})) << "not digits only";
  EXPECT_EQ(Texts("7 1995 2001"), Strings{"1995"}) << "the opening call skipped the digit";
}

TEST_F(WordScan, SpecimenWords) {
  EXPECT_EQ(Scan("(H2O),"), (std::vector<Word>{{"H2O", 1}}));
  EXPECT_EQ(Texts("\x97"), Strings{}) << "a lone dash";
  EXPECT_EQ(Texts("a \x97 b"), (Strings{"a", "b"}));
  EXPECT_EQ(Texts(Cp("и в a I я")), (Strings{"a", "I"})) << "one-letter Cyrillic words are dropped";
  EXPECT_EQ(Texts("_[2_]"), Strings{}) << "subscript digit";
  EXPECT_EQ(Texts("x _[2_] y"), (Strings{"x", "y"}));
  EXPECT_EQ(Texts("$ @ 5 \xC0 \xFF"), Strings{});
  EXPECT_EQ(Texts("_ [x] {y}"), (Strings{"_", "[x]", "{y}"}));
  EXPECT_EQ(Texts("[] {} [} {] []x"), Strings{}) << "empty bracket pairs, whatever follows";
  EXPECT_EQ(Texts("\xAB" + Cp("Слово") + "\xBB,"), Strings{Cp("Слово")}) << "guillemets";
  EXPECT_EQ(Texts("e-mail: user@host.ru;"), (Strings{"e-mail", "user@host.ru"}));
  EXPECT_EQ(Texts("$100 100$ 10$5"), (Strings{"$100", "100$", "10$5"}));
}

TEST_F(WordScan, MarkupPairsAreTrimmedAsPairs) {
  const std::string word = Cp("ион");
  // Opening codes: "_[" subscript, "_{" superscript, "_" DF / DD / DE highlight starts.
  for (const char* open : {"_[", "_{", "_\xDF", "_\xDD", "_\xDE"}) {
    EXPECT_EQ(Texts(open + word), Strings{word}) << open;
    EXPECT_EQ(Texts(std::string("((") + open + "_[" + word), Strings{word}) << open;
  }
  // Closing codes: "_]", "_}", "_" FF / FD / FE.
  for (const char* close : {"_]", "_}", "_\xFF", "_\xFD", "_\xFE"}) {
    EXPECT_EQ(Texts(word + close), Strings{word}) << close;
    EXPECT_EQ(Texts(word + close + "_]),"), Strings{word}) << close;
  }
  EXPECT_EQ(Texts("_\xDF" + Cp("выделено") + "_\xFF."), Strings{Cp("выделено")});
  EXPECT_EQ(Texts("H_[2_]O"), Strings{"H_[2_]O"}) << "inner markup stays";
  EXPECT_EQ(Texts("x_{2_}."), Strings{"x_{2"});
  // Any other escaped byte at the end belongs to the word and stops the trimming.
  EXPECT_EQ(Texts("ab_,)"), Strings{"ab_,"});
  EXPECT_EQ(Texts("ab_a"), Strings{"ab_a"});
  EXPECT_EQ(Texts("ab__"), Strings{"ab__"});
  // An escaped opener at the front is kept when it is not one of the opening codes.
  EXPECT_EQ(Texts("_ab"), Strings{"_ab"});
  EXPECT_EQ(Texts("_]ab"), Strings{"_]ab"});
  // A pair that covers the whole word leaves nothing.
  EXPECT_EQ(Texts("_[ _{_} _\xDF_\xFF x"), Strings{"x"});
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

TEST_F(WordScan, FoldsYoInPlaceExceptAfterTheEscape) {
  const struct {
    std::string text;
    Strings words;
  } cases[] = {
      {Cp("всё"), {Cp("все")}},  // not trimmed off the end
      {Cp("ёлке Фёдор МЁРТВЫЕ"), {Cp("елке"), Cp("Федор"), Cp("МЕРТВЫЕ")}},
      {Cp("(ёж),"), {Cp("еж")}},
      {Cp("x_ё"), {Cp("x_ё")}},  // a Symbol-font character, not a letter
      {Cp("ё"), {}},             // one letter
  };
  for (const auto& c : cases) EXPECT_EQ(Texts(c.text), c.words) << c.text;
  zrt::StopList::Global().SetEntries({Cp("ЕЩЁ")});
  EXPECT_EQ(Texts(Cp("ещё еще ЕЩЕ слово")), Strings{Cp("слово")}) << "stop words compare folded";
}

TEST_F(WordScan, StopWordsAreSkipped) {
  zrt::StopList::Global().SetEntries({"A", Cp("ПРИ"), Cp("МЕЖДУ$")});
  EXPECT_EQ(Texts(Cp("a b при взаимодействии между-собой Между")),
            (Strings{"b", Cp("взаимодействии")}));
  EXPECT_EQ(Texts(Cp("A стол")), Strings{Cp("стол")}) << "any case";
  zrt::StopList::Global().Clear();
  EXPECT_EQ(Texts("a"), Strings{"a"});
}

}  // namespace
