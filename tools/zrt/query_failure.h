// Why a query given on the command line failed, in the same words for every command.
#pragma once

#include <string>

#include "zrteng.h"

namespace zrt::cli {

// After ZRT_SetQueryByString failed on h: "the query failed: " and the engine's reason;
// for a syntax error also the query as it was parsed (with its limits) and a caret
// under the place where the parsing stopped.
std::string QueryFailure(EngineHandle* h);

}  // namespace zrt::cli
