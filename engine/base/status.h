// Internal result type: says why an operation failed. The C ABI maps any failure
// to -1 or null; the tools print the message.
#pragma once

#include <string>
#include <utility>

namespace zrt {

class Status {
public:
  enum class Code { Ok, NotFound, Corruption, IOError, InvalidArgument, ReadOnly, Limit };

  Status() = default;
  static Status Ok() { return {}; }
  static Status NotFound(std::string m) { return {Code::NotFound, std::move(m)}; }
  static Status Corruption(std::string m) { return {Code::Corruption, std::move(m)}; }
  static Status IOError(std::string m) { return {Code::IOError, std::move(m)}; }
  static Status InvalidArgument(std::string m) { return {Code::InvalidArgument, std::move(m)}; }
  static Status ReadOnly(std::string m) { return {Code::ReadOnly, std::move(m)}; }
  static Status Limit(std::string m) { return {Code::Limit, std::move(m)}; }

  bool ok() const { return code_ == Code::Ok; }
  // The same failure with `context` put before its message ("record 5: ...").
  Status WithContext(const std::string& context) const {
    return ok() ? *this : Status(code_, context + ": " + message_);
  }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }

private:
  Status(Code c, std::string m) : code_(c), message_(std::move(m)) {}
  Code code_ = Code::Ok;
  std::string message_;
};

}  // namespace zrt
