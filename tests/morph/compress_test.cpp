// Compression of sorted forms into truncated terms, through the exported DZCompress.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "morph_test_util.h"
#include "zrteng.h"

using namespace morphtest;  // NOLINT: the tests' own helpers

namespace {

std::vector<std::string> Compress(std::initializer_list<const char*> forms, int minLength = 1) {
  std::vector<std::array<char, DZ_FORM_SIZE>> buf(forms.size());
  size_t i = 0;
  for (const char* f : forms) {
    std::string w = W(f);
    std::memcpy(buf[i].data(), w.c_str(), w.size() + 1);
    ++i;
  }
  DZCompress(reinterpret_cast<char(*)[DZ_FORM_SIZE]>(buf.data()->data()), static_cast<int>(buf.size()), minLength);
  std::vector<std::string> out;
  for (auto& b : buf) out.push_back(U(b.data()));
  return out;
}

using V = std::vector<std::string>;

TEST(Compress, SharedPrefixBecomesATruncatedTerm) {
  EXPECT_EQ(Compress({"нефти", "нефть", "нефтью"}), (V{"нефт$2", "-", "-"}));
  // The first form is the shared prefix itself: it keeps its text and gains "$e".
  EXPECT_EQ(Compress({"стол", "стола", "столами"}), (V{"стол$3", "-", "-"}));
}

TEST(Compress, ShortSharedPrefixSplitsIntoGroups) {
  // "ст" is shared by all (k = 3): the list splits into groups agreeing in 3 bytes.
  EXPECT_EQ(Compress({"стол", "стола", "стул", "стула"}), (V{"стол$1", "-", "стул$1", "-"}));
  // A group of one stays as it is.
  EXPECT_EQ(Compress({"дом", "дома", "кот"}), (V{"дом$1", "-", "кот"}));
  EXPECT_EQ(Compress({"стол", "стула"}), (V{"стол", "стула"}));
  EXPECT_EQ(Compress({"а", "б"}), (V{"а", "б"}));
}

TEST(Compress, EqualFormsAndSingleForms) {
  EXPECT_EQ(Compress({"стол", "стол", "стол"}), (V{"стол", "-", "-"}));
  EXPECT_EQ(Compress({"стол"}), (V{"стол"}));
  DZCompress(nullptr, 3, 1);  // no list: nothing happens
}

TEST(Compress, MoreThanNineFurtherBytesGiveABareTruncation) {
  // A digit cannot say 10: a bare "$" still finds every form.
  EXPECT_EQ(Compress({"стол", "столоверчениями"}), (V{"стол$", "-"}));
  EXPECT_EQ(Compress({"перевод", "переводчиками", "переводчица"}), (V{"перевод$6", "-", "-"}));
}

TEST(Compress, MinimumLengthStartsTheSearch) {
  // With a minimum of 2 the first byte is taken as shared even where it differs.
  EXPECT_EQ(Compress({"стола", "столу"}, 5), (V{"стол$1", "-"}));
  EXPECT_EQ(Compress({"астол", "бстол"}, 2), (V{"астол", "-"}));
}

}  // namespace
