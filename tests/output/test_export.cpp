#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixture/fixture_writer.h"
#include "fixture/scratch.h"
#include "formats/iso2709.h"
#include "output/export.h"

namespace {

using fixture::Ansi;
using fixture::ToOem;

class ExportTest : public ::testing::Test {
 protected:
  void TearDown() override { store_.Close(); }

  // Writes the edition with the independent writer and opens its store at record n.
  void Open(const fixture::Edition& e, int32_t n = 1) {
    std::string base = dir_ / "ed";
    fixture::Write(base, e);
    ASSERT_TRUE(store_.Open(base, nullptr).ok());
    ASSERT_TRUE(store_.GotoRecord(n).ok());
  }
  zrt::RecordExport Record() const { return zrt::RecordExport(store_, descriptor_.get()); }

  fixture::TempDir dir_{"zrt_export"};
  zrt::RecordStore store_;
  std::unique_ptr<zrt::FieldDescriptor> descriptor_;
};

fixture::Edition Sample() {
  fixture::Edition e;
  e.fields = {{"ID", 1}, {"TI", 2}, {"AU", 3}, {"KW", 4}, {"AB", 6}};
  e.records = {
      {{{1, "A-1"}, {3, Ansi("Иванов И. И.")}, {2, "H_\x61 water"}, {4, "x^y"}}, false},
      {{{4, ""}}, false},
  };
  return e;
}

const std::string kCrLf = "\r\n";

// ---- Plain-text layout --------------------------------------------------------------

TEST_F(ExportTest, TextWithAndWithoutNames) {
  Open(Sample());
  std::string expected =
      "*** Document 1 from 2 ***\r\n"
      "ID       A-1\r\n"
      "TI       H" +
      ToOem(Ansi("'альфа'")) +
      " water\r\n"
      "AU       " +
      ToOem(Ansi("Иванов И. И.")) +
      "\r\n"
      "KW       x^y\r\n"
      "\r\n";
  EXPECT_EQ(Record().Text("*** Document 1 from 2 ***", true, nullptr, true), expected);
  EXPECT_EQ(Record().Text("*** Document 1 from 2 ***", true, "", true), expected);
  // Without names the fields are separated by empty lines.
  EXPECT_EQ(Record().Text("", false, "KW, ID;nothing\tTI", false),
            "x^y\r\n\r\nA-1\r\n\r\nH_\x61 water\r\n\r\n\r\n");
  // Only empty fields: the header and the final line.
  Open(Sample(), 2);
  EXPECT_EQ(Record().Text("head", true, "KW AB", true), "head\r\n\r\n");
  EXPECT_EQ(Record().Text("", true, nullptr, true), "\r\n");
}

TEST_F(ExportTest, TextListResolvesDefinedThenStoredNames) {
  Open(Sample());
  descriptor_ = std::make_unique<zrt::FieldDescriptor>();
  ASSERT_TRUE(descriptor_->Compile("TI(Title) = TI", store_).ok());
  ASSERT_TRUE(descriptor_->Compile("AK = AU &'; ' KW", store_).ok());
  // "ti" is a definition; "ID" only a stored field; "zz" nothing.
  EXPECT_EQ(Record().Text("", true, "ti ID zz", false),
            "TI       H_\x61 water\r\nID       A-1\r\n\r\n");
  // Every definition, in definition order, under its name.
  EXPECT_EQ(Record().Text("", true, nullptr, false),
            "TI       H_\x61 water\r\nAK       " + ToOem(Ansi("Иванов И. И.")) + "; x^y\r\n\r\n");
  // "-": the record's entries, in entry order, under their stored names.
  EXPECT_EQ(Record().Text("", true, "-", false),
            "ID       A-1\r\nAU       " + ToOem(Ansi("Иванов И. И.")) +
                "\r\nTI       H_\x61 water\r\nKW       x^y\r\n\r\n");
}

TEST_F(ExportTest, TextWrapping) {
  fixture::Edition e;
  e.fields = {{"LONGFIELDNAME", 1}, {"B", 1}, {"C", 1}, {"D", 1}, {"E", 1}};
  std::string a63(63, 'a'), x10(10, 'x'), y53(53, 'y');
  e.records = {{{{1, "   " + a63},            // leading blanks dropped; exactly 63
                 {2, a63 + "  b"},            // cut at 63, a blank there
                 {3, x10 + " " + y53 + "z"},  // 65: cut at the last blank before 63
                 {4, std::string(130, 'n')},  // no blank: hard cuts at 63
                 {5, std::string(72, 'w') + " v"}},
                false}};
  Open(e);
  std::string indent(9, ' ');
  EXPECT_EQ(Record().Text("", true, nullptr, false),
            "LONGFIELDNAME" + a63 + kCrLf + "B        " + a63 + kCrLf + indent + "b" + kCrLf +
                "C        " + x10 + kCrLf + indent + y53 + "z" + kCrLf + "D        " +
                std::string(63, 'n') + kCrLf + indent + std::string(63, 'n') + kCrLf + indent +
                "nnnn" + kCrLf + "E        " + std::string(63, 'w') + kCrLf + indent +
                std::string(9, 'w') + " v" + kCrLf + kCrLf);
  EXPECT_EQ(Record().Text("", false, "E", false),
            std::string(72, 'w') + kCrLf + "v" + kCrLf + kCrLf + kCrLf);
}

// ---- Separated layout ------------------------------------------------------------------

TEST_F(ExportTest, SeparatedLineOfStoredOrDefinedNames) {
  Open(Sample());
  EXPECT_EQ(Record().Separated('^', nullptr, true), "A-1^H" + ToOem(Ansi("'альфа'")) + " water^" +
                                                        ToOem(Ansi("Иванов И. И.")) + "^x^y^\r\n");
  EXPECT_EQ(Record().Separated('^', "AB,nothing;ID", false), "^A-1\r\n");
  EXPECT_EQ(Record().Separated(';', "-", false),
            "A-1;" + ToOem(Ansi("Иванов И. И.")) + ";H_\x61 water;x^y\r\n");
  EXPECT_EQ(Record().Separated('\0', "ID ID", false), "A-1A-1\r\n");
  // With definitions, only defined names are taken.
  descriptor_ = std::make_unique<zrt::FieldDescriptor>();
  ASSERT_TRUE(descriptor_->Compile("TI = TI", store_).ok());
  EXPECT_EQ(Record().Separated('|', "ID TI AU", false), "H_\x61 water\r\n");
  Open(Sample(), 2);
  EXPECT_EQ(Record().Separated('^', "ID TI AU", false), "\r\n");
}

// ---- ISO 2709 -------------------------------------------------------------------------------

// An independent reader: unfolds the 80-byte lines and checks leader, directory and data.
struct IsoRecord {
  std::string leader;
  std::vector<std::pair<unsigned, std::string>> fields;  // tag, data without 0x1E
};

::testing::AssertionResult ReadIso(const std::string& file, IsoRecord* out) {
  std::string record;
  for (size_t pos = 0; pos < file.size();) {
    size_t eol = file.find("\r\n", pos);
    if (eol == std::string::npos) return ::testing::AssertionFailure() << "no CR LF";
    if (eol - pos > 80 || (eol - pos < 80 && eol + 2 != file.size()))
      return ::testing::AssertionFailure() << "line of " << eol - pos << " bytes";
    record.append(file, pos, eol - pos);
    pos = eol + 2;
  }
  if (record.size() < 26) return ::testing::AssertionFailure() << "short record";
  size_t length = std::stoul(record.substr(0, 5)), base = std::stoul(record.substr(12, 5));
  if (length != record.size()) return ::testing::AssertionFailure() << "length " << length;
  if (record.substr(5, 7) != "0000000" || record.substr(17).compare(0, 7, "0004500") != 0)
    return ::testing::AssertionFailure() << "leader " << record.substr(0, 24);
  if (record[base - 1] != 0x1E || record.back() != 0x1D)
    return ::testing::AssertionFailure() << "terminators";
  out->leader = record.substr(0, 24);
  for (size_t d = 24; d + 1 < base; d += 12) {
    unsigned tag = static_cast<unsigned>(std::stoul(record.substr(d, 3)));
    size_t len = std::stoul(record.substr(d + 3, 4)), start = std::stoul(record.substr(d + 7, 5));
    if (base + start + len > record.size() - 1 || record[base + start + len - 1] != 0x1E)
      return ::testing::AssertionFailure() << "field " << tag;
    out->fields.emplace_back(tag, record.substr(base + start, len - 1));
  }
  return ::testing::AssertionSuccess();
}

TEST_F(ExportTest, IsoLeaderAndDirectory) {
  fixture::Edition e;
  e.fields = {{"A10", 9}, {"B05", 9}, {"TI", 9}};
  e.records = {{{{1, "12345"}, {2, Ansi("АБВГДабвгд")}}, false}};
  Open(e);
  std::string expected = std::string("000670000000000490004500") + "010000600000" + "105001100006" +
                         "\x1E" + "12345\x1E" + ToOem(Ansi("АБВГДабвгд")) + "\x1E\x1D" + "\r\n";
  EXPECT_EQ(Record().Iso(""), expected);
  Open(Sample(), 2);  // a record without entries
  EXPECT_EQ(Record().Iso(nullptr), "000260000000000250004500\x1E\x1D\r\n");
}

TEST_F(ExportTest, IsoWritesExactlyTheListedFields) {
  // Index groups unlike the source numbers: selection goes by the fields themselves.
  fixture::Edition e;
  e.fields = {{"A01", 3}, {"A02", 3}, {"K12", 1}, {"xy", 2}};
  e.records = {
      {{{4, "four"}, {1, "one"}, {2, "two"}, {3, "three"}, {1, "one again"}, {2, ""}}, false}};
  Open(e);
  IsoRecord r;
  ASSERT_TRUE(ReadIso(Record().Iso("A01;xy"), &r));
  EXPECT_EQ(r.fields, (std::vector<std::pair<unsigned, std::string>>{
                          {4, "four"}, {1, "one"}, {1, "one again"}}));
  ASSERT_TRUE(ReadIso(Record().Iso("-"), &(r = {})));
  // A letter past J would need four digits: the source number is the tag.
  EXPECT_EQ(r.fields, (std::vector<std::pair<unsigned, std::string>>{
                          {4, "four"}, {1, "one"}, {2, "two"}, {3, "three"}, {1, "one again"}}));
  ASSERT_TRUE(ReadIso(Record().Iso("nothing"), &(r = {})));
  EXPECT_TRUE(r.fields.empty());
  descriptor_ = std::make_unique<zrt::FieldDescriptor>();
  ASSERT_TRUE(descriptor_->Compile("BOTH = A02 &' ' K12", store_).ok());
  ASSERT_TRUE(ReadIso(Record().Iso("both"), &(r = {})));
  EXPECT_EQ(r.fields, (std::vector<std::pair<unsigned, std::string>>{{2, "two"}, {3, "three"}}));
}

TEST_F(ExportTest, IsoFoldsLongRecordsInto80ByteLines) {
  fixture::Edition e;
  e.fields = {{"A01", 1}, {"A02", 1}};
  std::string big(9000, 'q');
  e.records = {{{{1, big}, {2, std::string(150, 'r') + "{2}_\x61"}}, false}};
  Open(e);
  std::string file = Record().Iso(nullptr);
  IsoRecord r;
  ASSERT_TRUE(ReadIso(file, &r));
  ASSERT_EQ(r.fields.size(), 2u);
  EXPECT_EQ(r.fields[0].second, big);
  EXPECT_EQ(r.fields[1].second, std::string(150, 'r') + "{2}_\x61");  // markup kept
  EXPECT_EQ(zrt::iso2709::Tag("a15", 7), 15u);
  EXPECT_EQ(zrt::iso2709::Tag("J99", 7), 999u);
  EXPECT_EQ(zrt::iso2709::Tag("K00", 7), 7u);
  EXPECT_EQ(zrt::iso2709::Tag("A1", 7), 7u);
  EXPECT_EQ(zrt::iso2709::Tag("1AB", 7), 7u);
}

TEST_F(ExportTest, IsoFieldLengthFitsFourDigits) {
  // A text of 9,999 bytes would need the length 10000; it is cut by one byte.
  fixture::Edition e;
  e.fields = {{"A01", 1}};
  e.records = {{{{1, std::string(9999, 't')}}, false}};
  Open(e);
  std::string file = Record().Iso(nullptr);
  EXPECT_EQ(file.substr(24, 12), "001999900000");
  IsoRecord r;
  ASSERT_TRUE(ReadIso(file, &r));
  EXPECT_EQ(r.fields.at(0).second, std::string(9998, 't'));
}

TEST_F(ExportTest, ShiftedNumberingSkipsEleven) {
  fixture::Edition e;
  for (int i = 1; i <= 13; ++i) e.fields.push_back({"F" + std::to_string(i), 1});
  e.fields.push_back({"IPC", 15});
  // The eleventh field has source number 12 in such a store.
  e.records = {{{{10, "ten"}, {12, "eleventh"}, {15, "ipc"}}, false}};
  Open(e);
  ASSERT_TRUE(store_.description().shiftedNumbering);
  EXPECT_EQ(Record().Text("", true, nullptr, false),
            "F10      ten\r\nF11      eleventh\r\nIPC      ipc\r\n\r\n");
}

}  // namespace
