// The morphology dictionary for the zrt subcommands that need one: --dict PATH, else
// $ZRT_MORPH_DICT, else the installed one (<prefix>/share/tolvar/config/russian.dz), else
// the dictionary the build made beside this program (<build>/morph/russian.dz).
#pragma once

#include <string>
#include <vector>

#include "command.h"
#include "zrteng.h"

namespace zrt::cli {

// Opens the dictionary into ctx; on failure prints why and returns false.
bool OpenMorphDictionary(const Args& args, DZContext* ctx);

// The DZ_FLAG_* bits named by --compress and --bars.
int MorphFlags(const Args& args);

// --dict, --compress and --bars.
inline const std::vector<Option> kMorphOptions = {
    {"dict", 0, "FILE",
     "the morphology dictionary (default: $ZRT_MORPH_DICT, else the installed one, else the one "
     "the build made)"},
    {"compress", 0, nullptr, "fold forms with a common beginning into truncated words"},
    {"bars", 0, nullptr, "join the forms with \" | \" instead of \" or \""},
};

}  // namespace zrt::cli
