// Reading descriptor files and choosing the record store.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/descriptor.h"
#include "fake_source.h"
#include "fixture/fault_env.h"
#include "fixture/scratch.h"

namespace zrt {
namespace {

class DescriptorFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes, const std::string& name = "ed.cdw") {
    return dir_.Write(name, bytes);
  }
  Status Read(const std::string& bytes) { return ReadDescriptorFile(Write(bytes), &file_); }

  fixture::TempDir dir_{"zrt_desc"};
  DescriptorFile file_;
};

TEST_F(DescriptorFileTest, ExampleDescriptorReadsAndCompiles) {
  ASSERT_TRUE(Read("database named\n"
                   "TI(Title) = TI | AB\n"
                   "AU = AU &'; ' KW\n"
                   "PY = BOUND('(', PY, ')')\n")
                  .ok());
  EXPECT_EQ(file_.storeWord, "named");
  ASSERT_EQ(file_.definitions.size(), 3u);
  EXPECT_EQ(file_.definitions[0], "TI(Title) = TI | AB\n");

  testing::FakeSource src;
  FieldDescriptor fd;
  for (const std::string& d : file_.definitions) ASSERT_TRUE(fd.Compile(d, src).ok()) << d;
  ASSERT_EQ(fd.definitionCount(), 3);
  EXPECT_STREQ(fd.Name(1), "TI");
  EXPECT_STREQ(fd.Alias(1), "Title");
  EXPECT_STREQ(fd.Name(2), "AU");
  EXPECT_EQ(fd.Alias(2), nullptr);
  EXPECT_EQ(fd.NumberByName("ti"), 1);
  EXPECT_EQ(fd.NumberByName("Py"), 3);
  EXPECT_EQ(fd.NumberByName("Title"), 0);  // the alias is not a name
  EXPECT_EQ(fd.Name(0), nullptr);
  EXPECT_EQ(fd.Name(4), nullptr);
}

TEST_F(DescriptorFileTest, ContinuationLinesBlankLinesAndTextModeLineEnds) {
  ASSERT_TRUE(Read("database = = enamed trailing words\r\n"
                   "\r\n"
                   "TI = TI\r\n"
                   "\t| AB\r\n"
                   "   \t \r\n"
                   "  & KW\n"
                   "1X = BOUND('<'\n"
                   ",PY,'>')\n"  // punctuation continues
                   "AU = AU\n"
                   "'tail'\x1A"
                   "KW = garbage after end of file\n")
                  .ok());
  EXPECT_EQ(file_.storeWord, "enamed");
  ASSERT_EQ(file_.definitions.size(), 3u);
  EXPECT_EQ(file_.definitions[0], "TI = TI\n\t| AB\n  & KW\n");
  EXPECT_EQ(file_.definitions[1], "1X = BOUND('<'\n,PY,'>')\n");
  EXPECT_EQ(file_.definitions[2], "AU = AU\n'tail'");

  testing::FakeSource src;
  FieldDescriptor fd;
  ASSERT_TRUE(fd.Compile(file_.definitions[0], src).ok());
  ASSERT_TRUE(fd.Compile(file_.definitions[1], src).ok());
  // "AU 'tail'" leaves text over: continuation lines are part of the expression.
  EXPECT_FALSE(fd.Compile(file_.definitions[2], src).ok());
  src.Set("AB", "a");
  src.Set("KW", "k");
  src.Set("PY", "2001");
  EXPECT_STREQ(fd.Evaluate(1, src), "ak");
  EXPECT_STREQ(fd.Evaluate(2, src), "<2001>");
}

TEST_F(DescriptorFileTest, LongPhysicalLinesAreTakenWhole) {
  // 300 characters on one line: read whole, not cut into pieces that would each count as
  // a line of their own.
  std::string literal(280, 'x');
  literal[259] = 'A';
  ASSERT_TRUE(Read("database named\nTI = TI & '" + literal + "'\n").ok());
  ASSERT_EQ(file_.definitions.size(), 1u);
  testing::FakeSource src;
  FieldDescriptor fd;
  ASSERT_TRUE(fd.Compile(file_.definitions[0], src).ok());
  EXPECT_EQ(std::string(fd.Evaluate(1, src)), literal);
}

TEST_F(DescriptorFileTest, DefinitionLengthLimitIncludesContinuations) {
  // "TI = TI" continued by one long line of blanks and "| AB": `length` characters in all.
  auto definition = [](size_t length) {
    return "TI = TI\n" + std::string(length - 13, ' ') + "| AB\n";
  };
  std::string ok = definition(kMaxDefinitionLength);
  ASSERT_TRUE(Read("database named\n" + ok + "\nAB = AB\n").ok());
  ASSERT_EQ(file_.definitions.size(), 2u);
  EXPECT_EQ(file_.definitions[0].size(), kMaxDefinitionLength);

  Status s = Read("database named\n" + definition(kMaxDefinitionLength + 1) + "\nAB = AB\n");
  EXPECT_EQ(s.code(), Status::Code::Limit) << s.message();
}

TEST_F(DescriptorFileTest, BadFilesFailCleanly) {
  EXPECT_EQ(ReadDescriptorFile(dir_ / "none.cdw", &file_).code(),
            Status::Code::NotFound);
  struct Case {
    const char* bytes;
    Status::Code code;
  } cases[] = {
      {"", Status::Code::Corruption}, {"\n", Status::Code::Corruption}, {"databas", Status::Code::Corruption},
      {"Database named\nTI = TI\n", Status::Code::Corruption},  // exact case
      {" database named\n", Status::Code::Corruption},
      {"database\n", Status::Code::Corruption},         // no store word
      {"database = \r\n", Status::Code::Corruption},    // no store word
      {"database\tnamed\n", Status::Code::Corruption},  // only blanks and "=" are skipped
      {"database named\n  | TI\nTI = TI\n", Status::Code::Corruption},  // continues nothing
  };
  for (const Case& c : cases) {
    Status s = Read(c.bytes);
    EXPECT_EQ(s.code(), c.code) << "bytes: " << c.bytes << " -> " << s.message();
  }
  // A store word alone and no definitions is a descriptor without fields.
  ASSERT_TRUE(Read("databasenamed").ok());
  EXPECT_EQ(file_.storeWord, "named");
  EXPECT_TRUE(file_.definitions.empty());

  // Binary junk must not crash whatever it yields.
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 131 + 7) & 0xFF);
  (void)Read("database named\n" + junk);
  (void)Read(junk);
}

TEST_F(DescriptorFileTest, OversizedFileIsRejected) {
  std::string big = "database named\nTI = TI\n" + std::string(kMaxDescriptorFileSize, '\n');
  EXPECT_EQ(Read(big).code(), Status::Code::Limit);
}

TEST_F(DescriptorFileTest, DescriptorThatExistsButCannotBeReadIsAnError) {
  // Not "no descriptor": the edition would silently show its source fields instead.
  std::string path = Write("database named\nTI = TI\n");
  fixture::FaultEnv env;
  env.unopenable = true;
  Status s = ReadDescriptorFile(path, &file_);
  EXPECT_EQ(s.code(), Status::Code::IOError) << s.message();
}

TEST(StoreName, NamedEnamedAndPath) {
  bool useSuffix = false;
  EXPECT_EQ(ResolveStoreName("named", "/cd/abc_001", "x", &useSuffix), "/cd/abc_001");
  EXPECT_TRUE(useSuffix);

  EXPECT_EQ(ResolveStoreName("enamed", "/cd/abc_001", nullptr, &useSuffix), "/cd/abc");
  EXPECT_FALSE(useSuffix);
  EXPECT_EQ(ResolveStoreName("enamed", "/cd/abc_001.cdw", nullptr, &useSuffix), "/cd/abc");
  EXPECT_EQ(ResolveStoreName("enamed", "/cd/abc_01.cdo", nullptr, &useSuffix), "/cd/abc_01");
  EXPECT_EQ(ResolveStoreName("enamed", "/cd/abc_0001", nullptr, &useSuffix), "/cd/abc_0001");
  EXPECT_EQ(ResolveStoreName("enamed", "/cd/abc", "_002.cdx", &useSuffix), "/cd/abc");
  EXPECT_EQ(ResolveStoreName("enamed", "C:\\cd\\a_b_xyz", nullptr, &useSuffix), "C:/cd/a_b");
  // The underscore must be in the file name, not in a folder name.
  EXPECT_EQ(ResolveStoreName("enamed", "/cd/ab_c/x", nullptr, &useSuffix), "/cd/ab_c/x");
  EXPECT_EQ(ResolveStoreName("enamed", "/cd/_abc", nullptr, &useSuffix), "/cd/");

  EXPECT_EQ(ResolveStoreName("..\\store\\main", "/cd/abc_001", "x", &useSuffix), "../store/main");
  EXPECT_FALSE(useSuffix);
  EXPECT_EQ(ResolveStoreName("Named", "/cd/e", nullptr, &useSuffix), "Named");  // exact words
}

}  // namespace
}  // namespace zrt
