// Damaged dictionary files: every range, length and link is checked; a ring that loops
// without returning or runs past the limits ends the walk; nothing crashes (the suite
// also runs under the sanitizers).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "morph_test_util.h"
#include "zrteng.h"

using namespace morphtest;  // NOLINT: the tests' own helpers

namespace {

void Put32(std::string* s, size_t at, uint32_t v) { fixture::PutU32(*s, at, v); }
uint32_t Get32(const std::string& s, size_t at) { return fixture::GetU32(s, at); }

// Table pair of the two-letter range "ст".
constexpr size_t kSt = 32 + 32 * (0xF1 - 0xE0) + (0xF2 - 0xE0);

std::string FormsIn(const std::string& bytes, const char* word, int* n = nullptr) {
  TempFile f(bytes);
  DZContext ctx;
  if (DZInit(f.path().c_str(), &ctx) != 0) {
    if (n) *n = -1;
    return "<no init>";
  }
  std::vector<char> out(DZ_FORMS_SIZE);
  int count = DZFindForms(W(word).c_str(), out.data(), &ctx, 0);
  if (n) *n = count;
  DZStop(&ctx);
  return U(out.data());
}

const std::string kStolForms = "стол or стола or столам or столами or столах or столе or столов or столом or столу or "
                               "столы";

TEST(DamagedFile, MissingOrShortFilesAreRefused) {
  DZContext ctx;
  EXPECT_EQ(DZInit("/nonexistent/dir/russian.dz", &ctx), -1);
  EXPECT_EQ(ctx.dict, nullptr);
  EXPECT_EQ(DZInit(nullptr, &ctx), -1);
  EXPECT_EQ(DZInit("x", nullptr), -1);
  int n = 0;
  EXPECT_EQ(FormsIn(std::string(8447, '\0'), "стол", &n), "<no init>");
  EXPECT_EQ(FormsIn(std::string(8448, '\0'), "стол", &n), "");  // a table and no records
  EXPECT_EQ(n, 0);
  DZStop(nullptr);
}

TEST(DamagedFile, RangesOutsideTheFileOrCutRecords) {
  const std::string good = DictionaryBytes({{{"стол", 1, AllSlots(12)}}});
  ASSERT_EQ(FormsIn(good, "стол"), kStolForms);
  const uint32_t start = Get32(good, 8 * kSt), end = Get32(good, 8 * kSt + 4);
  struct Case {
    uint32_t start, end;
  } cases[] = {{start, end + 1000}, {start, 0xFFFFFFFFu}, {0xFFFFFF00u, 0xFFFFFFFFu}, {start, end - 1},
               {start + 1, end},    {end, start},         {0, end},                    {4, 8000}};
  for (const Case& c : cases) {
    std::string bad = good;
    Put32(&bad, 8 * kSt, c.start);
    Put32(&bad, 8 * kSt + 4, c.end);
    int n = -1;
    FormsIn(bad, "стол", &n);  // any answer, but no crash
    EXPECT_GE(n, 0);
  }
  // A file cut inside its only record: the range ends there.
  int n = -1;
  EXPECT_EQ(FormsIn(good.substr(0, good.size() - 3), "стол", &n), "");
  EXPECT_EQ(n, 0);
  // A length byte that claims more than the file holds.
  std::string bad = good;
  bad[start] = static_cast<char>(0xFF);
  EXPECT_EQ(FormsIn(bad, "стол", &n), "");
}

TEST(DamagedFile, LinksThatLeaveTheFileOrNeverReturn) {
  // A ring of three records: стол -> стул -> стык -> стол.
  const std::string good = DictionaryBytes({{{"стол", 1, 0x3}, {"стул", 1, 0xC}, {"стык", 1, 0x30}}});
  ASSERT_NE(FormsIn(good, "стол").find("стыком"), std::string::npos);
  const uint32_t start = Get32(good, 8 * kSt);
  // Sorted by bytes the records are стол, стул, стык (у is F3, ы FB).
  auto linkAt = [&](uint32_t rec) { return rec + 1 + 4 + 16; };
  const uint32_t stol = start, next = Get32(good, linkAt(stol));
  for (uint32_t link : {0xFFFFFFF0u, static_cast<uint32_t>(good.size()), static_cast<uint32_t>(good.size() - 5),
                        stol + 2, 8u}) {
    std::string bad = good;
    Put32(&bad, linkAt(next), link);
    int n = -1;
    FormsIn(bad, "стол", &n);
    EXPECT_GE(n, 0);
  }
  // The walk stops at a record whose link is the candidate's: here стул links to itself,
  // so стол enters a lexeme of its own slots only.
  std::string bad = good;
  Put32(&bad, linkAt(next), next);
  int n = -1;
  EXPECT_EQ(FormsIn(bad, "стол", &n), "стол or стола");
  // A loop that never comes back (стол -> стул -> стык -> стяг -> стык -> ...) is no
  // lexeme: the walk ends at the stem limit and the word has no forms.
  const std::string four =
      DictionaryBytes({{{"стол", 1, 0x3}, {"стул", 1, 0xC}, {"стык", 1, 0x30}, {"стяг", 1, 0xC0}}});
  const uint32_t s0 = Get32(four, 8 * kSt), rec = 1 + 4 + 20;
  bad = four;
  Put32(&bad, linkAt(s0 + 3 * rec), s0 + 2 * rec);
  EXPECT_EQ(FormsIn(four, "стол", &n), "стол or стола or стул or стулу or стыке or стыком or стягов or стягы");
  EXPECT_EQ(FormsIn(bad, "стол", &n), "");
  EXPECT_EQ(n, 0);
  // A link of 0: the record belongs to no lexeme and gives no forms.
  bad = good;
  Put32(&bad, linkAt(stol), 0);
  EXPECT_EQ(FormsIn(bad, "стол", &n), "");
}

TEST(DamagedFile, RingsAndCandidatesBeyondTheLimits) {
  // 19 records in one ring: more than a lexeme may have, so the ring is not used.
  std::vector<Rec> ring;
  for (int i = 0; i < 19; ++i) ring.push_back({"стол", 1, i == 0 ? AllSlots(12) : 0u});
  int n = -1;
  EXPECT_EQ(FormsIn(DictionaryBytes({ring}), "стол", &n), "");
  ring.pop_back();
  EXPECT_EQ(FormsIn(DictionaryBytes({ring}), "стол", &n), kStolForms);
  // 40 single-record lexemes with the same stem: only 32 candidates are read, each a
  // different lexeme, and the result is still the forms of стол.
  std::vector<std::vector<Rec>> many(40, std::vector<Rec>{{"стол", 1, AllSlots(12)}});
  EXPECT_EQ(FormsIn(DictionaryBytes(many), "стол", &n), kStolForms);
}

TEST(DamagedFile, UnsortedRangesAreReadInOrder) {
  // стул before стол in the file: the reader does not rely on the order for safety.
  std::string good = DictionaryBytes({{{"стол", 1, AllSlots(12)}}, {{"стул", 1, AllSlots(12)}}});
  const uint32_t start = Get32(good, 8 * kSt);
  const size_t rec = 1 + 4 + 20;
  std::string a = good.substr(start, rec), b = good.substr(start + rec, rec);
  std::string swapped = good;
  swapped.replace(start, rec, b);
  swapped.replace(start + rec, rec, a);
  // Fix the self-links of the moved records.
  Put32(&swapped, start + rec - 4, start);
  Put32(&swapped, start + 2 * rec - 4, start + static_cast<uint32_t>(rec));
  EXPECT_EQ(FormsIn(swapped, "стол"), kStolForms);
  EXPECT_EQ(FormsIn(swapped, "стулом"), "стул or стула or стулам or стулами or стулах or стуле or стулов or "
                                        "стулом or стулу or стулы");
}

TEST(DamagedFile, RandomDamageNeverCrashes) {
  const std::string good = DictionaryBytes({{{"стол", 1, AllSlots(12)}},
                                            {{"отец", 25, 1}, {"отц", 25, AllSlots(12) & ~1u}},
                                            {{"дела", 101, 0x7FF, 0x18}},
                                            {{"с", 17, AllSlots(12)}},
                                            {{"красн", 49, AllSlots(19)}}});
  std::mt19937 rng(12345);
  const char* words[] = {"стол", "отцы", "делающий", "са", "красные", "фотостол", "нестол"};
  for (int round = 0; round < 300; ++round) {
    std::string bad = good;
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < flips; ++i) {
      // Half of the damage hits the table, half the records.
      size_t at = (rng() % 2) ? rng() % 8448 : 8448 + rng() % (bad.size() - 8448);
      bad[at] = static_cast<char>(rng());
    }
    if (round % 5 == 0) bad.resize(8448 + rng() % (good.size() - 8448));
    TempFile f(bad);
    DZContext ctx;
    ASSERT_EQ(DZInit(f.path().c_str(), &ctx), 0);
    std::vector<char> out(DZ_FORMS_SIZE);
    for (const char* w : words)
      for (int flags = 0; flags < 4; ++flags) EXPECT_GE(DZFindForms(W(w).c_str(), out.data(), &ctx, flags), 0);
    std::vector<char> q(64 * 40);
    DZExpandQuery(W("стол AND (отцы|делающий) красные").c_str(), q.data(), &ctx, 1);
    DZStop(&ctx);
  }
}

}  // namespace
