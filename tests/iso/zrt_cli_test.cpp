// zrt export, zrt load --format iso and zrt render, run as the user runs them: the tool
// binary on editions written by the independent fixture writer. The ISO files are also
// read by yaz-marcdump, a reader that shares nothing with this code base.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/record_store.h"
#include "fixture/fixture_writer.h"
#include "fixture/tool_run.h"
#include "formats/iso2709.h"

namespace {

namespace fs = std::filesystem;
using fixture::Ansi;

using fixture::ToolRun;

fixture::Edition Sample();

// Every test starts from the sample edition "src" in its own folder.
class ZrtCliTest : public ::testing::Test {
protected:
  void SetUp() override { fixture::Write(Path("src"), Sample()); }
  std::string Path(const std::string& name) const { return dir_ / name; }
  ToolRun Zrt(const std::vector<std::string>& args) { return fixture::Run(ZRT_TOOL, args); }
  bool EditionFilesExist(const std::string& stem) const { return !dir_.FilesOf(stem).empty(); }

  fixture::TempDir dir_{"zrt_iso_cli"};
};

// Fields whose tags come from both halves of the tag rule: codes of a letter and two
// digits (B05 is tag 105, G36 tag 636) and other codes (their source field numbers).
fixture::Edition Sample() {
  fixture::Edition e;
  e.fields = {{"ID", 1}, {"TI", 2}, {"AU", 3}, {"B05", 4}, {"G36", 5}, {"KW", 6}};
  std::string longText;
  for (int i = 0; longText.size() < 2500; ++i)
    longText += Ansi("слово") + std::to_string(i) + (i % 7 ? " " : ", ");
  e.records = {
      {{{1, "R-1"},
        {2, Ansi("Сказка о рыбаке и рыбке")},
        {3, Ansi("Пушкин, Александр Сергеевич")},
        // Markup: a superscript, a subscript, Symbol-font escapes (one of them a byte
        // that the code page conversions would otherwise move) and a literal brace pair.
        {4, "H{2}O, CO[2], _\x61 + _\xE0 _\xA5 {'x}"},
        {5, "1.2"},
        {6, Ansi("рыбка; море; старуха")}},
       false},
      {{{1, "R-2"}, {6, longText}}, false},
      {{}, false},  // a document without fields
      // Entries stored out of field order.
      {{{3, Ansi("Гоголь, Николай Васильевич")}, {1, "R-4"}, {5, "1.2.7"}}, false},
      // One field of 121 bytes: a record of exactly 160 bytes, two full lines.
      {{{2, std::string(121, 'x')}}, false},
  };
  e.contents = {{"1", Ansi("Проза")}, {"1.2", Ansi("Сказки")}};
  e.words = fixture::SimpleWords(e);
  return e;
}

// Every record's fields as name -> text (Windows-1251, as the engine reads them).
std::vector<std::map<std::string, std::string>> Records(const std::string& base) {
  zrt::RecordStore store;
  zrt::Status s = store.Open(base, nullptr);
  EXPECT_TRUE(s.ok()) << s.message();
  std::vector<std::map<std::string, std::string>> records;
  for (int32_t n = 1; s.ok() && n <= store.recordCount(); ++n) {
    EXPECT_TRUE(store.GotoRecord(n).ok());
    auto& fields = records.emplace_back();
    for (const zrt::RecordStore::Entry& e : store.entries())
      fields[store.FieldBySrcNo(e.field)->name] = std::string(e.text, e.length);
  }
  return records;
}

// ---- ISO round trip ---------------------------------------------------------------

TEST_F(ZrtCliTest, IsoRoundTripKeepsEveryFieldByteForByte) {
  auto original = Records(Path("src"));
  ASSERT_EQ(original.size(), 5u);

  ToolRun r = Zrt({"export", Path("src"), "--format", "iso", "-o", Path("out.iso")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Exported 5 documents"), std::string::npos);

  // With the source's field list the names come back too.
  r = Zrt({"load", "--format", "iso", "--fields", "ID,TI,AU,B05,G36,KW", Path("same"),
           Path("out.iso")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Records(Path("same")), original);

  // Without a field list, the fields are named after the tags, which map back by the
  // same rule: ID is source field 1 (A01), B05 is tag 105 (B05), G36 tag 636 (G36).
  r = Zrt({"load", "--format", "iso", Path("tags"), Path("out.iso")});
  ASSERT_EQ(r.code, 0) << r.err;
  auto byTag = Records(Path("tags"));
  ASSERT_EQ(byTag.size(), original.size());
  const fixture::Edition sample = Sample();
  for (size_t i = 0; i < original.size(); ++i) {
    std::map<std::string, std::string> expected;
    for (const auto& [name, text] : original[i]) {
      unsigned src = 0;
      for (size_t f = 0; f < sample.fields.size(); ++f)
        if (sample.fields[f].name == name) src = static_cast<unsigned>(f + 1);
      expected[zrt::iso2709::FieldCode(zrt::iso2709::Tag(name, src))] = text;
    }
    EXPECT_EQ(byTag[i], expected) << "record " << i + 1;
  }

  // Every code page, folded and plain, loads back.
  for (const std::string encoding : {"cp866", "cp1251", "utf-8"}) {
    for (bool plain : {false, true}) {
      const std::string name = encoding + (plain ? "-plain" : "-folded");
      std::vector<std::string> args = {"export", Path("src"), "--format", "iso", "--encoding",
                                       encoding, "-o", Path(name + ".iso")};
      if (plain) args.push_back("--plain");
      ASSERT_EQ(Zrt(args).code, 0) << name;
      r = Zrt({"load", "--format", "iso", "--encoding", encoding, "--fields", "ID,TI,AU,B05,G36,KW",
               Path(name), Path(name + ".iso")});
      ASSERT_EQ(r.code, 0) << name << ": " << r.err;
      EXPECT_EQ(Records(Path(name)), original) << name;
    }
  }
}

TEST_F(ZrtCliTest, SeparatedExportHasAHeaderLineAndEveryEncoding) {
  const std::string ansi = "ID;TI\r\nR-1;" + Ansi("Сказка о рыбаке и рыбке") + "\r\nR-2;\r\n";
  const struct {
    std::string encoding, bytes;
  } cases[] = {
      {"cp1251", ansi},
      {"utf-8", "ID;TI\r\nR-1;Сказка о рыбаке и рыбке\r\nR-2;\r\n"},
      {"cp866", "ID;TI\r\nR-1;\x91\xAA\xA0\xA7\xAA\xA0 \xAE \xE0\xEB\xA1\xA0\xAA\xA5 \xA8 \xE0\xEB\xA1\xAA\xA5\r\nR-2;\r\n"},
  };
  for (const auto& c : cases) {
    ToolRun r = Zrt({"export", Path("src"), "--format", "csv", "--header", "--fields", "ID,TI",
                     "--separator", ";", "--records", "1-2", "--encoding", c.encoding, "-o", "-"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, c.bytes) << c.encoding;
  }
  EXPECT_EQ(Zrt({"export", Path("src"), "--format", "txt", "--header", "-o", "-"}).code, 2);
  EXPECT_EQ(Zrt({"export", Path("src"), "--format", "csv", "--encoding", "koi8-r", "-o", "-"}).code, 2);
}

TEST_F(ZrtCliTest, IsoFileIsReadByYaz) {
  if (!fixture::Installed("yaz-marcdump"))
    GTEST_SKIP() << "yaz-marcdump is not installed (scripts/setup.sh installs the yaz package)";
  ToolRun r = Zrt({"export", Path("src"), "--format", "iso", "--plain", "-o", Path("plain.iso")});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string plain = fixture::ReadFile(Path("plain.iso"));

  ToolRun yaz = fixture::Run("yaz-marcdump", {"-p", Path("plain.iso")});
  ASSERT_EQ(yaz.code, 0) << yaz.err;
  const std::string dump = yaz.out + yaz.err;  // remarks may come on either

  // One "<!-- Record n offset x -->" per record, at the offsets our lengths give.
  std::regex recordLine(R"(<!-- Record (\d+) offset (\d+) )");
  size_t seen = 0, offset = 0;
  for (auto it = std::sregex_iterator(dump.begin(), dump.end(), recordLine);
       it != std::sregex_iterator(); ++it) {
    ++seen;
    EXPECT_EQ(std::stoul((*it)[1]), seen);
    EXPECT_EQ(std::stoul((*it)[2]), offset);
    offset += std::stoul(plain.substr(offset, 5));
  }
  EXPECT_EQ(seen, 5u);
  EXPECT_EQ(offset, plain.size());
  // No remark at all (yaz puts them in parentheses on a line of their own); the data
  // fields come with their indicators and subfield, the control fields bare.
  EXPECT_FALSE(std::regex_search(dump, std::regex(R"((^|\n)\()"))) << dump;
  EXPECT_NE(dump.find("\n636    $a 1.2\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\n001 R-1\n"), std::string::npos) << dump;
}

// ---- Malformed exchange files through zrt load ---------------------------------------

TEST_F(ZrtCliTest, MalformedIsoFileIsRefusedWithItsPlaceOrSkipped) {
  ASSERT_EQ(Zrt({"export", Path("src"), "--format", "iso", "-o", Path("out.iso")}).code, 0);
  std::string file = fixture::ReadFile(Path("out.iso"));
  // Record 2 starts after record 1's lines; damage its length digits.
  size_t second = 0;
  {
    size_t length = std::stoul(file.substr(0, 5));
    second = length + 2 * ((length + 79) / 80);
  }
  std::string damaged = file;
  damaged[second + 2] = 'x';
  fixture::WriteFile(Path("bad.iso"), damaged);
  const std::string where = "record 2 at byte " + std::to_string(second);

  // Refused, with fields named (the load fails after creating the edition) and without
  // (the field discovery fails first): either way nothing is left behind.
  for (bool named : {true, false}) {
    std::vector<std::string> args = {"load", "--format", "iso", Path("refused"), Path("bad.iso")};
    if (named) args.insert(args.begin() + 1, {"--fields", "ID,TI,AU,B05,G36,KW"});
    ToolRun r = Zrt(args);
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find(where), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("five-digit record length"), std::string::npos) << r.err;
    EXPECT_FALSE(EditionFilesExist("refused")) << "named fields: " << named;
  }

  // Skipped: the other four records load, the skipped one is reported with its place.
  ToolRun r = Zrt({"load", "--format", "iso", "--skip-bad", "--fields", "ID,TI,AU,B05,G36,KW",
               Path("kept"), Path("bad.iso")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find(where), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("1 malformed record skipped"), std::string::npos) << r.err;
  auto original = Records(Path("src"));
  original.erase(original.begin() + 1);
  EXPECT_EQ(Records(Path("kept")), original);
}

TEST_F(ZrtCliTest, DamagedIsoFilesNeverCrashTheLoad) {
  ASSERT_EQ(Zrt({"export", Path("src"), "--format", "iso", "-o", Path("out.iso")}).code, 0);
  const std::string file = fixture::ReadFile(Path("out.iso"));
  std::mt19937 rng(7);
  const char bytes[] = {'0', '9', '\r', '\n', '\x1D', '\x1E', 'x', '\0'};
  for (int round = 0; round < 12; ++round) {
    std::string damaged = file;
    for (int c = 0; c < 3; ++c) damaged[rng() % damaged.size()] = bytes[rng() % sizeof bytes];
    if (round % 3 == 0) damaged.resize(rng() % damaged.size());
    fixture::WriteFile(Path("bad.iso"), damaged);
    for (bool skip : {false, true}) {
      std::vector<std::string> args = {"load", "--format", "iso", "--fields", "ID,TI,AU,B05,G36,KW",
                                       Path("new"), Path("bad.iso")};
      if (skip) args.insert(args.begin() + 1, "--skip-bad");
      ToolRun r = Zrt(args);
      ASSERT_TRUE(r.code == 0 || r.code == 1) << r.err;
      if (r.code == 1) {
        EXPECT_FALSE(EditionFilesExist("new"));
        EXPECT_TRUE(std::regex_search(r.err, std::regex(R"(record \d+ at byte \d+: )"))) << r.err;
      } else {
        for (const auto& entry : fs::directory_iterator(dir_.path()))
          if (entry.path().stem() == "new") fs::remove(entry.path());
      }
    }
  }
}

TEST_F(ZrtCliTest, IsoLoadArgumentErrors) {
  ASSERT_EQ(Zrt({"export", Path("src"), "--format", "iso", "-o", Path("out.iso")}).code, 0);
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--fields", "ID,TI"}, "the tag 003 belongs to no field"},
      {{"--fields", "ID,TI=2x"}, "'2x' is not an ISO 2709 tag"},
      {{"--fields", "A02,TI"}, "both take the ISO 2709 tag 2"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"load", "--format", "iso"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(Path("new"));
    args.push_back(Path("out.iso"));
    ToolRun r = Zrt(args);
    EXPECT_EQ(r.code, 1) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(EditionFilesExist("new"));
  }
  ToolRun r = Zrt({"load", "--format", "iso", Path("new"), Path("missing.iso")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("missing.iso: cannot be read"), std::string::npos) << r.err;
  r = Zrt({"load", "--format", "iso", "--ignore", "abc", Path("new"), Path("out.iso")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("--ignore: 'abc' is not an ISO 2709 tag"), std::string::npos) << r.err;
  // Ignored tags leave their fields out, also of the fields found in the file.
  r = Zrt({"load", "--format", "iso", "--ignore", "105,2", Path("less"), Path("out.iso")});
  ASSERT_EQ(r.code, 0) << r.err;
  auto less = Records(Path("less"));
  EXPECT_EQ(less[0].count("B05"), 0u);
  EXPECT_EQ(less[0].count("A02"), 0u);
  EXPECT_EQ(less[0].at("A03"), Records(Path("src"))[0].at("AU"));
  // A field named by its tag outright.
  r = Zrt({"load", "--format", "iso", "--fields", "ID,TI,AU,SUBJ=105,G36,KW", Path("new"),
           Path("out.iso")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Records(Path("new"))[0].at("SUBJ"), Records(Path("src"))[0].at("B05"));
}

// ---- zrt export --------------------------------------------------------------------

TEST_F(ZrtCliTest, ExportChoosesAllFoundOrARangeOfDocuments) {
  auto text = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"export", Path("src"), "--format", "txt", "--fields", "ID",
                                     "-o", Path("out.txt")};
    args.insert(args.end(), extra.begin(), extra.end());
    ToolRun r = Zrt(args);
    EXPECT_EQ(r.code, 0) << r.err;
    return fixture::ReadFile(Path("out.txt"));
  };
  auto doc = [](int n, int of, const std::string& id) {
    std::string s = "*** Document " + std::to_string(n) + " from " + std::to_string(of) +
                    " ***\r\n";
    if (!id.empty()) s += "ID       " + id + "\r\n";
    return s + "\r\n";
  };
  EXPECT_EQ(text({}), doc(1, 5, "R-1") + doc(2, 5, "R-2") + doc(3, 5, "") + doc(4, 5, "R-4") +
                          doc(5, 5, ""));
  EXPECT_EQ(text({"--records", "2-3"}), doc(1, 2, "R-2") + doc(2, 2, ""));
  EXPECT_EQ(text({"--records", "4-"}), doc(1, 2, "R-4") + doc(2, 2, ""));
  EXPECT_EQ(text({"--records", "4-99"}), doc(1, 2, "R-4") + doc(2, 2, ""));
  // A query's found records; --records then counts positions in the found list.
  std::string q = "\xD0\xBC\xD0\xBE\xD1\x80\xD0\xB5 OR \xD0\x93\xD0\xBE\xD0\xB3\xD0\xBE\xD0\xBB\xD1\x8C";
  EXPECT_EQ(text({"--query", q}), doc(1, 2, "R-1") + doc(2, 2, "R-4"));  // море OR Гоголь
  EXPECT_EQ(text({"--query", q, "--records", "2"}), doc(1, 1, "R-4"));

  // The separated layout: one line per document.
  ToolRun r = Zrt({"export", Path("src"), "--format", "csv", "--fields", "ID,G36", "--records", "1-4",
               "-o", Path("out.csv")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(fixture::ReadFile(Path("out.csv")), "R-1^1.2\r\nR-2^\r\n^\r\nR-4^1.2.7\r\n");
}

TEST_F(ZrtCliTest, ExportArgumentErrors) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string message;
  } cases[] = {
      {{"--format", "xml", "-o", "F"}, 1, "--format wants txt, csv or iso, not 'xml'"},
      {{"--format", "txt"}, 2, "zrt: export: --output is missing (see 'zrt help export')"},
      {{"--format", "txt", "-o"}, 2, "-o needs a value (FILE)"},
      {{"--format", "txt", "--fields", "TI,XX", "-o", "F"}, 1, "the edition has no field 'XX'"},
      {{"--format", "txt", "--fields", ",", "-o", "F"}, 1, "--fields names no field"},
      {{"--format", "txt", "--records", "3-2", "-o", "F"}, 1, "--records wants N, N-M or N-"},
      {{"--format", "txt", "--records", "0", "-o", "F"}, 1, "--records wants N, N-M or N-"},
      {{"--format", "txt", "--records", "x", "-o", "F"}, 1, "--records wants N, N-M or N-"},
      {{"--format", "txt", "--records", "6-9", "-o", "F"}, 1, "the edition has 5 records"},
      {{"--format", "iso", "--separator", ";", "-o", "F"}, 2, "--separator belongs to --format csv"},
      {{"--format", "txt", "--query", "(", "-o", "F"}, 1, "the query failed"},
      {{"--format", "txt", "--query", "nothingsuch", "--records", "1", "-o", "F"}, 1,
       "the query found 0 records"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"export", Path("src")};
    for (const std::string& a : c.args) args.push_back(a == "F" ? Path("out") : a);
    ToolRun r = Zrt(args);
    EXPECT_EQ(r.code, c.code) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("out"))) << c.message;
  }
  ToolRun r = Zrt({"export", Path("missing"), "--format", "txt", "-o", Path("out")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot open edition"), std::string::npos) << r.err;
  r = Zrt({"export", Path("src"), "--format", "txt", "-o", Path("no/such/dir/out")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot create"), std::string::npos) << r.err;
}

// ---- command-line conventions, search, show, dict ---------------------------------

TEST_F(ZrtCliTest, CommandLinesAreReadStrictlyAndFailuresAreNamed) {
  fixture::WriteFile(Path("stop.txt"), "\xAA\xAE\xE0\xA0\xA1\xAB\xEC\n");  // "корабль", code page 866
  const std::string see = " (see 'zrt help search')\n";
  struct Case {
    std::vector<std::string> args;  // "S": the edition, "STOP": the stop list
    int code;
    std::string out, err;           // contained in stdout, equal to stderr
  } cases[] = {
      {{"search", "S", "x", "y"}, 2, "", "zrt: search: unexpected argument 'y'" + see},
      {{"search", "S", "x", "--bogus"}, 2, "", "zrt: search: unknown option '--bogus'" + see},
      {{"search", "S", "x", "-q"}, 2, "", "zrt: search: unknown option '-q'" + see},
      {{"search", "S"}, 2, "", "zrt: search: missing QUERY" + see},
      {{"search", "S", "x", "--show=1"}, 2, "", "zrt: search: --show takes no value" + see},
      {{"search", "S", "x", "--cut", "a", "--cut=b"}, 2, "", "zrt: search: --cut is given twice" + see},
      {{"search", "S", "x", "--first"}, 2, "", "zrt: search: --first needs a value (N)" + see},
      {{"search", "S", "x", "--count", "0"}, 2, "", "zrt: search: --count wants a number from 1, not '0'" + see},
      {{"search", "S", "\xD1\x80\xFF"}, 2, "", "zrt: search: the query is not valid UTF-8" + see},
      {{"search", "S", "\xE4\xB8\xAD"}, 2, "", "zrt: search: the query: '\xE4\xB8\xAD' has no Windows-1251 form" + see},
      {{"show", "S", "--fields", "TI"}, 2, "", "zrt: show: unknown option '--fields' (see 'zrt help show')\n"},
      {{"nosuch"}, 2, "", "zrt: unknown command 'nosuch' (see 'zrt help')\n"},
      {{"search", "S", "рыбке ("}, 1, "",
       "zrt: the query failed: syntax: a term or \"(\" expected\n  рыбке (\n         ^\n"},
      {{"search", "S", "рыбке IN XX"}, 1, "",
       "zrt: the query failed: syntax: the edition has no field XX\n  рыбке IN XX\n           ^\n"},
      {{"search", "S", "-m", "x", "--dict", "S"}, 1, "", ""},  // err checked below
      {{"search", "S", "КОРАБЛЬ", "--stop", "STOP"}, 0, "0 records found: the query held only stop words\n", ""},
      {{"search", "S", "--", "-x"}, 0, "0 records found\n", ""},
      {{"show", "S", "4-2"}, 1, "", "zrt: '4-2' is not a record number or range N-M within 1-5\n"},
      {{"show", "S", "2,4-5"}, 0, "Record 2 of 5\n", ""},
      {{"dict", "S", "рыб"}, 0, "0 words\n", ""},
      {{"dict", "S", "рыб", "--prefix"}, 0, "РЫБКЕ", ""},
      {{"--version"}, 0, "zrt ", ""},
      {{"help", "query"}, 0, "NOTADJ", ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args;
    for (const std::string& a : c.args) args.push_back(a == "S" ? Path("src") : a == "STOP" ? Path("stop.txt") : a);
    ToolRun r = Zrt(args);
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    EXPECT_EQ(r.code, c.code) << line << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << line << r.out;
    if (line.find("--dict") != std::string::npos)
      EXPECT_NE(r.err.find("'cmake --build build --target morph_dict' builds it"), std::string::npos) << r.err;
    else
      EXPECT_EQ(r.err, c.err) << line;
  }
  // Ranges and lists print each record once, in the order given.
  std::string shown = Zrt({"show", Path("src"), "2,4-5"}).out;
  EXPECT_LT(shown.find("Record 2 of 5"), shown.find("Record 4 of 5"));
  EXPECT_LT(shown.find("Record 4 of 5"), shown.find("Record 5 of 5"));
}

void Within80Columns(const std::string& name, const std::string& text) {
  std::istringstream lines(text);
  for (std::string l; std::getline(lines, l);) {
    size_t width = 0;
    for (unsigned char ch : l) width += (ch & 0xC0) != 0x80;
    EXPECT_LE(width, 80u) << name << ": " << l;
  }
}

TEST_F(ZrtCliTest, EveryCommandHasHelpWithEveryOptionWithin80Columns) {
  Within80Columns("query", Zrt({"help", "query"}).out);
  ToolRun list = Zrt({"help"});
  ASSERT_EQ(list.code, 0);
  std::regex command(R"(\n  ([a-z]+) )");
  int commands = 0;
  for (auto it = std::sregex_iterator(list.out.begin(), list.out.end(), command); it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[1];
    ++commands;
    ToolRun help = Zrt({"help", name}), dashed = Zrt({name, "--help"});
    ASSERT_EQ(help.code, 0) << name;
    EXPECT_EQ(dashed.out, help.out);
    EXPECT_EQ(help.out.rfind("usage: zrt " + name + " ", 0), 0u) << help.out;
    Within80Columns(name, help.out);
    // Every option of the usage line is explained under "options:".
    const std::string options = help.out.substr(help.out.find("\noptions:\n"));
    std::regex used(R"((?:^| |\[)(--?[a-z][a-z-]*))");
    const std::string usage = help.out.substr(0, help.out.find("\n\n"));
    for (auto u = std::sregex_iterator(usage.begin(), usage.end(), used); u != std::sregex_iterator(); ++u) {
      const std::string o = (*u)[1];
      EXPECT_NE(options.find(o[1] == '-' ? " " + o : "  " + o + ", --"), std::string::npos) << name << ": " << o;
    }
  }
  EXPECT_GE(commands, 13);
}

TEST_F(ZrtCliTest, SearchListsAPageOfFoundRecords) {
  const std::string query = "пушкин OR гоголь OR слово1";  // records 1, 2 and 4
  const std::string r1 = "      1  R-1  Сказка о рыбаке и рыбке\n", r2 = "      2  R-2\n",
                    r4 = "      4  R-4\n";
  struct Case {
    std::vector<std::string> options;
    int code;
    std::string out;
  } cases[] = {
      {{}, 0, "3 records found\n" + r1 + r2 + r4},
      {{"--count", "2"}, 0, "3 records found\n" + r1 + r2 + "(records 1-2 of 3; the next page: --first 3)\n"},
      {{"--first", "3"}, 0, "3 records found\n" + r4 + "(records 3-3 of 3)\n"},
      {{"--first", "2", "--count", "1", "--fields", "AU,ID"}, 0,
       "3 records found\n      2  R-2\n(records 2-2 of 3; the next page: --first 3)\n"},
      {{"--fields", "G36"}, 0, "3 records found\n      1  1.2\n      2\n      4  1.2.7\n"},
      {{"--first", "4"}, 1, ""},
      {{"--fields", "XX"}, 2, ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"search", Path("src"), query};
    args.insert(args.end(), c.options.begin(), c.options.end());
    ToolRun r = Zrt(args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(r.out, c.out) << testing::PrintToString(c.options);
  }
  // --show prints the page whole.
  ToolRun r = Zrt({"search", Path("src"), query, "--first", "2", "--count", "1", "--highlight"});
  EXPECT_NE(r.out.find("Record 2 of 5\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("[[слово1]]"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Record 1 of 5"), std::string::npos);
  EXPECT_EQ(r.out.find("Record 4 of 5"), std::string::npos);
}

// ---- zrt render --------------------------------------------------------------------

TEST_F(ZrtCliTest, RenderExpandsAFormOverThePortionFromEitherEncoding) {
  // A portion loop as the view's forms write it, the fields through the converters, the
  // contents heading once per run of documents of one section.
  fixture::WriteFile(Path("form.tpl"),
                     "${for(env_istart;env_istart+env_icount-1;1)}$*dbs_go(_LV0)*"
                     "[$*dbs_rno(_LV0)*/$*dbs_fnd*]$@rec_content@ <$*rec_content*>$@@"
                     " $*rec_ID*: $*rec_B05*|${}");
  ToolRun r = Zrt({"render", Path("src"), Path("form.tpl"), "--records", "1-2"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "[1/5] <Сказки> R-1: H{\\super 2}O, CO{\\sub 2}, {\\f2\\lang1033 \\'61} + "
            "{\\f2\\lang1033 \\'e0} {\\f2\\lang1033 \\'a5} \\'7bx\\'7d|[2/5] R-2: |");

  r = Zrt({"render", Path("src"), Path("form.tpl"), "--records", "1", "--html"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "[1/5] <Сказки> R-1: H<SUP>2</SUP>O, CO<SUB>2</SUB>, "
            "<FONT FACE=\"Symbol\">&#97;</FONT> + <FONT FACE=\"Symbol\">&#224;</FONT> "
            "<FONT FACE=\"Symbol\">&#165;</FONT> {x}|");

  // Query mode: positions in the found list, the query's words marked in colour.
  fixture::WriteFile(Path("title.tpl"),
                     "${for(1;env_icount;1)}$*dbs_go(_LV0)*$*rec_TI*$*rec_AU*;${}");
  r = Zrt({"render", Path("src"), Path("title.tpl"), "--query",
           "\xD1\x80\xD1\x8B\xD0\xB1\xD0\xBA\xD0\xB5 OR \xD0\x93\xD0\xBE\xD0\xB3\xD0\xBE\xD0\xBB\xD1\x8C"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "Сказка о рыбаке и {\\cf2 рыбке}Пушкин, Александр Сергеевич;"
            "{\\cf2 Гоголь}, Николай Васильевич;");

  // Forms in UTF-8 and in Windows-1251 read alike.
  const std::string form = "Документ $*dbs_rno(7)*, $*rec_XX*.";  // UTF-8; XX is no field
  fixture::WriteFile(Path("utf8.tpl"), form);
  fixture::WriteFile(Path("ansi.tpl"), Ansi("Документ") + " $*dbs_rno(7)*, $*rec_XX*.");
  for (const char* name : {"utf8.tpl", "ansi.tpl"}) {
    r = Zrt({"render", Path("src"), Path(name), "-o", Path("out.txt")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(fixture::ReadFile(Path("out.txt")), "Документ 7, .") << name;
  }
  r = Zrt({"render", Path("src"), Path("missing.tpl")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot read the form"), std::string::npos) << r.err;
  r = Zrt({"render", Path("src")});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "zrt: render: missing FORM.tpl (see 'zrt help render')\n");
}

}  // namespace
