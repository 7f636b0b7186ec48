#include "text/qparams.h"

namespace zrt {

QueryParams& GlobalQueryParams() {
  static QueryParams params;
  return params;
}

}  // namespace zrt
