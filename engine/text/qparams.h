// Process-wide query parameters, read by the index lookups and the query parser.
#pragma once

#include <cstdint>

namespace zrt {

struct QueryParams {
  char cutChar = '$';          // truncation character of query words
  int32_t ignorePoint = 0;     // a "." inside a query word is an ordinary character
  int32_t ignoreOperators = 0; // operator symbols are ordinary characters
  int32_t autoCut = 0;         // every query word is matched as a prefix
};

QueryParams& GlobalQueryParams();

}  // namespace zrt
