#include "query_failure.h"

#include <algorithm>

#include "cp1251.h"

namespace zrt::cli {

std::string QueryFailure(EngineHandle* h) {
  const std::string why = ZRT_ErrMsg(h);
  const bool syntax = ZRT_ErrCode(h) == ZRT_ERR_SYNTAX;
  std::string message = "the query failed" +
                        (why.empty() ? std::string() : (syntax ? ": syntax: " : ": ") + ToUtf8(why));
  if (!syntax) return message;
  // Windows-1251 has one byte a character, so the offset is the caret's column once
  // blanks of every kind show as one space.
  std::string shown = ZRT_GetQueryText(h);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  size_t at = std::min(static_cast<size_t>(std::max(ZRT_ErrOffset(h), 0)), shown.size());
  return message + "\n  " + ToUtf8(shown) + "\n  " + std::string(at, ' ') + "^";
}

}  // namespace zrt::cli
