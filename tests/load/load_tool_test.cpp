// zrt load, append, pack, words and show run as a user runs them: what goes in as JSON
// Lines must come back out of the listing and the record display, and bad input must be
// refused with its line and leave no edition behind.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fixture/fixture_writer.h"
#include "fixture/scratch.h"
#include "load/tool_run.h"
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using fixture::TempDir;

// ---- an independent model of the word listing ---------------------------------------

struct Counts {
  std::set<std::string> codes;
  std::set<int> records;
  int occurrences = 0;
  bool operator==(const Counts&) const = default;
};

// The index form of the test texts (compared in Windows-1251): upper case, Ё and ё as Е.
std::string Upper(const std::string& utf8) {
  std::string s = fixture::UpperAnsi(fixture::Ansi(utf8));
  for (char& c : s)
    if (c == '\xA8' || c == '\xB8') c = '\xC5';
  return s;
}

// Records: code -> text. Words are separated by blanks, commas and semicolons only.
using Record = std::map<std::string, std::string>;

std::map<std::string, Counts> Model(const std::vector<Record>& records) {
  std::map<std::string, Counts> words;
  for (size_t r = 0; r < records.size(); ++r)
    for (const auto& [code, text] : records[r]) {
      std::string word;
      for (char c : text + " ") {
        if (c == ' ' || c == ',' || c == ';') {
          if (!word.empty()) {
            Counts& w = words[Upper(word)];
            w.codes.insert(code);
            w.records.insert(static_cast<int>(r));
            ++w.occurrences;
          }
          word.clear();
        } else {
          word += c;
        }
      }
    }
  return words;
}

// The listing as word -> (codes, documents, occurrences).
struct Listed {
  std::string codes;
  int documents, occurrences;
  bool operator==(const Listed&) const = default;
};

std::map<std::string, Listed> Parse(const std::string& listing) {
  std::map<std::string, Listed> words;
  std::istringstream in(listing);
  std::string line;
  std::getline(in, line);  // heading
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string word, codes;
    Listed l{};
    if (!(fields >> word >> codes >> l.documents >> l.occurrences)) continue;  // the total
    l.codes = codes;
    words[fixture::Ansi(word)] = l;
  }
  return words;
}

std::map<std::string, Listed> Expected(const std::vector<Record>& records,
                                       const std::vector<std::string>& fieldOrder) {
  std::map<std::string, Listed> out;
  for (const auto& [word, c] : Model(records)) {
    std::string codes;
    for (const std::string& code : fieldOrder)
      if (c.codes.count(code)) codes += (codes.empty() ? "" : ",") + code;
    out[word] = {codes, static_cast<int>(c.records.size()), c.occurrences};
  }
  return out;
}

const char kRecords[] =
    R"({"ID": "A1", "TI": "Сказание о невидимом граде Китеже", "KW": ["легенда", "озеро Светлояр"], "PY": 1907, "AB": "Тихая вода глубока, вода камень точит."})"
    "\n"
    R"({"ID": "A2", "TI": "Летописный свод", "KW": ["летопись"], "PY": 1377, "AB": "Повесть временных лет; свод летописный."})"
    "\n\n"
    R"({"TI": "Вода и камень ещё", "ID": "A3", "AB": null, "KW": ["вода", "камень", "вода"]})"
    "\n";

// The same records as the model sees them (a list joined with "; ", numbers as text).
std::vector<Record> ModelRecords() {
  return {
      {{"ID", "A1"}, {"TI", "Сказание невидимом граде Китеже"}, {"KW", "легенда; озеро Светлояр"},
       {"PY", "1907"}, {"AB", "Тихая вода глубока, вода камень точит"}},
      {{"ID", "A2"}, {"TI", "Летописный свод"}, {"KW", "летопись"}, {"PY", "1377"},
       {"AB", "Повесть временных лет; свод летописный"}},
      {{"TI", "Вода камень ещё"}, {"ID", "A3"}, {"KW", "вода; камень; вода"}},
  };
}

const std::vector<std::string> kFields = {"ID", "TI", "KW", "PY", "AB"};

}  // namespace

TEST(LoadTool, WordsAndShowReadBackWhatWasLoaded) {
  TempDir dir;
  dir.Write("in.jsonl", kRecords);
  ToolRun r = Zrt(dir, "load " + dir / "ed" + " " + dir / "in.jsonl" +
                       " --fields ID,TI,KW,PY,AB --title 'Проверка' --copyright 'Издательство, 2026'");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Loaded 3 records"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");  // no progress bar without a terminal

  // One-letter words ("о", "и") are never indexed; the model leaves them out too.
  std::vector<Record> model = ModelRecords();
  ToolRun words = Zrt(dir, "words " + dir / "ed");
  ASSERT_EQ(words.code, 0) << words.err;
  EXPECT_EQ(Parse(words.out), Expected(model, kFields)) << words.out;

  ToolRun prefixed = Zrt(dir, "words " + dir / "ed" + " вод");
  auto onlyVoda = Parse(prefixed.out);
  ASSERT_EQ(onlyVoda.size(), 1u) << prefixed.out;
  EXPECT_EQ(onlyVoda.begin()->second, (Listed{"TI,KW,AB", 2, 5}));

  ToolRun show = Zrt(dir, "show " + dir / "ed" + " 1 2 3");
  ASSERT_EQ(show.code, 0) << show.err;
  for (const char* text : {"Сказание о невидимом граде Китеже", "легенда; озеро Светлояр", "1907",
                           "Тихая вода глубока, вода камень точит.", "Летописный свод",
                           "Повесть временных лет; свод летописный.", "вода; камень; вода", "A3"})
    EXPECT_NE(show.out.find(std::string("  ") + text + "\n"), std::string::npos) << text;
  // Record 3 has no abstract: null is an absent field.
  size_t third = show.out.find("Record 3 of 3");
  ASSERT_NE(third, std::string::npos);
  EXPECT_EQ(show.out.find("Реферат", third), std::string::npos) << show.out.substr(third);

  ToolRun info = Zrt(dir, "info " + dir / "ed");
  EXPECT_NE(info.out.find("Title:       Проверка"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Copyright:   Издательство, 2026"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Records:     3"), std::string::npos);

  // --timeout stops a query after the term that passed it, with an error.
  const std::string query = " 'вода OR камень OR свод' --timeout 0.000001";
  ToolRun slow = Zrt(dir, "search " + dir / "ed" + query);
  EXPECT_EQ(slow.code, 1);
  EXPECT_NE(slow.err.find("took longer than --timeout 0.000001 s (the query was stopped after 1 term)"),
            std::string::npos) << slow.err;
  ToolRun render = Zrt(dir, "export " + dir / "ed" + " --format txt -o " + dir / "out.txt --query" + query);
  EXPECT_EQ(render.code, 1);
  EXPECT_NE(render.err.find("--timeout"), std::string::npos) << render.err;
  EXPECT_EQ(Zrt(dir, "search " + dir / "ed" + " вода --timeout 0").code, 2);
}

TEST(LoadTool, AppendedRecordsAreListedBeforeAndAfterPacking) {
  TempDir dir;
  dir.Write("in.jsonl", kRecords);
  ASSERT_EQ(Zrt(dir, "load " + dir / "ed" + " " + dir / "in.jsonl" + " --fields ID,TI,KW,PY,AB").code, 0);
  // Other keys than the codes, mapped by a header; the field order of the edition stays.
  dir.Write("more.jsonl",
        R"({"name": "Камень преткновения, ЕЩЁ", "code": "B1", "notes": ["летопись", "граде"]})" "\n"
        R"({"code": "B2", "name": "Новый свод", "year": 2001})" "\n");
  dir.Write("header.json", R"({"fields": [{"code": "ID", "key": "code"}, {"code": "TI", "key": "name"},
        {"code": "KW", "key": "notes"}, {"code": "PY", "key": "year"}]})");
  ToolRun r = Zrt(dir, "append " + dir / "ed" + " " + dir / "more.jsonl" + " --header " + dir / "header.json");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Appended 2 records"), std::string::npos) << r.out;

  std::vector<Record> model = ModelRecords();
  model.push_back({{"TI", "Камень преткновения, ЕЩЁ"}, {"ID", "B1"}, {"KW", "летопись; граде"}});
  model.push_back({{"ID", "B2"}, {"TI", "Новый свод"}, {"PY", "2001"}});
  const auto expected = Expected(model, kFields);
  ToolRun before = Zrt(dir, "words " + dir / "ed");
  EXPECT_EQ(Parse(before.out), expected) << before.out;

  ToolRun pack = Zrt(dir, "pack " + dir / "ed");
  ASSERT_EQ(pack.code, 0) << pack.err;
  EXPECT_FALSE(fs::exists(dir / "ed.cdl"));
  ToolRun after = Zrt(dir, "words " + dir / "ed");
  EXPECT_EQ(after.out, before.out);
  ToolRun show = Zrt(dir, "show " + dir / "ed" + " 5");
  EXPECT_NE(show.out.find("Record 5 of 5"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("  Новый свод\n"), std::string::npos) << show.out;

  // An unknown key anywhere in the file appends nothing, not even the records before it.
  dir.Write("bad.jsonl", R"({"ID": "C1"})" "\n" R"({"ID": "C2", "XX": "x"})" "\n");
  ToolRun bad = Zrt(dir, "append " + dir / "ed" + " " + dir / "bad.jsonl");
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.err.find("line 2: unknown field \"XX\""), std::string::npos) << bad.err;
  EXPECT_EQ(Zrt(dir, "words " + dir / "ed").out, before.out);
  EXPECT_NE(Zrt(dir, "info " + dir / "ed").out.find("Records:     5"), std::string::npos);

  dir.Write("codes.jsonl", R"({"QQ": "x"})" "\n");
  ToolRun unknownField = Zrt(dir, "append " + dir / "ed" + " " + dir / "codes.jsonl" + " --fields QQ");
  EXPECT_EQ(unknownField.code, 1);
  EXPECT_NE(unknownField.err.find("the edition has no field QQ"), std::string::npos) << unknownField.err;
}

TEST(LoadTool, FieldsInOrderOfFirstAppearanceWithoutAList) {
  TempDir dir;
  dir.Write("in.jsonl", R"({"TI": "первый", "note": 1, "AU": "Автор"})" "\n"
                          R"({"AB": "текст", "TI": "второй"})" "\n");
  ASSERT_EQ(Zrt(dir, "load " + dir / "ed" + " " + dir / "in.jsonl" + " --ignore note").code, 0);
  ToolRun info = Zrt(dir, "info " + dir / "ed");
  size_t ti = info.out.find("  1    1      TI"), au = info.out.find("  2    2      AU"),
         ab = info.out.find("  3    3      AB");
  EXPECT_NE(ti, std::string::npos) << info.out;
  EXPECT_NE(au, std::string::npos) << info.out;
  EXPECT_NE(ab, std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Title:       ed"), std::string::npos) << info.out;
  EXPECT_EQ(info.out.find("note"), std::string::npos) << info.out;
}

TEST(LoadTool, BadInputIsRefusedWithItsLineAndLeavesNoEdition) {
  TempDir dir;
  const std::string good = R"({"TI": "заглавие", "AB": "текст"})" "\n";
  struct Case {
    const char* name;
    std::string input;
    std::string options;
    std::vector<std::string> said;
  };
  const std::vector<Case> cases = {
      {"malformed", good + good + "{\"TI\": \"x\",}\n", "", {"line 3", "malformed JSON"}},
      {"not an object", good + "[1, 2]\n", "", {"line 2", "not a JSON object"}},
      {"unknown field", good + "\n" + R"({"TI": "a", "XX": "b"})" "\n", " --fields TI,AB",
       {"line 3", "unknown field \"XX\""}},
      {"boolean", R"({"TI": true})" "\n", " --fields TI", {"line 1", "field TI", "true or false"}},
      {"object", R"({"TI": {"a": 1}})" "\n", " --fields TI", {"line 1", "field TI", "an object"}},
      {"nested list", R"({"TI": ["a", ["b"]]})" "\n", " --fields TI", {"line 1", "field TI", "only texts"}},
      {"no cp1251 form", good + R"({"TI": "a", "AB": "знак 中 здесь"})" "\n", "",
       {"line 2", "field AB", "U+4E2D", "--substitute"}},
      {"too long", "{\"AB\": \"" + std::string(10001, 'x') + "\"}\n", " --fields AB",
       {"line 1", "10000"}},
      {"groups", good, " --fields TI,AB --groups 1", {"--groups gives 1 groups for 2 fields"}},
      {"group range", good, " --fields TI,AB --groups 1,33", {"'33' is not a group"}},
      {"twice", good, " --fields TI,TI", {"field TI is named twice"}},
      {"codes differing in case", good, " --fields TI,AB,ti", {"fields TI and ti differ only in case"}},
      {"number overflow", good + R"({"TI": "x", "AB": 1e400})" "\n", "", {"line 2", "number overflow"}},
      {"number overflow, fields named", R"({"TI": [1, -1e400]})" "\n", " --fields TI", {"line 1", "overflow"}},
      {"zero character", good + R"({"TI": "a\u0000b"})" "\n", "", {"line 2", "field TI", "\\u0000"}},
      {"zero character in a list", R"({"TI": ["a", "\u0000"]})" "\n", " --fields TI", {"line 1", "field TI", "\\u0000"}},
      {"empty", "\n\n", "", {"no documents"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write("in.jsonl", c.input);
    ToolRun r = Zrt(dir, "load " + dir / "ed" + " " + dir / "in.jsonl" + c.options);
    EXPECT_EQ(r.code, 1);
    for (const std::string& s : c.said) EXPECT_NE(r.err.find(s), std::string::npos) << r.err;
    EXPECT_TRUE(dir.FilesOf("ed").empty()) << dir.FilesOf("ed").front();
  }

  dir.Write("header.json", R"({"title": "x", "fields": ["TI"], "sort": 1})");
  ToolRun header = Zrt(dir, "load " + dir / "ed" + " " + dir / "in.jsonl" + " --header " + dir / "header.json");
  EXPECT_EQ(header.code, 1);
  EXPECT_NE(header.err.find("unknown header entry \"sort\""), std::string::npos) << header.err;
}

TEST(LoadTool, ReplacementOnRequestAndNoLoadOverAnEdition) {
  TempDir dir;
  dir.Write("in.jsonl", R"({"TI": "знак 中 здесь", "AB": "ёж «ёлка» №5"})" "\n");
  ToolRun r = Zrt(dir, "load " + dir / "ed" + " " + dir / "in.jsonl" + " --substitute");
  ASSERT_EQ(r.code, 0) << r.err;
  ToolRun show = Zrt(dir, "show " + dir / "ed" + " 1");
  EXPECT_NE(show.out.find("  знак ? здесь\n"), std::string::npos) << show.out;
  // Stored texts keep ё, » and №; « has no form in the record store's code page.
  EXPECT_NE(show.out.find("  ёж \"ёлка» №5\n"), std::string::npos) << show.out;

  std::map<std::string, std::string> files;
  for (const std::string& name : dir.FilesOf("ed")) files[name] = fixture::ReadFile(dir / name);
  dir.Write("other.jsonl", R"({"TI": "другое"})" "\n");
  ToolRun again = Zrt(dir, "load " + dir / "ed" + " " + dir / "other.jsonl");
  EXPECT_EQ(again.code, 1);
  EXPECT_EQ(again.err, "zrt: " + dir / "ed" +
                           ": an edition exists there; nothing was loaded (--replace replaces it)\n");
  // A replacement that fails leaves the old edition whole; one that works takes its place.
  dir.Write("bad.jsonl", R"({"TI": "другое"})" "\n" "{\n");
  EXPECT_EQ(Zrt(dir, "load " + dir / "ed" + " " + dir / "bad.jsonl --replace").code, 1);
  std::map<std::string, std::string> after;
  for (const std::string& name : dir.FilesOf("ed")) after[name] = fixture::ReadFile(dir / name);
  EXPECT_EQ(after, files);
  ASSERT_EQ(Zrt(dir, "load " + dir / "ed" + " " + dir / "other.jsonl --replace").code, 0);
  EXPECT_NE(Zrt(dir, "show " + dir / "ed" + " 1").out.find("  другое\n"), std::string::npos);
  EXPECT_EQ(dir.FilesOf("ed_zrtnew"), std::vector<std::string>{});
}

TEST(LoadTool, AppendMapsASourceByTheKeysOfTheLoad) {
  TempDir dir;
  dir.Write("header.json", R"({"fields": [{"code": "ID", "key": "code"}, {"code": "TI", "key": ["name", "alt"]}]})");
  dir.Write("in.jsonl", R"({"code": "A1", "name": "первый"})" "\n");
  ASSERT_EQ(Zrt(dir, "load " + dir / "ed" + " " + dir / "in.jsonl --header " + dir / "header.json").code, 0);
  // The load's keys and the codes both name the fields; anything else is refused.
  dir.Write("more.jsonl", R"({"code": "A2", "alt": "второй"})" "\n" R"({"ID": "A3", "TI": "третий"})" "\n");
  ToolRun r = Zrt(dir, "append " + dir / "ed" + " " + dir / "more.jsonl");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Parse(Zrt(dir, "words " + dir / "ed").out),
            Expected({{{"ID", "A1"}, {"TI", "первый"}}, {{"ID", "A2"}, {"TI", "второй"}},
                      {{"ID", "A3"}, {"TI", "третий"}}},
                     {"ID", "TI"}));
  dir.Write("bad.jsonl", R"({"title": "x"})" "\n");
  EXPECT_NE(Zrt(dir, "append " + dir / "ed" + " " + dir / "bad.jsonl").err.find("unknown field \"title\""),
            std::string::npos);
}

// ---- the damaged-file sweep ----------------------------------------------------------
// Each file of an edition (with contents, descriptor and an update index) missing, empty,
// cut, overwritten with garbage or with bits flipped, read by the commands that read it:
// a run gives the undamaged answer or fails with a message, never a different answer
// with exit 0. A flipped bit inside a record's text, a word or an occurrence cannot be
// told from real data, so a flip is only held to ending cleanly. ZRT_DAMAGE_FLIPS sets
// the flips per file (default 2) for a longer run.
TEST(LoadTool, DamagedFilesGiveTheUndamagedAnswerOrAnError) {
  TempDir dir;
  const std::string samples = std::string(ZRT_SOURCE_DIR) + "/samples/ruslit/";
  const std::string poetry = samples + "editions/poetry";
  std::istringstream lines(fixture::ReadFile(poetry + ".jsonl"));
  std::string first, rest, line;
  for (int n = 0; n < 25 && std::getline(lines, line); ++n) (n < 20 ? first : rest) += line + "\n";
  dir.Write("first.jsonl", first);
  dir.Write("rest.jsonl", rest);
  fs::create_directories(dir.path() / "good");
  ASSERT_EQ(Zrt(dir, "load " + dir / "good/ed" + " " + dir / "first.jsonl --header " + poetry +
                         ".header.json --contents " + poetry + ".contents --descriptor " + samples + "ruslit.cdw")
                .code, 0);
  ASSERT_EQ(Zrt(dir, "append " + dir / "good/ed" + " " + dir / "rest.jsonl").code, 0);

  const std::string ed = dir / "work/ed", out = dir / "out";
  const std::vector<std::string> commands = {
      "info " + ed, "show " + ed + " 1-25", "search " + ed + " \"ле$ OR ('1.2$') IN G36\" --show --count 30",
      "words " + ed, "contents " + ed, "export " + ed + " --format txt -o " + out,
      "render " + ed + " '" + ZRT_SOURCE_DIR + "/config/Краткая библиография.tpl' -o " + out};
  auto runAll = [&](std::vector<ToolRun>* runs) {
    runs->clear();
    for (const std::string& c : commands) {
      fs::remove(out);
      ToolRun r = Zrt(dir, c);
      if (fs::exists(out)) r.out += fixture::ReadFile(out);
      runs->push_back(r);
    }
  };
  auto restore = [&] {
    fs::remove_all(dir.path() / "work");
    fs::copy(dir.path() / "good", dir.path() / "work");
  };
  restore();
  std::vector<ToolRun> good, damaged;
  runAll(&good);
  for (const ToolRun& r : good) ASSERT_EQ(r.code, 0) << r.err;

  const char* flipsText = std::getenv("ZRT_DAMAGE_FLIPS");
  const int flips = flipsText ? std::atoi(flipsText) : 2;
  std::mt19937 random(18);
  int runs = 0;
  std::map<std::string, int> flipsDiffering;  // by file
  for (const char* ext : {"cdo", "cdx", "cdb", "cdj", "cdp", "cdd", "cdh", "cdw", "cdl", "cdi"}) {
    const std::string file = ed + "." + ext;
    const std::string bytes = fixture::ReadFile(dir / "good/ed." + ext);
    ASSERT_FALSE(bytes.empty()) << ext;
    std::vector<std::pair<std::string, std::string>> damages = {
        {"empty", ""}, {"cut", bytes.substr(0, bytes.size() / 2)}, {"garbage", bytes}};
    for (char& c : damages.back().second) c = static_cast<char>(random());
    for (int k = 0; k < flips; ++k) {
      std::string flipped = bytes;
      size_t at = random() % bytes.size();
      flipped[at] = static_cast<char>(flipped[at] ^ (1 << random() % 8));
      damages.push_back({"flip at " + std::to_string(at), flipped});
    }
    damages.push_back({"missing", ""});
    for (const auto& [name, content] : damages) {
      restore();
      if (name == "missing") fs::remove(file);
      else fixture::WriteFile(file, content);
      runAll(&damaged);
      // Without a descriptor or contents an edition is whole, so their loss cannot be told.
      const bool optional = name == "missing" && (ext == std::string("cdw") || ext == std::string("cdj"));
      for (size_t c = 0; c < commands.size(); ++c) {
        ++runs;
        const ToolRun& r = damaged[c];
        SCOPED_TRACE(std::string(ext) + " " + name + ": " + commands[c]);
        EXPECT_TRUE(r.code == 0 || (r.code == 1 && r.err.starts_with("zrt: "))) << r.code << " " << r.err;
        EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
        if (r.code != 0 || r.out == good[c].out) continue;
        if (name.starts_with("flip")) ++flipsDiffering[ext];
        else if (!optional) ADD_FAILURE() << "exit 0 with a different answer:\n" << r.out.substr(0, 600);
      }
    }
  }
  std::printf("damaged-file sweep: %d runs; runs where a flipped bit changed the answer:", runs);
  for (const auto& [ext, count] : flipsDiffering) std::printf(" %s %d", ext.c_str(), count);
  std::printf("\n");
}
