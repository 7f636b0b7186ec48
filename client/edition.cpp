#include "client/edition.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "client/text.h"

namespace zrt::client {

bool OpenedEdition::Open(const std::string& path, std::string* error) {
  if (std::filesystem::is_directory(path)) {
    *error = path + ": is a folder; name an edition's base path or one of its files";
    return false;
  }
  if (ZRT_Open(&handle_, path.c_str(), nullptr) == 0) return true;
  const std::string why = ErrorMessage(&handle_);
  *error = "cannot open edition " + path + (why.empty() ? "" : ": " + why);
  return false;
}

std::string ErrorMessage(EngineHandle* h) { return Utf8(ZRT_ErrMsg(h)); }

std::string QueryFailure(EngineHandle* h) {
  const std::string why = ErrorMessage(h);
  const bool syntax = ZRT_ErrCode(h) == ZRT_ERR_SYNTAX;
  std::string message =
      "the query failed" + (why.empty() ? std::string() : (syntax ? ": syntax: " : ": ") + why);
  if (!syntax) return message;
  // Windows-1251 has one byte a character, so the offset is the caret's column once
  // blanks of every kind show as one space.
  std::string shown = ZRT_GetQueryText(h);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  size_t at = std::min(static_cast<size_t>(std::max(ZRT_ErrOffset(h), 0)), shown.size());
  return message + "\n  " + ToUtf8(shown) + "\n  " + std::string(at, ' ') + "^";
}

const char* FieldByCode(EngineHandle* h, const char* code, uint8_t* number) {
  if ((*number = ZRT_GetNoByField(h, code)) != 0) return ZRT_GetDataByNo(h, *number);
  if ((*number = ZRT_GetSrcNoByField(h, code)) != 0) return ZRT_GetDataBySrcNo(h, *number);
  return nullptr;
}

namespace {
int64_t Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

void QueryDeadline::Arm(EngineHandle* h, double seconds) {
  handle_ = h;
  seconds_ = seconds;
  start_ = Now();
  expired_ = false;
}

void QueryDeadline::Progress(int32_t, int32_t, int32_t, const char*) {
  if (seconds_ <= 0 || static_cast<double>(Now() - start_) < seconds_ * 1e9) return;
  expired_ = true;
  ZRT_StopQuery(handle_);
}

}  // namespace zrt::client
