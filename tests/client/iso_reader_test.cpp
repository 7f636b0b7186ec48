// The ISO 2709 reader against records built here byte by byte: both framings, records
// from other systems (indicators), every structural fault with a message that names it,
// files cut at every byte and randomly damaged files, which must give clean errors that
// name the record and its offset, and never a crash or a read out of bounds.
#include "client/iso_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "fixture/fixture_writer.h"
#include "fixture/scratch.h"

namespace {

using zrt::client::IsoField;
using zrt::client::IsoReader;
using zrt::client::ParseIsoRecord;
using Fields = std::vector<std::pair<std::string, std::string>>;  // tag, text

// A record as the format tables give it: leader, 12-byte directory entries, fields.
std::string Record(const Fields& fields, char indicators = '0') {
  std::string directory, data;
  for (const auto& [tag, text] : fields) {
    char entry[16];
    std::snprintf(entry, sizeof entry, "%s%04zu%05zu", tag.c_str(), text.size() + 1, data.size());
    directory += entry;
    data += text + '\x1E';
  }
  size_t base = 24 + directory.size() + 1;
  char leader[32];
  std::snprintf(leader, sizeof leader, "%05zu00000%c0%05zu0004500", base + data.size() + 1,
                indicators, base);
  return leader + directory + '\x1E' + data + '\x1D';
}

std::string Fold(const std::string& record) {
  std::string out;
  for (size_t at = 0; at < record.size(); at += 80) out += record.substr(at, 80) + "\r\n";
  return out;
}

Fields Sample(int i) {
  return {{"001", "R-" + std::to_string(i)},
          {"200", std::string(40 + 37 * i, static_cast<char>('a' + i))},
          {"105", "\xA0\xE1 H{2}O _\x61"}};
}

Fields AsPairs(const std::vector<IsoField>& fields) {
  Fields out;
  for (const IsoField& f : fields) out.emplace_back(f.tag, f.data);
  return out;
}

class IsoReaderTest : public ::testing::Test {
 protected:
  struct Outcome {
    std::vector<Fields> records;
    std::vector<std::string> errors;
  };

  // Reads the whole file as a load with --skip-bad would.
  Outcome ReadAll(const std::string& bytes) {
    std::string path = dir_.Write("in.iso", bytes);
    IsoReader reader;
    Outcome o;
    EXPECT_TRUE(reader.Open(path).ok());
    std::vector<IsoField> fields;
    // Every call consumes at least one byte, so the reader cannot loop.
    for (size_t calls = 0; calls <= bytes.size() + 1; ++calls) {
      bool done = false;
      zrt::client::Status s = reader.Next(&fields, &done);
      if (s.ok() && done) return o;
      if (s.ok()) {
        o.records.push_back(AsPairs(fields));
      } else {
        EXPECT_EQ(s.code(), zrt::client::Status::Code::Corruption) << s.message();
        o.errors.push_back(s.message());
      }
    }
    ADD_FAILURE() << "the reader does not come to an end";
    return o;
  }

  fixture::TempDir dir_{"zrt_iso_reader"};
};

// ---- One record ---------------------------------------------------------------------

TEST_F(IsoReaderTest, ParsesFieldsAndDropsDeclaredIndicators) {
  std::vector<IsoField> fields;
  std::string why;
  ASSERT_TRUE(ParseIsoRecord(Record(Sample(1)), &fields, &why)) << why;
  EXPECT_EQ(AsPairs(fields), Sample(1));

  // A record of another system with two indicators: control fields have none.
  ASSERT_TRUE(ParseIsoRecord(Record({{"001", "id"}, {"245", "10Title"}, {"700", "1 "}}, '2'),
                             &fields, &why))
      << why;
  EXPECT_EQ(AsPairs(fields), (Fields{{"001", "id"}, {"245", "Title"}, {"700", ""}}));

  // The smallest record: no fields at all.
  ASSERT_TRUE(ParseIsoRecord(Record({}), &fields, &why)) << why;
  EXPECT_TRUE(fields.empty());
  EXPECT_EQ(Record({}).size(), 26u);
}

TEST_F(IsoReaderTest, StructuralFaultsAreNamed) {
  const std::string good = Record({{"001", "abc"}, {"200", "defgh"}});  // base 49, length 60
  ASSERT_EQ(good.size(), 60u);
  auto with = [&](size_t at, std::string bytes) {
    std::string r = good;
    r.replace(at, bytes.size(), bytes);
    return r;
  };
  // A directory of 13 bytes: one byte more, base and length moved along.
  std::string odd = with(12, "00050").replace(0, 5, "00061");
  odd.insert(48, "0");
  struct Case {
    std::string record;
    std::string why;
  } cases[] = {
      {good.substr(0, 20), "fewer than a leader"},
      {odd, "the directory of 25 bytes is not a whole number of 12-byte entries"},
      {Record({{"245", "1"}}, '2'), "shorter than its 2 indicators"},
      {with(0, "00061"), "record length is not 60"},
      {with(59, "\x1E"), "record terminator 0x1D"},
      {with(12, "0004x"), "base address '0004x' is not a number"},
      {with(12, "00010"), "base address 10 lies outside"},
      {with(12, "00060"), "base address 60 lies outside"},
      {with(48, "x"), "the directory does not end with the field terminator 0x1E at byte 48"},
      {with(12, "00037"), "the directory does not end with the field terminator"},
      {with(20, "0500"), "entry map '0500'"},
      {with(20, "4x00"), "entry map '4x00'"},
      {with(10, "x"), "indicator count 0x78"},
      {with(27, "00x4"), "directory entry 1 (tag 001): '00x400000' is not a length"},
      {with(39, "0000"), "directory entry 2 (tag 200): 0 bytes"},
      {with(39, "0007"), "directory entry 2 (tag 200): 7 bytes at 4 pass the end"},
      {with(43, "00099"), "99 pass the end of the 10-byte data area"},
      {with(52, "\x1D"), "directory entry 1 (tag 001): the field does not end"},
      {with(50, std::string(1, '\0')), "directory entry 1 (tag 001): the field holds a NUL"},
      {with(24, "\x01" "01"), "directory entry 1 (tag 0x0101)"},  // two strings: not \x0101
  };
  std::vector<IsoField> fields;
  for (const Case& c : cases) {
    std::string why;
    EXPECT_FALSE(ParseIsoRecord(c.record, &fields, &why)) << c.why;
    EXPECT_NE(why.find(c.why), std::string::npos)
        << "expected '" << c.why << "', got '" << why << "'";
    EXPECT_TRUE(fields.empty());
  }
}

// ---- Files -------------------------------------------------------------------------

TEST_F(IsoReaderTest, ReadsBothFramingsAndLineEndsBetweenRecords) {
  // Records of two lines, one line, and exactly two full lines.
  Fields exact = {{"200", std::string(121, 'x')}};
  ASSERT_EQ(Record(exact).size(), 160u);
  std::vector<Fields> records = {Sample(0), Sample(1), exact, {}, Sample(3)};
  std::string folded, plain, lines;
  for (const Fields& f : records) {
    folded += Fold(Record(f));
    plain += Record(f);
    lines += Record(f) + "\n";
  }
  for (const std::string& file :
       {folded, plain, lines, lines + "\r\n\x1A", folded.substr(0, folded.size() - 2)}) {
    Outcome o = ReadAll(file);
    EXPECT_TRUE(o.errors.empty()) << o.errors[0];
    EXPECT_EQ(o.records, records);
  }
  EXPECT_TRUE(ReadAll("").records.empty());
  EXPECT_TRUE(ReadAll("\r\n\r\n").records.empty());
}

TEST_F(IsoReaderTest, AFileCutAtAnyByteGivesTheWholeRecordsBeforeIt) {
  std::vector<std::string> records = {Record(Sample(0)), Record(Sample(1)), Record(Sample(2))};
  for (bool fold : {true, false}) {
    std::string file;
    std::vector<size_t> starts, ends;  // each record's first byte and the end of its data
    for (const std::string& r : records) {
      starts.push_back(file.size());
      file += fold ? Fold(r) : r;
      ends.push_back(file.size() - (fold ? 2 : 0));
    }
    for (size_t cut = 0; cut < file.size(); ++cut) {
      Outcome o = ReadAll(file.substr(0, cut));
      size_t whole = 0;
      while (whole < records.size() && ends[whole] <= cut) ++whole;
      ASSERT_EQ(o.records.size(), whole) << "cut at " << cut;
      for (size_t i = 0; i < whole; ++i) EXPECT_EQ(Record(o.records[i]), records[i]);
      if (whole == records.size() || cut <= starts[whole]) {
        EXPECT_TRUE(o.errors.empty()) << "cut at " << cut << ": " << o.errors[0];
      } else {
        ASSERT_EQ(o.errors.size(), 1u) << "cut at " << cut;
        std::string where = "record " + std::to_string(whole + 1) + " at byte " +
                            std::to_string(starts[whole]) + ": ";
        EXPECT_NE(o.errors[0].find(where), std::string::npos) << o.errors[0];
      }
    }
  }
}

TEST_F(IsoReaderTest, ABadRecordIsSkippedAndTheNextOneRead) {
  std::string file = Fold(Record(Sample(0)));
  size_t second = file.size();
  std::string bad = Record(Sample(1));
  // A damaged length, a damaged directory with the framing intact, a length too short.
  for (std::pair<size_t, std::string> damage :
       {std::pair<size_t, std::string>{1, "x"}, {27, "x"}, {0, "00100"}}) {
    std::string b = bad;
    b.replace(damage.first, damage.second.size(), damage.second);
    Outcome o = ReadAll(file + Fold(b) + Fold(Record(Sample(2))));
    ASSERT_EQ(o.errors.size(), 1u);
    EXPECT_NE(o.errors[0].find("in.iso: record 2 at byte " + std::to_string(second) + ": "),
              std::string::npos)
        << o.errors[0];
    EXPECT_EQ(o.records, (std::vector<Fields>{Sample(0), Sample(2)})) << o.errors[0];
  }
}

TEST_F(IsoReaderTest, RandomlyDamagedFilesGiveCleanErrors) {
  std::string file;
  for (int i = 0; i < 4; ++i) file += Fold(Record(Sample(i)));
  std::mt19937 rng(20261206);
  const char bytes[] = {'0', '9', '\r', '\n', '\x1D', '\x1E', ' ', 'a', '\0', '\xFF'};
  const std::regex where(R"(record \d+ at byte \d+: )");
  for (int round = 0; round < 800; ++round) {
    std::string damaged = file;
    int changes = 1 + static_cast<int>(rng() % 4);
    for (int c = 0; c < changes; ++c) {
      size_t at = rng() % damaged.size();
      switch (rng() % 4) {
        case 0:
          damaged[at] = bytes[rng() % sizeof bytes];
          break;
        case 1:
          damaged.erase(at, 1 + rng() % 3);
          break;
        case 2:
          damaged.insert(at, 1, bytes[rng() % sizeof bytes]);
          break;
        default:
          damaged.resize(at);
          break;
      }
      if (damaged.empty()) break;
    }
    Outcome o = ReadAll(damaged);
    for (const std::string& e : o.errors) EXPECT_TRUE(std::regex_search(e, where)) << e;
    EXPECT_LE(o.records.size(), 4u + static_cast<size_t>(changes));
  }
}

}  // namespace
