// The name/value row table that callers and document sources fill and read. Its layout
// is the caller's (ZRT_RowTable in zrteng.h).
#pragma once

#include "zrteng.h"

namespace zrt {

// Copies name and value into the table's text area after the texts placed so far. The
// text position is one for the whole library, as callers of this table have always
// filled one table completely (after a reset) before the next. 0, or -1 when the table
// is full or a text does not fit.
int AddRow(ZRT_RowTable* table, const char* name, const char* value, bool reset);
const char* RowByNumber(const ZRT_RowTable* table, int32_t row);
// The value of the first row whose name equals `name` exactly.
const char* RowByName(const ZRT_RowTable* table, const char* name);

}  // namespace zrt
