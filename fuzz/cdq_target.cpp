// The query-file (.cdq) reader of the front end, and the writer on what it read: a file
// that reads back must write out again without a fault.
#include <cstddef>
#include <cstdint>

#include "query_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto state = tolvar::ReadQueryFile(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  if (state) (void)tolvar::WriteQueryFile(*state);
  return 0;
}
