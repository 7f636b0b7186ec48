// The export writers through the C interface, as the export dialog drives them: open a
// file, go to each record, write it, close the file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "fixture/fixture_writer.h"
#include "fixture/scratch.h"
#include "zrteng.h"

namespace {

namespace fs = std::filesystem;
using fixture::Ansi;
using fixture::ToOem;

class ExportAbiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fixture::Edition e;
    e.fields = {{"TI", 1}, {"AU", 2}};
    e.records = {{{{1, "First"}, {2, Ansi("Петров")}}, false}, {{{1, "Second"}}, false}};
    e.words = fixture::SimpleWords(e);
    fixture::Write(path("ed"), e);
  }
  std::string path(const std::string& name) const { return dir_ / name; }

  fixture::TempDir dir_{"zrt_export_abi"};
  fixture::Handle h_;
};

TEST_F(ExportAbiTest, WritersAppendToTheOpenedFile) {
  ASSERT_EQ(ZRT_Open(h_, path("ed").c_str(), nullptr), 0);
  int fd = ZRT_OpenFile(path("out.txt").c_str(), O_CREAT | O_TRUNC | O_RDWR, 0644);
  ASSERT_GE(fd, 0);
  for (int32_t n = 1; n <= ZRT_GetNumRecords(h_); ++n) {
    ASSERT_EQ(ZRT_GotoRecord(h_, n), 0);
    std::string header = "*** Document " + std::to_string(n) + " from 2 ***";
    EXPECT_EQ(ZRT_TxtWrite(h_, fd, header.c_str(), 1, nullptr, 1), 0);
    EXPECT_EQ(ZRT_CsvWrite(h_, fd, "^", "AU TI", 1), 0);
    EXPECT_EQ(ZRT_IsoWrite(h_, fd, "TI"), 0);
  }
  EXPECT_EQ(ZRT_CloseFile(fd), 0);
  EXPECT_EQ(fixture::ReadFile(path("out.txt")),
            "*** Document 1 from 2 ***\r\nTI       First\r\nAU       " + ToOem(Ansi("Петров")) +
                "\r\n\r\n" + ToOem(Ansi("Петров")) + "^First\r\n" + "000440000000000370004500" +
                "001000600000\x1E" + "First\x1E\x1D\r\n" +
                "*** Document 2 from 2 ***\r\nTI       Second\r\n\r\n" + "^Second\r\n" +
                "000450000000000370004500" + "001000700000\x1E" + "Second\x1E\x1D\r\n");
}

TEST_F(ExportAbiTest, ClosedEditionWritesNothing) {
  int fd = ZRT_OpenFile(path("empty.txt").c_str(), O_CREAT | O_TRUNC | O_RDWR, 0644);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(ZRT_TxtWrite(h_, fd, "header", 1, nullptr, 1), 0);
  EXPECT_EQ(ZRT_CsvWrite(h_, fd, nullptr, nullptr, 1), 0);
  EXPECT_EQ(ZRT_IsoWrite(nullptr, fd, nullptr), 0);
  EXPECT_EQ(ZRT_CloseFile(fd), 0);
  EXPECT_EQ(fs::file_size(path("empty.txt")), 0u);
  EXPECT_EQ(ZRT_OpenFile(path("no/such/dir/file").c_str(), O_RDONLY, 0), -1);
  EXPECT_EQ(ZRT_OpenFile(nullptr, O_RDONLY, 0), -1);
}

}  // namespace
