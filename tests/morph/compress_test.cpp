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

TEST(Compress, FormsBecomeTruncatedTerms) {
  const struct {
    std::initializer_list<const char*> forms;
    int minLength;
    V want;
  } cases[] = {
      {{"нефти", "нефть", "нефтью"}, 1, {"нефт$2", "-", "-"}},
      // The first form is the shared prefix itself: it keeps its text and gains "$e".
      {{"стол", "стола", "столами"}, 1, {"стол$3", "-", "-"}},
      // "ст" is shared by all (k = 3): the list splits into groups agreeing in 3 bytes.
      {{"стол", "стола", "стул", "стула"}, 1, {"стол$1", "-", "стул$1", "-"}},
      // A group of one stays as it is.
      {{"дом", "дома", "кот"}, 1, {"дом$1", "-", "кот"}},
      {{"стол", "стула"}, 1, {"стол", "стула"}},
      {{"а", "б"}, 1, {"а", "б"}},
      {{"стол", "стол", "стол"}, 1, {"стол", "-", "-"}},
      {{"стол"}, 1, {"стол"}},
      // A digit cannot say 10: a bare "$" still finds every form.
      {{"стол", "столоверчениями"}, 1, {"стол$", "-"}},
      {{"перевод", "переводчиками", "переводчица"}, 1, {"перевод$6", "-", "-"}},
      // With a minimum of 2 the first byte is taken as shared even where it differs.
      {{"стола", "столу"}, 5, {"стол$1", "-"}},
      {{"астол", "бстол"}, 2, {"астол", "-"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Compress(c.forms, c.minLength), c.want) << *c.forms.begin();
  DZCompress(nullptr, 3, 1);  // no list: nothing happens
}

}  // namespace
