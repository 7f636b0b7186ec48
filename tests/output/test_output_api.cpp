// The exported converters and form expander.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zrteng.h"

extern "C" int32_t ExpandFromC(const char* form, char* out);
extern "C" char* RtfFromC(char* out, const char* in);

namespace {

TEST(OutputApi, ConvertersWriteWithinTheStatedRoom) {
  const std::string in =
      "H{2}O _\xDE"
      "x_\xFE \\ <&> __";
  const size_t n = in.size();
  const char kGuard = '\x11';
  std::vector<char> txt(6 * n + 1 + 8, kGuard), html(17 * n + 1 + 8, kGuard),
      rtf(10 * n + 1 + 8, kGuard);
  EXPECT_EQ(OrvToTxt(txt.data(), in.c_str()), txt.data());
  EXPECT_EQ(OrvToHtml(html.data(), in.c_str()), html.data());
  EXPECT_EQ(RtfFromC(rtf.data(), in.c_str()), rtf.data());
  EXPECT_STREQ(txt.data(), "H{2}O '=>'x \\ <&> _");
  EXPECT_STREQ(html.data(),
               "H<SUP>2</SUP>O <B>x</B> \\ &lt;&amp;&gt; <FONT FACE=\"Symbol\">&#95;</FONT>");
  EXPECT_STREQ(rtf.data(), "H{\\super 2}O {\\b x} \\'5c <&> {\\f2\\lang1033 \\'5f}");
  for (auto* buf : {&txt, &html, &rtf})
    for (size_t i = buf->size() - 8; i < buf->size(); ++i) EXPECT_EQ((*buf)[i], kGuard);
  char empty[4] = "zzz";
  EXPECT_STREQ(OrvToRtf(empty, ""), "");
  EXPECT_STREQ(OrvToTxt(empty, nullptr), "");
  EXPECT_EQ(OrvToHtml(nullptr, "x"), nullptr);
}

TEST(OutputApi, FormFromC) {
  std::vector<char> out(ZRT_FORM_ROOM);
  EXPECT_EQ(ExpandFromC("<$*rec_TI*|${for(1,3,1)}$*dbs_rno(_LV0)*,${}>", out.data()), 17);
  EXPECT_STREQ(out.data(), "<Title|10,20,30,>");
}

TEST(OutputApi, FormArgumentsAreChecked) {
  char out[16];
  int32_t loops[ZRT_FORM_LOOPS] = {};
  EXPECT_EQ(PParseForm(nullptr, 0, 5, out, nullptr, loops, -1, nullptr), 0);
  EXPECT_EQ(PParseForm("abc", 0, 3, nullptr, nullptr, loops, -1, nullptr), 0);
  EXPECT_EQ(PParseForm("abc", -1, 3, out, nullptr, loops, -1, nullptr), 0);
  EXPECT_EQ(PParseForm("abc", 2, 1, out, nullptr, loops, -1, nullptr), 0);
  // An end past the text's NUL reads no further than the NUL.
  EXPECT_EQ(PParseForm("ab\0$*1*", 0, 7, out, nullptr, loops, -1, nullptr), 2);
  EXPECT_EQ(PParseForm("ab$*2*", 1, 6, out, nullptr, nullptr, -1, nullptr), 2);
  EXPECT_EQ(std::string(out, 2), "b2");
}

TEST(OutputApi, FormOutputStopsBeforeTheRoom) {
  std::vector<char> out(ZRT_FORM_ROOM + 1, '\x22');
  int32_t loops[ZRT_FORM_LOOPS] = {};
  const char* form = "${for(1,1000000,1)}0123456789${}";
  int32_t n = PParseForm(form, 0, static_cast<int32_t>(strlen(form)), out.data(), nullptr, loops,
                         -1, nullptr);
  EXPECT_EQ(n, ZRT_FORM_ROOM - 1);
  EXPECT_EQ(out[ZRT_FORM_ROOM - 1], '\x22');
  EXPECT_EQ(out[ZRT_FORM_ROOM], '\x22');
}

}  // namespace
