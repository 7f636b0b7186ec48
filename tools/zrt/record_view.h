// A record as zrt show and zrt search --show print it, and field texts by code.
#pragma once

#include <cstdint>
#include <string>

#include "zrteng.h"

namespace zrt::cli {

// Prints "Record N of M" and the current record's fields by display name, continuation
// lines indented under the value, then its multimedia files. With `marks` (the last
// query's word list) the query's words are marked: in colour on a terminal, else in
// [[ ]].
void PrintRecord(EngineHandle* h, int32_t n, CWordOpCode* marks);

// The current record's text of a field named by its code: a defined field first, then a
// source field. *number gets the number the highlighter wants (0: no such field).
const char* FieldByCode(EngineHandle* h, const char* code, uint8_t* number);

// Text width in characters, not UTF-8 bytes, so that Cyrillic columns line up.
size_t Width(const std::string& utf8);

}  // namespace zrt::cli
