// A record as zrt show and zrt search --show print it.
#pragma once

#include <cstdint>
#include <string>

#include "edition_arg.h"

namespace zrt::cli {

// Prints "Record N of M" and the current record's fields by display name, continuation
// lines indented under the value, then its multimedia files. With `marks` (the last
// query's word list) the query's words are marked: in colour on a terminal, else in
// [[ ]].
void PrintRecord(EngineHandle* h, int32_t n, CWordOpCode* marks);

}  // namespace zrt::cli
