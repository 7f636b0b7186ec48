#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "output/markup.h"

namespace {

using zrt::OrvToHtml;
using zrt::OrvToRtf;
using zrt::OrvToTxt;

std::string Pair(unsigned char code) { return std::string("_") + static_cast<char>(code); }

const std::string kColourOn = Pair(0xDD), kBoldOn = Pair(0xDE), kItalicOn = Pair(0xDF);
const std::string kColourOff = Pair(0xFD), kBoldOff = Pair(0xFE), kItalicOff = Pair(0xFF);

using Cases = std::vector<std::pair<std::string, std::string>>;

void ExpectConversions(std::string (*convert)(std::string_view), const Cases& cases) {
  for (const auto& [in, want] : cases) EXPECT_EQ(convert(in), want) << in;
}

TEST(OrvToTxt, CopiesTextSpellsSymbolsAndDropsHighlights) {
  ExpectConversions(OrvToTxt, {
      {"", ""}, {"H{2}O [x] plain", "H{2}O [x] plain"},
      // Names written here as Windows-1251 bytes, independently of the converter's table.
      {"a" + Pair(0x41) + "b", "a'\xC0\xCB\xDC\xD4\xC0'b"},       // 'АЛЬФА'
      {Pair(0x61), "'\xE0\xEB\xFC\xF4\xE0'"},                     // 'альфа'
      {Pair(0xA5), "'\xC1\xC5\xD1\xCA\xCE\xCD\xC5\xD7\xCD'"},     // 'БЕСКОНЕЧН'
      {Pair(0x98), "'\xCA\xC2\xC0\xC4\xD0\xC0\xD2'"},             // 'КВАДРАТ'
      {Pair(0xB0), "\xB0"}, {Pair(0xB2), "\""}, {Pair(0xA2), "'"}, {Pair(0xD4), "'TM'"},
      {Pair(0xD2) + Pair(0xD3), "(R)(C)"}, {Pair(0x5B) + "x" + Pair(0x5D) + Pair(0x7B) + Pair(0x7D), "[x]{}"},
      {"__", "_"}, {Pair(0x56) + Pair(0x4A) + Pair(0x01), ""},  // codes with no name vanish
      // Highlight codes vanish except the arrow; a trailing escape is dropped.
      {kColourOn + kItalicOn + "w" + kItalicOff + kColourOff + kBoldOff, "w"}, {kBoldOn, "'=>'"},
      {"abc_", "abc"}, {"_", ""},
  });
  size_t names = 0;
  for (int code = 1; code < 256; ++code) {
    std::string_view name = zrt::SymbolName(static_cast<unsigned char>(code));
    EXPECT_LE(name.size(), 11u) << code;  // the stated expansion
    names += !name.empty();
  }
  EXPECT_EQ(names, 105u);
}

TEST(OrvToHtml, ScriptsEscapesAndSymbols) {
  ExpectConversions(OrvToHtml, {
      {"", ""}, {"H{2}O", "H<SUP>2</SUP>O"}, {"H[2]O", "H<SUB>2</SUB>O"}, {"a<b>&\"c'", "a&lt;b&gt;&amp;&quot;c'"},
      {"x{2", "x<SUP>2</SUP>"},  // closed at the end
      {"a}b]c", "a}b]c"},        // closers with nothing open are text
      {"{{2}}", "<SUP><SUP>2</SUP></SUP>"}, {"\xC0\xE1\xFF", "\xC0\xE1\xFF"},
      // Literal braces and brackets inside scripts; outside any script a literal pair
      // returns to plain text; a closer of the other kind leaves the open pair alone.
      {"{a{'b}c}", "<SUP>a{b}c</SUP>"}, {"{a{,b}c}", "<SUP>a[b]c</SUP>"}, {"[a[,b]c]", "<SUB>a[b]c</SUB>"},
      {"[a['b]c]", "<SUB>a{b}c</SUB>"}, {"{'x}}", "{x}}"}, {"[a{'b]c}", "<SUB>a{b]c}</SUB>"},
      {"__", "<FONT FACE=\"Symbol\">&#95;</FONT>"}, {Pair(0x61), "<FONT FACE=\"Symbol\">&#97;</FONT>"},
      {Pair(0xF2), "<FONT FACE=\"Symbol\">&#242;</FONT>"}, {"ab_", "ab_"},
  });
}

TEST(OrvToHtml, HighlightElements) {
  ExpectConversions(OrvToHtml, {
      {kColourOn + kBoldOn + kItalicOn + "w" + kItalicOff + kBoldOff + kColourOff,
       "<FONT COLOR=\"#0000FF\"><B><I>w</I></B></FONT>"},
      {kColourOn + kColourOn + "w", "<FONT COLOR=\"#0000FF\"><FONT COLOR=\"#0000FF\">w</FONT></FONT>"},
      {"a" + kBoldOff + kItalicOff + kColourOff + "b", "ab"},
      // An end code closes exactly its element: a superscript opened inside is reopened.
      {kBoldOn + "a{b" + kBoldOff + "c}", "<B>a<SUP>b</SUP></B><SUP>c</SUP>"},
  });
}

TEST(OrvToRtf, ScriptsEscapesAndLiterals) {
  ExpectConversions(OrvToRtf, {
      {"", ""}, {"H{2}O", "H{\\super 2}O"}, {"H[2]O", "H{\\sub 2}O"}, {"{{2}", "{\\super 2}"},  // "{{" opens one group
      {"a\\b", "a\\'5cb"}, {"a}b", "a b"},  // a stray brace never reaches the document
      {"a]b", "a]b"}, {"\xC0\xE1\xFF<>&", "\xC0\xE1\xFF<>&"}, {"ab_", "ab_"}, {"__", "{\\f2\\lang1033 \\'5f}"},
      {Pair(0xA5), "{\\f2\\lang1033 \\'a5}"},
      {"{a{'b}c}", "{\\super a\\'7bb\\'7dc}"}, {"{a{,b}c}", "{\\super a[b]c}"}, {"[a['b]c]", "{\\sub a\\'7bb\\'7dc}"},
      {"[a[,b]c]", "{\\sub a[b]c}"}, {"{'x}}", "\\'7bx\\'7d "},
      {"x{2", "x{\\super 2}"}, {"x{a[b", "x{\\super a{\\sub b}}"},  // open scripts are closed at the end
  });
}

TEST(OrvToRtf, HighlightGroups) {
  ExpectConversions(OrvToRtf, {
      {kColourOn + kBoldOn + kItalicOn + "w" + kItalicOff + kBoldOff + kColourOff, "{\\cf2 {\\b {\\i w}}}"},
      // One colour group at a time; a colour end with none open gives nothing.
      {kColourOn + "a" + kColourOn + "b" + kColourOff + "c" + kColourOff, "{\\cf2 ab}c"},
      {"a" + kBoldOff + kItalicOff + kColourOff + "b", "ab"},
      {kBoldOn + kBoldOn + "a" + kBoldOff + "b" + kBoldOff + "c", "{\\b {\\b a}b}c"}, {kBoldOn + "x", "{\\b x}"},
  });
}

TEST(OrvToRtf, EndCodeClosesExactlyItsGroup) {
  ExpectConversions(OrvToRtf, {
      // A found word that ends inside a superscript: the superscript goes on after it.
      {kBoldOn + "a{bc" + kBoldOff + " d}", "{\\b a{\\super bc}}{\\super  d}"},
      // A superscript that ends inside a found word: the word stays bold.
      {"{a" + kBoldOn + "b}c" + kBoldOff, "{\\super a{\\b b}}{\\b c}"},
      // Italic closed under an open bold.
      {kItalicOn + "a" + kBoldOn + "b" + kItalicOff + "c" + kBoldOff, "{\\i a{\\b b}}{\\b c}"},
  });
}

// ---- Properties over random markup --------------------------------------------------------

// Brace depth never below zero and zero at the end. Literal braces leave the converter
// only as \'7b / \'7d, so every raw brace is a group delimiter.
bool RtfBalanced(const std::string& s) {
  long depth = 0;
  for (char c : s) {
    if (c == '{') ++depth;
    if (c == '}' && --depth < 0) return false;
  }
  return depth == 0;
}

// The script and highlight elements nest properly; '<' in the text leaves as "&lt;".
bool HtmlBalanced(const std::string& s) {
  std::vector<std::string> open;
  for (size_t i = s.find('<'); i != std::string::npos; i = s.find('<', i + 1)) {
    size_t close = s.find('>', i);
    if (close == std::string::npos) return false;
    std::string tag = s.substr(i + 1, close - i - 1);
    if (tag.rfind("FONT", 0) == 0) tag = "FONT";
    if (tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return false;
      open.pop_back();
      continue;
    }
    if (tag == "FONT" && s.compare(i, 20, "<FONT FACE=\"Symbol\">") == 0) {
      // A symbol: a complete element of its own.
      if (s.compare(close + 1, 2, "&#") != 0) return false;
      size_t end = s.find("</FONT>", close);
      if (end == std::string::npos) return false;
      i = end;
      continue;
    }
    if (tag != "B" && tag != "I" && tag != "SUP" && tag != "SUB" && tag != "FONT") return false;
    open.push_back(tag);
  }
  return open.empty();
}

std::string RandomMarkup(std::mt19937& rng, size_t maxLength) {
  static const std::string alphabet =
      std::string("_{}[],'\\<>&\"a ") + "\xDD\xDE\xDF\xFD\xFE\xFF\xC0";
  std::uniform_int_distribution<size_t> length(0, maxLength);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::string s(length(rng), ' ');
  for (char& c : s) c = alphabet[pick(rng)];
  return s;
}

TEST(MarkupProperties, RandomInputsStayWithinRoomAndBalanced) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20000; ++round) {
    std::string in = RandomMarkup(rng, 40);
    std::string txt = OrvToTxt(in), html = OrvToHtml(in), rtf = OrvToRtf(in);
    ASSERT_LT(txt.size(), zrt::TxtRoom(in.size())) << in;
    ASSERT_LT(html.size(), zrt::HtmlRoom(in.size())) << in;
    ASSERT_LT(rtf.size(), zrt::RtfRoom(in.size())) << in;
    ASSERT_TRUE(RtfBalanced(rtf)) << in << "\n" << rtf;
    ASSERT_TRUE(HtmlBalanced(html)) << in << "\n" << html;
  }
}

TEST(MarkupProperties, SmallRoomCutsButNeverOverflows) {
  std::mt19937 rng(11);
  const char kGuard = '\x5A';
  for (int round = 0; round < 5000; ++round) {
    std::string in = RandomMarkup(rng, 60);
    size_t room = std::uniform_int_distribution<size_t>(0, 80)(rng);
    using Converter = size_t (*)(std::string_view, char*, size_t);
    struct Case {
      Converter convert;
      bool (*balanced)(const std::string&);
    };
    const Case cases[] = {{OrvToHtml, HtmlBalanced}, {OrvToRtf, RtfBalanced}, {OrvToTxt, nullptr}};
    for (const Case& c : cases) {
      std::vector<char> buf(room + 16, kGuard);
      size_t n = c.convert(in, buf.data(), room);
      for (size_t i = room; i < buf.size(); ++i) ASSERT_EQ(buf[i], kGuard) << in;
      if (room == 0) {
        ASSERT_EQ(n, 0u);
        continue;
      }
      ASSERT_LT(n, room);
      ASSERT_EQ(buf[n], '\0');
      std::string out(buf.data(), n);
      if (c.balanced) {
        ASSERT_TRUE(c.balanced(out)) << in << "\n" << out;
      }
    }
  }
}

TEST(MarkupProperties, DeepNestingIsBoundedAndBalanced) {
  std::string in;
  for (int i = 0; i < 200; ++i) in += i % 3 == 0 ? kBoldOn : i % 3 == 1 ? "{" : "[";
  in += "x" + kBoldOff + kBoldOff;
  std::string rtf = OrvToRtf(in), html = OrvToHtml(in);
  EXPECT_LT(rtf.size(), zrt::RtfRoom(in.size()));
  EXPECT_LT(html.size(), zrt::HtmlRoom(in.size()));
  EXPECT_TRUE(RtfBalanced(rtf));
  EXPECT_TRUE(HtmlBalanced(html));
  EXPECT_NE(rtf.find('x'), std::string::npos);
}

}  // namespace
