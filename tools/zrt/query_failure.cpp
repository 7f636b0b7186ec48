#include "query_failure.h"

#include "cp1251.h"
#include "edition/edition.h"

namespace zrt::cli {

std::string QueryFailure(EngineHandle* h) {
  if (!h->edition) return "the query failed";
  const zrt::QueryState& q = h->edition->query();
  const std::string& why = q.lastError.message();
  std::string message = "the query failed" + (why.empty() ? std::string() : ": " + ToUtf8(why));
  if (why.rfind("syntax", 0) != 0) return message;
  // Windows-1251 has one byte a character, so the offset is the caret's column once
  // blanks of every kind show as one space.
  std::string shown = q.text;
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  size_t at = std::min(q.stoppedAt, shown.size());
  return message + "\n  " + ToUtf8(shown) + "\n  " + std::string(at, ' ') + "^";
}

}  // namespace zrt::cli
