#include "core/row_table.h"

#include <cstring>

namespace zrt {

int AddRow(ZRT_RowTable* table, const char* name, const char* value, bool reset) {
  static size_t position = 0;
  if (reset) {
    table->count = 0;
    position = 0;
  }
  size_t nameSize = std::strlen(name) + 1, valueSize = std::strlen(value) + 1;
  if (table->count < 0 || table->count >= ZRT_ROWS_MAX ||
      position + nameSize + valueSize > sizeof table->text)
    return -1;
  char* n = table->text + position;
  std::memcpy(n, name, nameSize);
  position += nameSize;
  char* v = table->text + position;
  std::memcpy(v, value, valueSize);
  position += valueSize;
  table->names[table->count] = n;
  table->values[table->count] = v;
  table->lengths[table->count] = static_cast<int32_t>(valueSize - 1);
  ++table->count;
  return 0;
}

const char* RowByNumber(const ZRT_RowTable* table, int32_t row) {
  return row >= 0 && row < table->count ? table->values[row] : nullptr;
}

const char* RowByName(const ZRT_RowTable* table, const char* name) {
  for (int i = 0; i < table->count; ++i)
    if (std::strcmp(table->names[i], name) == 0) return table->values[i];
  return nullptr;
}

}  // namespace zrt
