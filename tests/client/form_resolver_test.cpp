// A document view extends the form resolver: its own names and settings come first, the
// names it does not know fall back on the client's.
#include "client/form_resolver.h"

#include <gtest/gtest.h>

#include <string>

#include "fixture/scratch.h"

namespace {

class MarkingView : public zrt::client::FormResolver {
 public:
  using FormResolver::FormResolver;

 protected:
  std::optional<zrt::client::FormValue> Lookup(std::string_view name, const intptr_t* args,
                                               int32_t count) override {
    if (name == "view_title") return zrt::client::FormValue::Text("T");
    return FormResolver::Lookup(name, args, count);
  }
  std::string FontFace() const override { return "Arial"; }
  bool Marked(int32_t position) const override { return position % 2 == 0; }
};

TEST(FormResolver, DerivedNamesAndSettingsComeFirst) {
  fixture::Handle h;
  ASSERT_EQ(ZRT_Open(h, ZRT_BINARY_DIR "/demo/demo", nullptr), 0) << ZRT_ErrMsg(h);
  zrt::client::DocSelection selection;
  std::string error;
  ASSERT_TRUE(selection.Choose(h, std::nullopt, std::string("2-4"), &error)) << error;
  MarkingView view(h, &selection);
  const std::string form =
      "$*view_title* $*env_fname* $*dbs_fnd*"
      "${for(env_istart, env_istart + env_icount - 1, 1)}$*dbs_go(_LV0)*"
      "[$*dbs_rno(_LV0)*$@dbs_mark(_LV0)@m$@@]${}";
  EXPECT_EQ(view.Expand(form, selection.first(), selection.count()), "T Arial 12[2m][3][4m]");
}

}  // namespace
