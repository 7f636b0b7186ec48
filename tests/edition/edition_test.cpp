// Opening editions written by the independent fixture writer, reading their records,
// fields and multimedia files, and surviving damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "fixture/fixture_writer.h"
#include "fixture/scratch.h"
#include "zrteng.h"

namespace fs = std::filesystem;
using fixture::Ansi;

namespace {

using fixture::Handle;
using fixture::TempDir;

fixture::Edition Sample() {
  fixture::Edition e;
  e.title = Ansi("Тестовое издание");
  e.shortName = Ansi("Тест");
  e.copyright = "Test copyright";
  e.fields = {{"ID", 1}, {"TI", 2}, {"AU", 3}, {"KW", 4}, {"PY", 5}, {"AB", 6}, {"XY", 40}};
  e.records = {
      {{{1, "A-1"}, {2, Ansi("Первый документ")}, {3, Ansi("Иванов И. И.")}, {5, "1995"}}, false},
      {{{1, "A-2"}, {2, "Second document"}, {4, Ansi("ключ; слово")}, {6, Ansi("Реферат второго")}},
       true},
      {{{2, Ansi("Третий")}}, false},
  };
  e.words = fixture::SimpleWords(e);
  return e;
}

std::string Text(const char* s) { return s ? s : "<null>"; }

TEST(EditionOpen, ReadsDescriptionFieldsAndRecords) {
  TempDir dir;
  fixture::Write(dir / "ed", Sample());
  Handle h;
  EXPECT_EQ(ZRT_IsOpen(h), 0);
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_IsOpen(h), 1);
  EXPECT_EQ(Text(ZRT_GetOemName(h, 1)), Ansi("Тестовое издание"));
  EXPECT_EQ(Text(ZRT_GetOemName(h, 0)), Ansi("Тест"));
  EXPECT_EQ(Text(ZRT_GetCopyright(h)), "Test copyright");
  EXPECT_EQ(ZRT_GetNumRecords(h), 3);
  EXPECT_EQ(ZRT_GetRecNo(h), 1);  // the open reads record 1
  EXPECT_EQ(ZRT_GetFieldCount(h), 7);
  EXPECT_EQ(ZRT_GetOgl(h), nullptr);

  EXPECT_EQ(Text(ZRT_GetDataBySrcNo(h, 2)), Ansi("Первый документ"));
  EXPECT_EQ(Text(ZRT_GetDataByNo(h, 3)), Ansi("Иванов И. И."));
  EXPECT_EQ(Text(ZRT_GetDataBySrcNo(h, 4)), "");  // absent: empty, not null

  ASSERT_EQ(ZRT_GotoRecord(h, 2), 0);
  EXPECT_EQ(ZRT_GetRecNo(h), 2);
  EXPECT_EQ(Text(ZRT_GetDataBySrcNo(h, 6)), Ansi("Реферат второго"));
  EXPECT_EQ(Text(ZRT_GetDataBySrcNo(h, 2)), "Second document");
  EXPECT_EQ(ZRT_GotoRecord(h, 0), -1);
  EXPECT_EQ(ZRT_GotoRecord(h, 4), -1);
  EXPECT_EQ(ZRT_GetRecNo(h), 2);  // a failed move keeps the current record

  EXPECT_EQ(ZRT_GetSrcNoByField(h, "kw"), 4);
  EXPECT_EQ(ZRT_GetNoByField(h, "Ab"), 6);
  EXPECT_EQ(ZRT_GetSrcNoByField(h, "ZZ"), 0);
  EXPECT_EQ(Text(ZRT_GetFieldByNo(h, 2)), "TI");
  EXPECT_EQ(ZRT_GetFieldByNo(h, 8), nullptr);
  EXPECT_EQ(ZRT_GetFieldByNo(h, 0), nullptr);
  EXPECT_EQ(Text(ZRT_GetAliasFieldName(h, 2)), Ansi("Авторы"));
  EXPECT_EQ(Text(ZRT_GetAliasFieldName(h, 6)), "XY");

  uint8_t numbers[ZRT_FNUMS_MAX];
  ASSERT_EQ(ZRT_GetFNumsB(h, "TI", numbers), 1);
  EXPECT_EQ(numbers[0], 2);
  EXPECT_EQ(ZRT_GetFNumsB(h, "NONE", numbers), 0);

  EXPECT_EQ(ZRT_Close(h), 0);
  EXPECT_EQ(ZRT_IsOpen(h), 0);
  EXPECT_EQ(ZRT_Close(h), 0);  // twice is harmless
  EXPECT_EQ(ZRT_GotoRecord(h, 1), -1);
  EXPECT_EQ(ZRT_GetNumRecords(h), -1);
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);  // and it opens again
  EXPECT_EQ(ZRT_GetNumRecords(h), 3);
}

TEST(EditionOpen, NamesAnyFileOfTheEditionAndASuffix) {
  TempDir dir;
  fixture::Write(dir / "ed", Sample());
  for (const char* ext : {".cdb", ".cdo", ".anything"}) {
    Handle h;
    EXPECT_EQ(ZRT_Open(h, (dir / ("ed" + std::string(ext))).c_str(), nullptr), 0) << ext;
  }
  Handle h;
  EXPECT_EQ(ZRT_Open(h, (dir / "").c_str(), "ed"), 0);
  Handle backslash;
  std::string windows = dir / "ed";
  windows.replace(windows.rfind('/'), 1, "\\");
  EXPECT_EQ(ZRT_Open(backslash, windows.c_str(), nullptr), 0);
}

TEST(EditionOpen, DefaultsForEmptyTextsAndAnEmptyStore) {
  TempDir dir;
  fixture::Edition e = Sample();
  e.shortName.clear();
  e.copyright.clear();
  e.records.clear();
  e.words.clear();
  fixture::Write(dir / "ed", e);
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(Text(ZRT_GetOemName(h, 0)), Ansi("Тестовое издание"));
  EXPECT_EQ(Text(ZRT_GetCopyright(h)), "ORVANT");
  EXPECT_EQ(ZRT_GetNumRecords(h), 0);
  EXPECT_EQ(ZRT_GotoRecord(h, 1), 0);
  EXPECT_EQ(ZRT_GotoRecord(h, 99), 0);
  EXPECT_EQ(ZRT_GetRecNo(h), -1);
}

// Every file but the contents is needed: a missing or damaged one fails the open.
TEST(EditionOpen, MissingOrDamagedFilesFailTheOpen) {
  TempDir dir;
  fixture::Write(dir / "good", Sample());
  const std::vector<std::string> exts = {".cdo", ".cdx", ".cdb", ".cdp", ".cdd", ".cdh"};
  // Opens a copy of the edition with one file removed (no damage) or damaged.
  auto open = [&](const std::string& ext, const std::function<void(std::string&)>& damage) {
    for (const std::string& e : exts)
      fs::copy_file(dir / ("good" + e), dir / ("bad" + e), fs::copy_options::overwrite_existing);
    if (damage) {
      std::string bytes = fixture::ReadFile(dir / ("bad" + ext));
      damage(bytes);
      fixture::WriteFile(dir / ("bad" + ext), bytes);
    } else {
      fs::remove(dir / ("bad" + ext));
    }
    Handle h;
    int r = ZRT_Open(h, (dir / "bad").c_str(), nullptr);
    EXPECT_EQ(ZRT_IsOpen(h), r == 0);
    return r;
  };
  for (const std::string& ext : exts) {
    EXPECT_EQ(open(ext, nullptr), -1) << ext << " missing";
    EXPECT_EQ(open(ext, [](std::string& b) { b[1] = 'Z'; }), -1) << ext << " with a wrong magic";
  }
  EXPECT_EQ(open(".cdb", [](std::string& b) { b.resize(10); }), -1) << "first record unreadable";
  EXPECT_EQ(open(".cdx", [](std::string& b) { fixture::PutU32(b, 4, 0x40000000); }), -1)
      << "record count beyond the index";
}

TEST(EditionOpen, BothPageIndexForms) {
  for (bool newForm : {false, true}) {
    TempDir dir;
    fixture::Edition e = Sample();
    e.newPageIndex = newForm;
    fixture::Write(dir / "ed", e);
    Handle h;
    EXPECT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0) << newForm;
    // A page index that claims more entries than it holds is damaged.
    std::string cdp = fixture::ReadFile(dir / "ed.cdp");
    fixture::PutU16(cdp, 4, 0xFFFF);
    fixture::WriteFile(dir / "ed.cdp", cdp);
    Handle damaged;
    EXPECT_EQ(ZRT_Open(damaged, (dir / "ed").c_str(), nullptr), -1) << newForm;
  }
}

TEST(EditionOpen, FieldListLimit) {
  TempDir dir;
  fixture::Edition e = Sample();
  // 255 one-letter fields fit the 1024 bytes that are read of a description.
  e.title = "T";
  e.shortName = e.copyright = "";
  e.fields.assign(254, {"X", 1});
  e.fields.push_back({"Z", 2});
  e.records = {{{{255, "last field"}}, false}};
  e.words.clear();
  fixture::Write(dir / "ed", e);
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_GetFieldCount(h), 255);
  EXPECT_EQ(Text(ZRT_GetDataBySrcNo(h, 255)), "last field");
  EXPECT_EQ(ZRT_GetSrcNoByField(h, "Z"), 255);
  EXPECT_EQ(ZRT_GetSrcNoByField(h, "x"), 1);
  ZRT_Close(h);

  e.fields.push_back({"Y", 1});
  fixture::Write(dir / "ed", e);
  EXPECT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), -1);
}

TEST(EditionOpen, ShiftedNumberingSkipsEleven) {
  TempDir dir;
  fixture::Edition e;
  for (int i = 1; i <= 16; ++i) {
    std::string name = i == 11 ? "KW" : i == 14 ? "IPC" : "F" + std::to_string(i);
    e.fields.push_back({name, static_cast<uint8_t>(i == 14 ? 15 : i)});
  }
  e.records = {{{{12, "keywords"}, {10, "tenth"}}, false}};
  fixture::Write(dir / "ed", e);
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_GetSrcNoByField(h, "KW"), 12);
  EXPECT_EQ(ZRT_GetSrcNoByField(h, "F10"), 10);
  EXPECT_EQ(ZRT_GetSrcNoByField(h, "IPC"), 15);
  EXPECT_EQ(Text(ZRT_GetFieldByNo(h, 12)), "KW");
  EXPECT_EQ(Text(ZRT_GetFieldByNo(h, 15)), "IPC");
  EXPECT_EQ(Text(ZRT_GetDataByNo(h, 12)), "keywords");
  EXPECT_EQ(Text(ZRT_GetFieldByNo(h, 17)), "F16");  // 17 stands for the sixteenth field
  EXPECT_EQ(ZRT_GetFieldByNo(h, 18), nullptr);
  ZRT_Close(h);

  e.fields[13].group = 14;  // not the IPC of group 15: plain numbering
  fixture::Write(dir / "ed", e);
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_GetSrcNoByField(h, "KW"), 11);
}

// A record whose entries or text area do not fit is refused, not read past its buffer.
TEST(RecordRead, RejectsRecordsThatDoNotFit) {
  TempDir dir;
  fixture::Edition e = Sample();
  e.records.push_back({{{2, std::string(9990, 'x')}, {3, std::string(100, 'y')}}, false});
  e.records.push_back({{{2, std::string(9990, 'x')}}, false});
  e.words.clear();
  fixture::Write(dir / "ed", e);
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_GotoRecord(h, 4), -1);
  EXPECT_EQ(ZRT_GotoRecord(h, 5), 0);
  EXPECT_EQ(std::string(ZRT_GetDataBySrcNo(h, 2)).size(), 9990u);

  // Record 2 has four entries; damage the first one's offset, then its length.
  std::string cdb = fixture::ReadFile(dir / "ed.cdb");
  std::string cdx = fixture::ReadFile(dir / "ed.cdx");
  size_t at = 4 + (static_cast<unsigned char>(cdx[12]) | static_cast<unsigned char>(cdx[13]) << 8);
  ASSERT_EQ(static_cast<unsigned char>(cdb[at]), 0x84u);  // flag set, four entries
  for (auto [offset, length] : {std::pair<uint16_t, uint16_t>{0xFFF0, 4}, {0, 0}}) {
    std::string damaged = cdb;
    fixture::PutU16(damaged, at + 2, offset);
    fixture::PutU16(damaged, at + 4, length);
    fixture::WriteFile(dir / "ed.cdb", damaged);
    Handle other;
    ASSERT_EQ(ZRT_Open(other, (dir / "ed").c_str(), nullptr), 0);
    EXPECT_EQ(ZRT_GotoRecord(other, 2), -1) << offset << " " << length;
    EXPECT_EQ(ZRT_GotoRecord(other, 3), 0);
  }
}

// Media files are found by the document identifier, transliterated into a path below a
// folder named after the data file.
TEST(Multimedia, FindsFilesByIdentifier) {
  TempDir dir;
  fixture::Edition e;
  e.fields = {{"ID", 1}, {"CB", 2}, {"NA", 3}, {"TI", 4}};
  e.records = {
      {{{1, Ansi("ЖБ-96.05-12В3")}}, false},
      {{{2, "AB-12"}, {3, "345"}}, false},
      {{{1, "x-orvant/pic"}}, false},
      {{{1, "K-(2)"}}, false},
      {{{2, "AB-12"}}, false},
      {{{1, "Q-1"}}, false},
  };
  fixture::Write(dir / "ABC", e);
  fs::path media = dir / "ABC";
  auto touch = [&](const std::string& rel) {
    fs::create_directories((media / rel).parent_path());
    fixture::WriteFile((media / rel).string(), "x");
  };
  touch("zhb/96/05/12v3.wav");
  touch("zhb/96/05/12v3.mid");
  touch("zhb/96/05/12v3.mov");
  touch("ab/345.jpg.1");
  touch("ab/345.jpg.2");
  touch("ab/345.png");
  touch("x/pic.gif");
  touch("k.jpeg");
  touch("q/1.jpg.1");
  touch("q/1.jpg.3");

  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "ABC").c_str(), nullptr), 0);
  const std::string base = (media / "").string();
  auto in = [&](const char* rel) { return *rel ? base + rel : std::string(); };
  const struct {
    const char* why;
    const char *sound, *video, *picture;
    int pictures;
  } cases[] = {
      {"transliterated identifier", "zhb/96/05/12v3.wav", "zhb/96/05/12v3.mov", "", 0},
      {"CB with NA", "", "", "ab/345.jpg", 2},
      {"orvant/ is dropped", "", "", "x/pic.gif", 1},
      {"cut before /(", "", "", "k.jpeg", 1},
      {"CB without NA and no ID: no media", "", "", "", 0},
      {"numbering stops at the first gap", "", "", "q/1.jpg", 1},
  };
  for (int32_t record = 1; record <= 6; ++record) {
    const auto& c = cases[record - 1];
    SCOPED_TRACE(c.why);
    ASSERT_EQ(ZRT_GotoRecord(h, record), 0);
    EXPECT_EQ(Text(ZRT_GetDatSound(h)), in(c.sound));
    EXPECT_EQ(Text(ZRT_GetDatVideo(h)), in(c.video));
    EXPECT_EQ(ZRT_GetDatPictureCount(h), c.pictures);
    EXPECT_EQ(Text(ZRT_GetDatPicture(h)), in(c.picture));
  }
}

// Random truncations and byte flips of each file: the open and every record read either
// succeed or fail cleanly; the sanitizer build turns any overrun into a failure.
TEST(Corruption, DamagedFilesNeverCrash) {
  TempDir dir;
  fixture::Edition e = Sample();
  e.contents = {{"1", "One"}, {"1.1", "One one"}, {"2", "Two"}};
  fixture::Write(dir / "good", e);
  std::mt19937 rng(12345);
  const char* exts[] = {".cdo", ".cdx", ".cdb", ".cdp", ".cdd", ".cdh", ".cdj"};
  for (int round = 0; round < 350; ++round) {
    for (const char* ext : exts)
      fs::copy_file(dir / ("good" + std::string(ext)), dir / ("bad" + std::string(ext)),
                    fs::copy_options::overwrite_existing);
    std::string victim = dir / ("bad" + std::string(exts[round % 7]));
    std::string bytes = fixture::ReadFile(victim);
    if (round % 3 == 0) {
      bytes.resize(rng() % (bytes.size() + 1));
    } else {
      for (int flips = 1 + rng() % 4; flips > 0 && !bytes.empty(); --flips)
        bytes[rng() % bytes.size()] = static_cast<char>(rng());
    }
    fixture::WriteFile(victim, bytes);
    Handle h;
    if (ZRT_Open(h, (dir / "bad").c_str(), nullptr) != 0) continue;
    for (int32_t n = 0; n <= ZRT_GetNumRecords(h) + 1; ++n) {
      if (ZRT_GotoRecord(h, n) != 0) continue;
      for (int f = 0; f <= ZRT_GetFieldCount(h) + 1; ++f) {
        const char* text = ZRT_GetDataByNo(h, static_cast<uint8_t>(f));
        if (text) (void)std::string(text).size();
      }
    }
    if (ORTree* tree = ZRT_GetOgl(h)) {
      ORTreeItem item;
      ORTree_First(tree);
      for (int i = 0; i < 1000 && ORTree_Next(tree, &item); ++i) {
      }
    }
  }
}

// An edition presented through a descriptor: defined fields computed from the store's.
TEST(Descriptor, DefinedFieldsThroughTheHandle) {
  TempDir dir;
  fixture::Edition e = Sample();
  fixture::Write(dir / "abc", e);
  fixture::WriteFile(dir / "abc_001.cdw",
                     "database enamed\n"
                     "TI(Title) = TI | AB\n"
                     "AU = AU &'; ' KW\n"
                     "PY = BOUND('(', PY, ')')\n"
                     "\t| 'none'\n");
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "abc_001").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_GetFieldCount(h), 3);
  EXPECT_EQ(ZRT_GetNoByField(h, "ti"), 1);
  EXPECT_EQ(ZRT_GetNoByField(h, "KW"), 0);  // a store field that is not defined
  EXPECT_EQ(ZRT_GetSrcNoByField(h, "KW"), 4);
  EXPECT_EQ(Text(ZRT_GetFieldByNo(h, 1)), "TI");
  EXPECT_EQ(ZRT_GetFieldByNo(h, 4), nullptr);
  EXPECT_EQ(Text(ZRT_GetAliasFieldName(h, 0)), "Title");
  EXPECT_EQ(Text(ZRT_GetAliasFieldName(h, 1)), "AU");
  EXPECT_EQ(Text(ZRT_GetDataByNo(h, 3)), "(1995)");
  ASSERT_EQ(ZRT_GotoRecord(h, 2), 0);
  EXPECT_EQ(Text(ZRT_GetDataByNo(h, 1)), "Second document");
  EXPECT_EQ(Text(ZRT_GetDataByNo(h, 2)), Ansi("ключ; слово"));  // no AU: no separator
  EXPECT_EQ(Text(ZRT_GetDataByNo(h, 3)), "none");
  ASSERT_EQ(ZRT_GotoRecord(h, 3), 0);
  EXPECT_EQ(Text(ZRT_GetDataByNo(h, 1)), Ansi("Третий"));
  uint8_t numbers[ZRT_FNUMS_MAX];
  ASSERT_EQ(ZRT_GetFNumsB(h, "AU", numbers), 2);
  EXPECT_EQ(numbers[0], 3);
  EXPECT_EQ(numbers[1], 4);
  ASSERT_EQ(ZRT_GetFNumsB(h, "KW", numbers), 1);  // not defined: the store's field
  EXPECT_EQ(numbers[0], 4);
  ZRT_Close(h);

  // A definition naming a field the store lacks fails the open, and closes everything.
  fixture::WriteFile(dir / "abc_001.cdw", "database enamed\nTI = NOPE\n");
  EXPECT_EQ(ZRT_Open(h, (dir / "abc_001").c_str(), nullptr), -1);
  EXPECT_EQ(ZRT_IsOpen(h), 0);
  fixture::WriteFile(dir / "abc_001.cdw", "no database line\n");
  EXPECT_EQ(ZRT_Open(h, (dir / "abc_001").c_str(), nullptr), -1);
  // A store named by its path.
  fixture::WriteFile(dir / "view.cdw", "database " + (dir / "abc") + "\nT = TI\n");
  ASSERT_EQ(ZRT_Open(h, (dir / "view").c_str(), nullptr), 0);
  EXPECT_EQ(Text(ZRT_GetDataByNo(h, 1)), Ansi("Первый документ"));
}

// Each failing call sets the error state it documents; the next call that succeeds
// clears it. Offsets are those of the composed query text.
TEST(Errors, EveryFailureSaysWhy) {
  TempDir dir;
  fixture::Write(dir / "ed", Sample());
  Handle h;
  ASSERT_EQ(ZRT_Open(h, (dir / "missing").c_str(), nullptr), -1);
  EXPECT_EQ(ZRT_ErrCode(h), ZRT_ERR_NOTFOUND);
  EXPECT_NE(std::string(ZRT_ErrMsg(h)).find("missing"), std::string::npos) << ZRT_ErrMsg(h);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.lck")) << "a failed open left a lock file";
  ASSERT_EQ(ZRT_Open(h, (dir / "ed").c_str(), nullptr), 0);
  EXPECT_EQ(ZRT_ErrCode(h), ZRT_OK);
  EXPECT_STREQ(ZRT_ErrMsg(h), "");

  struct Case {
    const char* query;
    int code;
    int32_t offset;
  } cases[] = {
      {"(first", ZRT_ERR_SYNTAX, 6},      {"first )", ZRT_ERR_SYNTAX, 6},
      {"first AND", ZRT_ERR_SYNTAX, 9},   {"first IN XX", ZRT_ERR_SYNTAX, 9},
      {"first IN ,", ZRT_ERR_SYNTAX, 9},  {"'first", ZRT_ERR_SYNTAX, 0},
      {"first OR (", ZRT_ERR_SYNTAX, 10}, {"", ZRT_ERR_ARGUMENT, -1},
      {"first", ZRT_OK, -1},
  };
  for (const Case& c : cases) {
    ZRT_SetQueryByString(h, c.query, 0, nullptr, nullptr, nullptr);
    EXPECT_EQ(ZRT_ErrCode(h), c.code) << c.query;
    EXPECT_EQ(ZRT_ErrOffset(h), c.offset) << c.query;
  }
  EXPECT_EQ(ZRT_GotoRecord(h, 99), -1);
  EXPECT_EQ(ZRT_ErrCode(h), ZRT_ERR_ARGUMENT);
  EXPECT_EQ(ZRT_GetNumRecords(h), 3);  // an accessor leaves the state alone
  EXPECT_EQ(ZRT_ErrCode(h), ZRT_ERR_ARGUMENT);
  EXPECT_EQ(ZRT_TxtWrite(h, -1, "", 1, nullptr, 0), -1);  // a write that fails is no success
  EXPECT_EQ(ZRT_ErrCode(h), ZRT_ERR_IO);

  // Calls without a handle report on the calling thread's state.
  EXPECT_EQ(ZRTStop_build((dir / "no-stop-list").c_str()), 0);
  EXPECT_EQ(ZRT_ErrCode(nullptr), ZRT_ERR_NOTFOUND);
  EXPECT_EQ(ZRT_OpenFile((dir / "no/such/folder").c_str(), 0, 0), -1);
  EXPECT_EQ(ZRT_ErrCode(nullptr), ZRT_ERR_IO);
  EXPECT_EQ(ZRT_ErrCode(h), ZRT_ERR_IO);  // the handle's own state is separate
}

}  // namespace
