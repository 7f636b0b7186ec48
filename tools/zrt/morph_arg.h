// The morphology dictionary for the zrt subcommands that need one: --dict PATH, else
// $ZRT_MORPH_DICT, else the dictionary the build made beside this program
// (<build>/morph/russian.dz).
#pragma once

#include <string>

#include "command.h"
#include "zrteng.h"

namespace zrt::cli {

// Opens the dictionary into ctx; on failure prints why and returns false.
bool OpenMorphDictionary(const Args& args, DZContext* ctx);

// The DZ_FLAG_* bits named by --compress and --bars.
int MorphFlags(const Args& args);

}  // namespace zrt::cli
