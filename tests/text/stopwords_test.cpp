// The stop list: the file's quirks (35-byte pieces, comments, control bytes, the 1024
// cap), the entry comparison, and the binary search checked against trying every entry.
#include "text/stopwords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "fixture/fault_env.h"
#include "fixture/scratch.h"
#include "text_test_util.h"
#include "zrteng.h"

namespace {

using zrt_test::Cp;
using zrt_test::Oem866;
using Strings = std::vector<std::string>;

class StopFile : public ::testing::Test {
 protected:
  void SetUp() override {
    list_.Clear();
    zrt::StopList::Global().Clear();
  }
  void TearDown() override { zrt::StopList::Global().Clear(); }

  std::string Write(const std::string& bytes, const std::string& name = "stop.txt") {
    return dir_.Write(name, bytes);
  }

  // Loads `bytes` and returns the entries in list order.
  Strings Load(const std::string& bytes) {
    EXPECT_TRUE(list_.Load(Write(bytes)));
    return list_.entries();
  }

  fixture::TempDir dir_{"zrt_stop"};
  zrt::StopList list_;
};

TEST_F(StopFile, SpecimenList) {
  std::string file = Oem866(Cp("и\n$comment\nкотор$2\nмежду$\n"));
  EXPECT_EQ(Load(file), (Strings{Cp("И"), Cp("КОТОР$2"), Cp("МЕЖДУ$")}));
  for (const char* word : {"И", "и", "КОТОРЫЙ", "которым", "КОТОР", "Котор1", "МЕЖДУ",
                           "МЕЖДУНАРОДНЫЙ", "междуусобный"})
    EXPECT_TRUE(list_.Contains(Cp(word).c_str())) << word;
  for (const char* word : {"КОТОРЫМИ", "КОТО", "МЕЖД", "ИЛИ", "И1", "КОТ", "A"})
    EXPECT_FALSE(list_.Contains(Cp(word).c_str())) << word;
  EXPECT_FALSE(list_.Contains(nullptr));
  EXPECT_FALSE(list_.Contains(""));
}

TEST_F(StopFile, LinesAreReadIn35BytePieces) {
  const std::string a35(35, 'a'), b5(5, 'b');
  EXPECT_EQ(Load(a35 + b5 + "\n"), (Strings{std::string(35, 'A'), "BBBBB"})) << "40-byte line";
  EXPECT_EQ(Load(a35 + "\n" + "x\n"), (Strings{std::string(35, 'A'), "X"})) << "exactly 35";
  EXPECT_EQ(Load(a35 + "c\n"), (Strings{std::string(35, 'A'), "C"})) << "36 bytes";
  EXPECT_EQ(Load(a35 + a35 + a35 + "d"),
            (Strings{std::string(35, 'A'), std::string(35, 'A'), std::string(35, 'A'), "D"}))
      << "no final newline";
  // CR LF: the CR of a 34-byte line fills its piece, the LF alone is an empty piece.
  EXPECT_EQ(Load(std::string(34, 'e') + "\r\n" + a35 + "\r\nf\r\n"),
            (Strings{std::string(35, 'A'), std::string(34, 'E'), "F"}));
  // A piece that starts with "$" is a comment even when it continues a longer line.
  EXPECT_EQ(Load(a35 + "$not an entry\n"), Strings{std::string(35, 'A')});
}

TEST_F(StopFile, ControlBytesCommentsAndConversion) {
  EXPECT_EQ(Load("word\t\x1A\r\n\n\r\n  \n$\n$$x\nlate \n x\n"),
            (Strings{"  ", " X", "LATE ", "WORD"}))
      << "trailing control bytes go, spaces stay";
  EXPECT_EQ(Load(std::string("ab\0cd\n\0zz\nef\n", 13)), (Strings{"AB", "EF"}))
      << "an entry ends at NUL";
  // Code page 866 in the file, upper-case Windows-1251 in the list.
  EXPECT_EQ(Load(Oem866(Cp("Ещё\nпри\n"))), (Strings{Cp("ЕЩЕ"), Cp("ПРИ")}))
      << "866 ё (F1) is folded to Е";
  EXPECT_EQ(Load(""), Strings{});
}

TEST_F(StopFile, EntriesAreSortedAsUnsignedBytes) {
  EXPECT_EQ(Load(Oem866(Cp("я\nz\nA\nа\n_q\n1\n"))),
            (Strings{"1", "A", "Z", "_q", Cp("А"), Cp("Я")}));
}

TEST_F(StopFile, KeepsTheFirst1024Entries) {
  std::string file;
  for (int i = 0; i < 1100; ++i) {
    char line[16];
    std::snprintf(line, sizeof line, "W%04d\n", i);
    file += line;
    if (i % 10 == 0) file += "$ comments do not count\n\n";
  }
  Load(file);
  EXPECT_EQ(list_.size(), zrt::StopList::kCapacity);
  EXPECT_TRUE(list_.Contains("w0000"));
  EXPECT_TRUE(list_.Contains("W1023"));
  EXPECT_FALSE(list_.Contains("W1024"));
  EXPECT_FALSE(list_.Contains("W1099"));
}

TEST_F(StopFile, ReloadReplacesAndFailuresEmpty) {
  Load("alpha\nbeta\n");
  EXPECT_EQ(Load("gamma\n"), Strings{"GAMMA"});
  EXPECT_FALSE(list_.Contains("ALPHA"));
  for (const std::string& bad : {dir_ / "missing.txt", dir_.path().string(), std::string()}) {
    Load("delta\n");
    EXPECT_FALSE(list_.Load(bad)) << bad;
    EXPECT_EQ(list_.size(), 0u);
  }
  // A read error part way leaves an empty list too.
  std::string file;
  for (int i = 0; i < 2000; ++i) file += "word" + std::to_string(i) + "\n";
  std::string path = Write(file);
  bool loaded;
  {
    fixture::FaultEnv env;
    env.failReadsFrom = 2;  // the first block reads, the rest fails
    loaded = list_.Load(path);
  }
  EXPECT_FALSE(loaded);
  EXPECT_EQ(list_.size(), 0u);
  EXPECT_TRUE(list_.Load(path)) << "the same file through the ordinary layer";
  EXPECT_EQ(list_.size(), 1024u);
}

TEST_F(StopFile, ExportedFunctions) {
  std::string path = Write(Oem866(Cp("при\n")));
  EXPECT_EQ(ZRTStop_build(nullptr), 0);
  EXPECT_EQ(ZRTStop_build(""), 0);
  EXPECT_EQ(ZRTStop_build(path.c_str()), 1);
  EXPECT_TRUE(zrt::IsStopWord(Cp("При").c_str()));
  EXPECT_EQ(ZRTStop_build((dir_ / "missing.txt").c_str()), 0);
  EXPECT_FALSE(zrt::IsStopWord(Cp("При").c_str())) << "a failed build leaves no list";
  EXPECT_EQ(ZRTStop_build(path.c_str()), 1);
  ZRTCStop_destroy();
  EXPECT_FALSE(zrt::IsStopWord(Cp("При").c_str()));
  ZRTCStop_destroy();  // twice is harmless
}

TEST(StopCompare, EachRule) {
  const struct {
    const char *word, *entry;
    int result;
  } cases[] = {
      {"ABC", "ABC", 0}, {"ABC", "ABD", -1}, {"\xC0", "Z", 1},  // unsigned bytes
      // Cut entries; a word longer than allowed sorts after the entry; a non-digit after
      // "$" allows nothing more.
      {"AB", "AB$", 0}, {"ABXYZ", "AB$", 0}, {"AA", "AB$", -1}, {"A", "AB$", -1}, {"AB", "AB$0", 0},
      {"ABX", "AB$0", 1}, {"ABXY", "AB$2", 0}, {"ABXYZ", "AB$2", 1}, {"ABXYZ", "AB$X", 1},
      // Cut words (truncated query words): a cut word sorts before a longer entry.
      {"AB$", "ABCDEF", 0}, {"AB$", "AC", -1}, {"AB$", "A", 1}, {"AB$1", "ABC", 0}, {"AB$1", "ABCD", -1},
      {"$", "ANY", 0},
      // Both cut: the word's prefix decides what is compared.
      {"AB$", "ABC$1", 0}, {"AB$1", "AB$3", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(zrt::CompareStopEntry(c.word, c.entry), c.result) << c.word << " " << c.entry;
}

// Membership by trying every entry: what the comparison alone says.
bool BruteForce(const Strings& entries, const std::string& word) {
  for (const std::string& e : entries)
    if (zrt::CompareStopEntry(word.c_str(), e.c_str()) == 0) return true;
  return false;
}

// The binary search is only as good as the order the comparison sees: when the entries,
// seen from the word, fall into "before", "match", "after" runs in list order, the search
// cannot miss; otherwise it may.
bool Partitioned(const Strings& entries, const std::string& word) {
  int stage = 0;
  for (const std::string& e : entries) {
    int c = zrt::CompareStopEntry(word.c_str(), e.c_str());
    int s = c > 0 ? 0 : (c == 0 ? 1 : 2);
    if (s < stage) return false;
    stage = s;
  }
  return true;
}

std::string RandomText(std::mt19937& rng, const std::string& alphabet, int minLen, int maxLen) {
  std::string s(minLen + rng() % (maxLen - minLen + 1), ' ');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

std::string RandomCut(std::mt19937& rng, std::string prefix, int plainOdds) {
  int roll = static_cast<int>(rng() % 6);
  if (roll < plainOdds) return prefix;
  if (roll % 2) return prefix + "$";
  return prefix + "$" + std::to_string(rng() % 4);
}

TEST(StopLookup, BinarySearchAgainstEveryEntry) {
  std::mt19937 rng(1234);
  const std::string alphabet = "ABC!\xDF";  // "!" sorts below "$"
  int agreedWhenPartitioned = 0, notPartitioned = 0, missedByBinarySearch = 0;
  zrt::StopList list;
  for (int round = 0; round < 600; ++round) {
    Strings entries(1 + rng() % 12);
    for (std::string& e : entries) e = RandomCut(rng, RandomText(rng, alphabet, 1, 3), 3);
    list.SetEntries(entries);
    for (int i = 0; i < 150; ++i) {
      std::string word = RandomText(rng, alphabet, 1, 5);
      if (rng() % 5 == 0) word = RandomCut(rng, word, 0);
      bool binary = list.Contains(word.c_str());
      bool brute = BruteForce(list.entries(), word);
      ASSERT_TRUE(!binary || brute) << "a found word always matches some entry: " << word;
      if (Partitioned(list.entries(), word)) {
        ASSERT_EQ(binary, brute) << word;
        ++agreedWhenPartitioned;
      } else {
        ++notPartitioned;
        missedByBinarySearch += brute && !binary;
      }
    }
  }
  EXPECT_GT(agreedWhenPartitioned, 10000);
  EXPECT_GT(missedByBinarySearch, 100) << "the generator must reach the mixed-order cases";
  EXPECT_GT(notPartitioned, missedByBinarySearch);
}

TEST(StopLookup, AgreesWhenNoEntryExtendsACutPrefix) {
  // Letters above "$" only, and no entry starts with the prefix of a cut entry: then the
  // plain byte order is the comparison's order for every uncut word, and the search is exact.
  std::mt19937 rng(99);
  const std::string alphabet = "ABCD\xC0\xDF";
  zrt::StopList list;
  for (int round = 0; round < 600; ++round) {
    Strings entries;
    Strings prefixes;
    for (int tries = 0; tries < 12; ++tries) {
      std::string prefix = RandomText(rng, alphabet, 1, 3);
      std::string e = RandomCut(rng, prefix, 3);
      bool cut = e.size() > prefix.size();
      bool clash = std::any_of(entries.begin(), entries.end(), [&](const std::string& o) {
        size_t d = o.find('$');
        std::string op = o.substr(0, d);
        return (d != std::string::npos && e.compare(0, op.size(), op) == 0) ||
               (cut && o.compare(0, prefix.size(), prefix) == 0);
      });
      if (!clash) entries.push_back(e);
    }
    list.SetEntries(entries);
    for (int i = 0; i < 150; ++i) {
      std::string word = RandomText(rng, alphabet, 1, 6);
      ASSERT_TRUE(Partitioned(list.entries(), word)) << word;
      ASSERT_EQ(list.Contains(word.c_str()), BruteForce(list.entries(), word)) << word;
    }
  }
}

TEST(StopLookup, MixedOrderCanHideACutEntry) {
  // "AB$" sorts before "ABC", yet "ABD" matches "AB$" and sorts after "ABC": the search
  // probes "ABC" first, goes right and never sees "AB$". Membership is what the search
  // finds, so "ABD" is not a stop word here although "AB$" alone would stop it.
  zrt::StopList list;
  list.SetEntries({"ABC", "AB$"});
  EXPECT_EQ(list.entries(), (Strings{"AB$", "ABC"}));
  EXPECT_TRUE(BruteForce(list.entries(), "ABD"));
  EXPECT_FALSE(list.Contains("ABD"));
  EXPECT_TRUE(list.Contains("ABA")) << "to the left of ABC the search does find AB$";
  list.SetEntries({"AB$"});
  EXPECT_TRUE(list.Contains("ABD"));
}

}  // namespace
