// The RTF reader of the front end through its two display-free consumers: the edition's
// text markup and plain text.
#include <cstddef>
#include <cstdint>

#include "rtf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QByteArrayView rtf(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  (void)tolvar::RtfToMarkup(rtf);
  (void)tolvar::RtfToPlainText(rtf);
  return 0;
}
