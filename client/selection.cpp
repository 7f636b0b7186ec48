#include "client/selection.h"

#include <algorithm>
#include <charconv>

#include "client/text.h"

namespace zrt::client {
namespace {

bool ParseNumber(const std::string& text, int32_t* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool ParseRecordRange(const std::string& text, int32_t* from, int32_t* to) {
  size_t dash = text.find('-');
  std::string left = text.substr(0, dash);
  std::string right = dash == std::string::npos ? left : text.substr(dash + 1);
  *to = -1;
  return ParseNumber(left, from) && *from >= 1 &&
         ((dash != std::string::npos && right.empty()) || (ParseNumber(right, to) && *to >= *from));
}

bool DocSelection::Choose(EngineHandle* h, const std::optional<std::string>& query,
                          const std::optional<std::string>& range, std::string* error) {
  queryMode_ = query.has_value();
  if (queryMode_) {
    std::string text;
    if (!ToEngineText(*query, &text, error, "--query")) return false;
    if (ZRT_SetQueryByString(h, text.c_str(), 0, nullptr, opcodes_.get(), &QueryDeadline::Progress) != 0) {
      *error = QueryFailure(h);
      return false;
    }
    found_.resize(static_cast<size_t>(ZRT_GetNumFoundRecords(h)));
    found_.resize(
        static_cast<size_t>(ZRT_BuildList(h, found_.data(), static_cast<int32_t>(found_.size()))));
    total_ = static_cast<int32_t>(found_.size());
  } else {
    total_ = ZRT_GetNumRecords(h);
    if (total_ < 0) total_ = 0;
  }
  first_ = 1;
  last_ = total_;
  if (range) {
    int32_t from = 0, to = 0;
    if (!ParseRecordRange(*range, &from, &to)) {
      *error = "--records wants N, N-M or N- with 1 <= N <= M, not '" + *range + "'";
      return false;
    }
    if (from > total_) {
      *error = "--records " + *range + ": " +
               (queryMode_ ? "the query found " : "the edition has ") + std::to_string(total_) +
               " record" + (total_ == 1 ? "" : "s");
      return false;
    }
    first_ = from;
    last_ = to < 0 || to > total_ ? total_ : to;
  }
  return true;
}

void DocSelection::Adopt(bool queryMode, int32_t total, std::vector<int32_t> found, CWordOpCode* opcodes) {
  queryMode_ = queryMode;
  found_ = std::move(found);
  total_ = std::max(0, queryMode ? std::min(total, static_cast<int32_t>(found_.size())) : total);
  first_ = 1;
  last_ = total_;
  adopted_ = opcodes;
}

int32_t DocSelection::RecordAt(int32_t position) const {
  if (position < 1 || position > total_) return -1;
  return queryMode_ ? found_[static_cast<size_t>(position - 1)] : position;
}

}  // namespace zrt::client
