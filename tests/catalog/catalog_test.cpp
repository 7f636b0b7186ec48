// The bundled catalog through the C ABI, checked against the source records, the
// classification table, the stop list and the forms of config/ (unrtf, when installed,
// reads the forms' output as an independent RTF reader).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "fixture/tool_run.h"
#include "zrteng.h"

namespace fs = std::filesystem;
namespace {

const std::string kCatalog = ZRT_BINARY_DIR "/catalog/";
const std::string kConfig = ZRT_SOURCE_DIR "/config/";

struct EditionCase {
  const char* name;
  std::vector<std::string> subjects;  // the source subjects whose records it holds
};
const EditionCase kEditions[] = {
    {"ruslit", {"1", "2", "3"}}, {"prose", {"1.1"}}, {"poetry", {"1.2", "1.3"}}, {"essays", {"2", "3"}}};

bool Within(const std::string& code, const std::string& section) {
  return code.compare(0, section.size(), section) == 0 &&
         (code.size() == section.size() || code[section.size()] == '.');
}

// An open catalog edition with its records' G36 codes and IDs and its contents tree.
struct Edition {
  fixture::Handle h;
  std::vector<std::string> g36, ids, years;  // by record number - 1
  std::map<std::string, std::string> sections;  // code -> title, from the tree
  explicit Edition(const char* name) {
    if (ZRT_Open(h, kCatalog.c_str(), name) != 0) return;
    for (int32_t r = 1; r <= ZRT_GetNumRecords(h); ++r) {
      ZRT_GotoRecord(h, r);
      g36.push_back(ZRT_GetDataBySrcNo(h, ZRT_GetSrcNoByField(h, "G36")));
      ids.push_back(ZRT_GetDataBySrcNo(h, ZRT_GetSrcNoByField(h, "ID")));
      years.push_back(ZRT_GetDataBySrcNo(h, ZRT_GetSrcNoByField(h, "PY")));
    }
    ORTreeItem item;
    if (ORTree* tree = ZRT_GetOgl(h); tree && ORTree_First(tree) == 0)
      while (ORTree_Next(tree, &item) == 1) sections[item.key] = item.data;
  }
  std::set<int32_t> Found(const std::string& query) {
    EXPECT_EQ(ZRT_SetQueryByString(h, query.c_str(), 0, nullptr, nullptr, nullptr), 0) << query;
    std::vector<int32_t> records = fixture::FoundRecords(h);
    return {records.begin(), records.end()};
  }
  std::set<int32_t> InSection(const std::string& code) const {
    std::set<int32_t> in;
    for (size_t i = 0; i < g36.size(); ++i)
      if (Within(g36[i], code)) in.insert(static_cast<int32_t>(i + 1));
    return in;
  }
};

class CatalogTest : public ::testing::TestWithParam<EditionCase> {
protected:
  // The query parameters a new front-end installation sets.
  void SetUp() override { CDat_SetQParam('$', 1, 1, 0); }
};

TEST_P(CatalogTest, RecordsAndContentsMatchTheSource) {
  Edition ed(GetParam().name);
  std::map<std::string, std::string> subjectOf;  // ID -> source subject, for this edition
  std::ifstream in(ZRT_SOURCE_DIR "/samples/ruslit/records.jsonl");
  for (std::string line; std::getline(in, line);) {
    auto r = nlohmann::json::parse(line);
    for (const std::string& s : GetParam().subjects)
      if (Within(r["subject"], s)) subjectOf[r["id"]] = r["subject"].get<std::string>() + ".";
  }
  ASSERT_EQ(ZRT_GetNumRecords(ed.h), static_cast<int32_t>(subjectOf.size()));
  for (size_t i = 0; i < ed.ids.size(); ++i) {
    SCOPED_TRACE(ed.ids[i]);
    ASSERT_TRUE(subjectOf.contains(ed.ids[i]));
    // subject -> author -> work: the record sits two levels below its source subject, in
    // a section without subsections.
    const std::string &code = ed.g36[i], &subject = subjectOf[ed.ids[i]];
    EXPECT_TRUE(code.starts_with(subject));
    EXPECT_EQ(std::count(code.begin(), code.end(), '.'), std::count(subject.begin(), subject.end(), '.') + 1);
    auto next = ed.sections.upper_bound(code);
    EXPECT_TRUE(ed.sections.contains(code) && (next == ed.sections.end() || !Within(next->first, code)));
  }
}

TEST_P(CatalogTest, SectionJumpAndSearchAreaFindTheirRecords) {
  Edition ed(GetParam().name);
  for (const auto& [code, title] : ed.sections) {
    SCOPED_TRACE(code);
    // A one-number code also begins years and ordinals ("2-ГО") of other fields, and a
    // truncated term takes at most 301 index words, fewer than the top level here has: at
    // that level the jump is checked within G36 and for where it starts reading.
    const bool top = code.find('.') == std::string::npos;
    std::set<int32_t> expected = ed.InSection(code),
                      found = ed.Found(top ? "('" + code + "$') IN G36" : "'" + code + "$'");
    ASSERT_TRUE(!expected.empty() && !found.empty());
    EXPECT_EQ(*found.begin(), *expected.begin());
    if (top)
      EXPECT_TRUE(std::includes(expected.begin(), expected.end(), found.begin(), found.end()));
    else
      EXPECT_EQ(found, expected);
  }
  // Each rubric of the classification table finds the records of its section; every
  // top-level section (the search areas the query builder offers) has one.
  std::set<std::string> classified;
  std::ifstream table(kConfig + "classification.txt");
  for (long number; table >> number;) {
    std::string rubric, code = std::to_string(number / 1000000);
    table >> rubric;
    for (long part : {number / 1000 % 1000, number % 1000})
      if (part) code += "." + std::to_string(part);
    classified.insert(code);
    if (!ed.sections.contains(code)) continue;
    EXPECT_EQ(ed.Found("(" + rubric.substr(0, 2) + "." + rubric.substr(2) + ") IN DB"),
              ed.InSection(code)) << rubric;
  }
  for (const auto& [code, title] : ed.sections)
    EXPECT_TRUE(code.find('.') != std::string::npos || classified.contains(code)) << code;
}

TEST_P(CatalogTest, StopWordsAreNotInTheDictionary) {
  Edition ed(GetParam().name);
  std::ifstream in(kConfig + "russian.stop", std::ios::binary);
  int checked = 0;
  for (std::string word; std::getline(in, word); checked += word[0] != '$') {
    for (char& c : word) {  // code page 866 lower case to Windows-1251 upper case
      auto b = static_cast<unsigned char>(c);
      c = static_cast<char>(b >= 0x80 && b <= 0x9F ? b + 0x40 : b >= 0xA0 && b <= 0xAF ? b + 0x20
                            : b >= 0xE0 && b <= 0xEF ? b - 0x10 : b);
    }
    ASSERT_EQ(ZRT_SetQueryByRoot(ed.h, word.c_str(), nullptr), 0);  // the word alone
    EXPECT_TRUE(word[0] == '$' || ZRT_GetNumFoundWords(ed.h) == 0) << word;
  }
  EXPECT_GT(checked, 100);
  // A content word that the list leaves out is indexed.
  ASSERT_EQ(ZRT_SetQueryByRoot(ed.h, "\xD2\xC5\xCF\xC5\xD0\xDC", nullptr), 0);  // ТЕПЕРЬ
  EXPECT_EQ(ZRT_GetNumFoundWords(ed.h), 1);
}

// The names the document view answers, for a rendering of one portion on screen.
struct View {
  Edition* ed;
  int32_t start, count;
  std::vector<std::string> sections;
  std::string value, damaged;  // damaged: markup put into every AB field
};

intptr_t Resolve(void* context, const char* name, int32_t* kind, const intptr_t* args, int32_t n) {
  View& v = *static_cast<View*>(context);
  std::string id = name, text;
  *kind = ZRT_FORM_INTEGER;
  if (id == "env_istart") return v.start;
  if (id == "env_icount") return v.count;
  if (id == "env_fsize") return 26;
  if (id == "dbs_fnd") return ZRT_GetNumRecords(v.ed->h);
  if (id == "dbs_rno") return n ? args[0] : 0;
  if (id == "dbs_mark") return n && args[0] % 3 == 0;
  if (id == "dbs_print" || id == "dbs_pmark") return 1;
  *kind = ZRT_FORM_STRING;
  if (id == "env_fname") text = "Times New Roman";
  if (id == "env_nummode") text = "\\b";
  if (id == "dbs_go" && n && ZRT_GotoRecord(v.ed->h, static_cast<int32_t>(args[0])) == 0)
    v.sections.push_back(v.ed->g36[args[0] - 1]);
  const size_t seen = v.sections.size();
  if (id == "rec_content" && (seen == 1 || (seen > 1 && v.sections[seen - 2] != v.sections.back())))
    text = v.ed->sections[v.sections.back()];
  else if (uint8_t no = id.starts_with("rec_") ? ZRT_GetNoByField(v.ed->h, name + 4) : 0)
    text = ZRT_GetDataByNo(v.ed->h, no) + (id == "rec_AB" ? v.damaged : "");
  std::vector<char> rtf(10 * text.size() + 1);
  v.value = OrvToRtf(rtf.data(), text.c_str());
  return reinterpret_cast<intptr_t>(v.value.c_str());
}

// The depth of the RTF groups never drops below 0 and ends at 0 ("\\" and the byte after
// it are skipped: an escaped brace, or the first letter of a control word).
bool Balanced(const std::string& rtf) {
  int depth = 0;
  for (size_t i = 0; i < rtf.size() && depth >= 0; ++i)
    depth += rtf[i] == '\\' ? 0 * ++i : rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
  return depth == 0;
}

TEST_P(CatalogTest, EveryFormRendersEveryRecordBalanced) {
  Edition ed(GetParam().name);
  const bool unrtf = fixture::Installed("unrtf");
  int forms = 0;
  std::vector<char> out(ZRT_FORM_ROOM);
  for (const auto& entry : fs::directory_iterator(kConfig)) {
    if (entry.path().extension() != ".tpl") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++forms;
    const std::string form = fixture::ReadFile(entry.path().string());
    for (const char* damaged : {"", " x{y", " _", " [a{b_\xDE", "}]"}) {
      for (int32_t start = 1; start <= ZRT_GetNumRecords(ed.h); start += 10) {
        View view{&ed, start, std::min(10, ZRT_GetNumRecords(ed.h) - start + 1), {}, {}, damaged};
        int32_t loops[ZRT_FORM_LOOPS] = {};
        int32_t n = PParseForm(form.c_str(), 0, static_cast<int32_t>(form.size()), out.data(),
                               &view, loops, -1, &Resolve);
        const std::string rtf(out.data(), n);
        ASSERT_TRUE(rtf.starts_with("{\\rtf1")) << start;
        ASSERT_TRUE(Balanced(rtf)) << "records from " << start << " with '" << damaged << "'";
        ASSERT_NE(rtf.find(ed.years[start - 1]), std::string::npos);
        if (!unrtf || start > 1 || *damaged) continue;
        fixture::TempDir dir("catalog_form");
        fixture::ToolRun text = fixture::Run("unrtf", {"--text", dir.Write("form.rtf", rtf)});
        EXPECT_EQ(text.code, 0) << text.err;
        EXPECT_NE(text.out.find(ed.years[0]), std::string::npos) << text.out;
      }
    }
  }
  EXPECT_EQ(forms, 4);
}

// A faulty contents file or descriptor is reported with its line and leaves no edition.
TEST(CatalogLoadTest, FaultyContentsAndDescriptorsLeaveNoEdition) {
  fixture::TempDir dir("catalog_load");
  const std::string poetry = ZRT_SOURCE_DIR "/samples/ruslit/editions/poetry";
  const struct { const char *option, *text, *error; /* after "FILE:" */ } cases[] = {
      {"--contents", "1 A\n1.2 B\n1.1 C\n", "3: the code 1.1 is out of order"},
      {"--contents", "1 A\n1.1 B\n# note\n1.1 C\n", "4: the code 1.1 is duplicated (first on line 2)"},
      {"--contents", "1 A\n1.1.1 B\n", "2: the section 1.1.1 has no parent section 1.1"},
      {"--contents", "1 A\n1.1 B\n1.10 C\n", "3: the code 1.10 begins with the code of section 1.1"},
      {"--contents", "1 A\n1..2 B\n", "2: the code 1..2 has an empty part"},
      {"--descriptor", "database named\nTI = TI\nAU = AU &\n", "3: field definition 2 (AU)"},
      {"--descriptor", "database named\nTI = 'x\n\tAU\n", "2: field definition 1 (TI): text without"},
      {"--descriptor", "database other\nTI = TI\n", "1: the first line must be"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string file = dir.Write("input", c.text);
    fixture::ToolRun r = fixture::Run(ZRT_TOOL, {"load", dir / "e", poetry + ".jsonl", "--header",
                                                 poetry + ".header.json", c.option, file});
    EXPECT_NE(r.code, 0);
    EXPECT_NE((r.out + r.err).find(file + ":" + c.error), std::string::npos) << r.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);  // the input alone
  }
}

INSTANTIATE_TEST_SUITE_P(Editions, CatalogTest, ::testing::ValuesIn(kEditions),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
