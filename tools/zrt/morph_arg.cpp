#include "morph_arg.h"

#include <cstdlib>
#include <filesystem>

namespace zrt::cli {

static std::string DefaultDictionary() {
  if (const char* env = std::getenv("ZRT_MORPH_DICT"); env != nullptr && *env) return env;
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "russian.dz";
  // An installed zrt (bin/) keeps it in the front end's configuration folder; one in the
  // build tree (build/tools/zrt/) finds the one the build made.
  const std::filesystem::path installed =
      exe.parent_path().parent_path() / "share" / "tolvar" / "config" / "russian.dz";
  if (std::filesystem::is_regular_file(installed, ec)) return installed.string();
  return (exe.parent_path().parent_path().parent_path() / "morph" / "russian.dz").string();
}

bool OpenMorphDictionary(const Args& args, DZContext* ctx) {
  const std::string path = args.Get("dict", DefaultDictionary());
  if (DZInit(path.c_str(), ctx) != 0) {
    Fail("cannot open the morphology dictionary " + path +
         " (scripts/demo.sh or 'cmake --build build --target morph_dict' builds it; --dict names "
         "another)");
    return false;
  }
  return true;
}

int MorphFlags(const Args& args) {
  return (args.Has("compress") ? DZ_FLAG_COMPRESS : 0) | (args.Has("bars") ? DZ_FLAG_BARS : 0);
}

}  // namespace zrt::cli
