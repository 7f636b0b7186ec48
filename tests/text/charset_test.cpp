// Code-page conversion and casing over every byte value, checked against the letter
// layouts of the two code pages rather than against the engine's arithmetic.
#include "text/charset.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <random>
#include <string>

#include "text_test_util.h"

namespace {

using zrt_test::Byte;
using zrt_test::Cp;

// Letter places: Windows-1251 has А-Я at C0-DF and а-я at E0-FF (Ё A8, ё B8); code page
// 866 has А-Я at 80-9F, а-п at A0-AF, р-я at E0-EF (Ё F0, ё F1).
const std::string kLatinLower = "abcdefghijklmnopqrstuvwxyz";
const std::string kLatinUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

int AnsiUpperIndex(unsigned b) { return b >= 0xC0 && b <= 0xDF ? int(b - 0xC0) : -1; }
int AnsiLowerIndex(unsigned b) { return b >= 0xE0 ? int(b - 0xE0) : -1; }
int OemUpperIndex(unsigned b) { return b >= 0x80 && b <= 0x9F ? int(b - 0x80) : -1; }
int OemLowerIndex(unsigned b) {
  if (b >= 0xA0 && b <= 0xAF) return int(b - 0xA0);
  if (b >= 0xE0 && b <= 0xEF) return int(b - 0xE0 + 16);
  return -1;
}
unsigned OemLowerByte(int index) { return index < 16 ? 0xA0 + index : 0xE0 + index - 16; }

unsigned LatinUp(unsigned b) {
  size_t at = kLatinLower.find(static_cast<char>(b));
  return b != 0 && at != std::string::npos ? static_cast<unsigned char>(kLatinUpper[at]) : b;
}
unsigned LatinDown(unsigned b) {
  size_t at = kLatinUpper.find(static_cast<char>(b));
  return b != 0 && at != std::string::npos ? static_cast<unsigned char>(kLatinLower[at]) : b;
}

unsigned ModelOemToAnsi(unsigned b) {
  if (OemUpperIndex(b) >= 0) return 0xC0 + OemUpperIndex(b);
  if (OemLowerIndex(b) >= 0) return 0xE0 + OemLowerIndex(b);
  return b;  // Ё/ё F0/F1 and box drawing stay
}

unsigned ModelAnsiToOem(unsigned b) {
  if (AnsiUpperIndex(b) >= 0) return 0x80 + AnsiUpperIndex(b);
  if (AnsiLowerIndex(b) >= 0) return OemLowerByte(AnsiLowerIndex(b));
  if (b >= 0xB0 && b <= 0xBF) return b - 0xB0 + 0x70;  // the media's legacy shift: ё -> 'x'
  return b;
}

unsigned ModelAnsiUpper(unsigned b) {
  if (AnsiLowerIndex(b) >= 0) return 0xC0 + AnsiLowerIndex(b);
  return LatinUp(b);
}

unsigned ModelAnsiLower(unsigned b) {
  if (AnsiUpperIndex(b) >= 0) return 0xE0 + AnsiUpperIndex(b);
  return LatinDown(b);
}

using InPlace = char* (*)(char*);
using OnString = std::string (*)(std::string);

struct Rule {
  const char* name;
  InPlace convert;
  unsigned (*model)(unsigned);
  OnString onString;  // the std::string form, where there is one
};

const Rule kRules[] = {
    {"OemToAnsi", static_cast<InPlace>(zrt::OemToAnsi), ModelOemToAnsi,
     static_cast<OnString>(zrt::OemToAnsi)},
    {"AnsiToOem", static_cast<InPlace>(zrt::AnsiToOem), ModelAnsiToOem,
     static_cast<OnString>(zrt::AnsiToOem)},
    {"AnsiUpper", static_cast<InPlace>(zrt::AnsiUpper), ModelAnsiUpper,
     static_cast<OnString>(zrt::AnsiUpper)},
    {"AnsiLower", zrt::AnsiLower, ModelAnsiLower, nullptr},
};

unsigned Convert(const Rule& r, std::string text, size_t at) {
  r.convert(text.data());
  return static_cast<unsigned char>(text[at]);
}

TEST(Charset, EveryByteFollowsTheLetterLayout) {
  for (const Rule& r : kRules) {
    for (unsigned b = 1; b < 256; ++b) {
      SCOPED_TRACE(std::string(r.name) + " byte " + std::to_string(b));
      EXPECT_EQ(Convert(r, Byte(b), 0), r.model(b)) << "alone";
      EXPECT_EQ(Convert(r, "1" + Byte(b), 1), r.model(b)) << "after a digit";
      EXPECT_EQ(Convert(r, Byte(b) + "1", 0), r.model(b)) << "first of two";
      EXPECT_EQ(Convert(r, "_" + Byte(b), 1), b) << "escaped";
      // The escape covers only the next byte; a "_" after a "_" is itself the escaped byte.
      if (b != '_') {
        EXPECT_EQ(Convert(r, "_" + Byte(b) + Byte(b), 2), r.model(b)) << "after an escaped byte";
      }
      // Even when the byte in memory before the string is "_": the string starts a text.
      std::string buf = "_" + Byte(b);
      r.convert(buf.data() + 1);
      EXPECT_EQ(static_cast<unsigned char>(buf[1]), r.model(b)) << "first byte";
      if (r.onString) {
        std::string expect = "1" + Byte(r.model(b)) + "_" + Byte(b);
        EXPECT_EQ(r.onString("1" + Byte(b) + "_" + Byte(b)), expect) << "std::string form";
      }
    }
    char text[] = "ab\0cd";
    EXPECT_EQ(r.convert(text), text);
    EXPECT_EQ(std::string(text + 3), "cd") << r.name;  // untouched after the terminator
    EXPECT_EQ(r.convert(nullptr), nullptr) << r.name;
  }
  std::string text = Cp("__а_");
  zrt::AnsiUpper(text.data());
  EXPECT_EQ(text, Cp("__а_"));
}

TEST(Charset, CasingDoesNotFollowTheProcessLocale) {
  const char* saved = std::setlocale(LC_ALL, nullptr);
  std::string restore = saved ? saved : "C";
  for (const char* name : {"C.UTF-8", "en_US.UTF-8", "tr_TR.UTF-8", "tr_TR.ISO-8859-9",
                           "ru_RU.CP1251", "ru_RU.KOI8-R"}) {
    if (!std::setlocale(LC_ALL, name)) continue;
    for (unsigned b = 1; b < 256; ++b) {
      EXPECT_EQ(Convert(kRules[2], Byte(b), 0), ModelAnsiUpper(b)) << name << " " << b;
      EXPECT_EQ(Convert(kRules[3], Byte(b), 0), ModelAnsiLower(b)) << name << " " << b;
    }
  }
  std::setlocale(LC_ALL, restore.c_str());
}

std::string ModelUpper(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size(); ++i)
    if (i == 0 || out[i - 1] != '_')
      out[i] = static_cast<char>(ModelAnsiUpper(static_cast<unsigned char>(out[i])));
  return out;
}

int ModelCompare(const std::string& a, const std::string& b, size_t n) {
  std::string ua = ModelUpper(a).substr(0, n), ub = ModelUpper(b).substr(0, n);
  for (size_t i = 0; i < ua.size() && i < ub.size(); ++i) {
    unsigned char x = ua[i], y = ub[i];
    if (x != y) return x < y ? -1 : 1;
  }
  return ua.size() == ub.size() ? 0 : (ua.size() < ub.size() ? -1 : 1);
}

TEST(Charset, CaseInsensitiveComparisons) {
  EXPECT_EQ(zrt::StrICmp(nullptr, ""), 0);
  EXPECT_EQ(zrt::StrICmp(nullptr, "a"), -1);
  EXPECT_EQ(zrt::StrNICmp("a", nullptr, 5), 1);

  const std::string alphabet = "aAzZ_09" + Cp("аяАЯёЁ") + "\x80\xDF\xFF";
  std::mt19937 rng(7);
  auto random = [&] {
    std::string s(rng() % 6, ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    return s;
  };
  for (int i = 0; i < 5000; ++i) {
    std::string a = random(), b = rng() % 3 ? random() : a;
    if (rng() % 2) b = ModelUpper(a);
    ASSERT_EQ(zrt::StrICmp(a.c_str(), b.c_str()), ModelCompare(a, b, std::string::npos))
        << a << " / " << b;
    size_t n = rng() % 8;
    ASSERT_EQ(zrt::StrNICmp(a.c_str(), b.c_str(), n), ModelCompare(a, b, n))
        << a << " / " << b << " n=" << n;
  }
}

std::string Join(std::string s) {
  zrt::JoinNameWords(s.data());
  return std::string(s.c_str());
}

TEST(NameJoining, ExamplesAndQuirks) {
  const std::pair<std::string, std::string> cases[] = {
      {Cp("Иванов  И. И."), Cp("Иванов-И-И.")}, {"Smith, J. R.", "Smith, J-R."},
      {"Smith J.R.", "Smith-J.R."},  // a dot not followed by a space stays
      {" Smith", " Smith"},  // the first byte is never replaced
      {"Smith ", "Smith-"}, {"A - B", "A-B"},  // runs of "-" collapse
      {"A--- B.  C", "A-B-C"}, {"Smith,  J.", "Smith, -J."},  // only the space right after "," is kept
      {"a,b c", "a,b-c"}, {"", ""}, {".", "."}, {". ", "-"},
  };
  for (const auto& [name, joined] : cases) EXPECT_EQ(Join(name), joined) << name;
  EXPECT_EQ(zrt::JoinNameWords(nullptr), nullptr);
}

// The rule applied step by step on a std::string, for comparison on random names.
std::string ModelJoin(std::string s) {
  for (size_t i = 0; i < s.size(); ++i) {
    bool dot = s[i] == '.' && i + 1 < s.size() && s[i + 1] == ' ';
    bool space = s[i] == ' ' && i > 0 && s[i - 1] != ',';
    if (!dot && !space) continue;
    s[i] = '-';
    while (i + 1 < s.size() && s[i + 1] == ' ') s.erase(i + 1, 1);
  }
  std::string out;
  for (char c : s)
    if (!(c == '-' && !out.empty() && out.back() == '-')) out.push_back(c);
  return out;
}

TEST(NameJoining, AgreesWithStepwiseModel) {
  const std::string alphabet = " .,-A" + Cp("б");
  std::mt19937 rng(11);
  for (int i = 0; i < 20000; ++i) {
    std::string s(rng() % 10, ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    ASSERT_EQ(Join(s), ModelJoin(s)) << "[" << s << "]";
  }
}

}  // namespace
