// Internal result type: says why an operation failed. The C ABI maps any failure
// to -1 or null; the tools print the message.
#pragma once

#include <string>
#include <utility>

namespace zrt {

class Status {
public:
  enum class Code { Ok, NotFound, Corruption, IOError, InvalidArgument, ReadOnly, Limit, Syntax, Internal };

  Status() = default;
  static Status Ok() { return {}; }
  static Status NotFound(std::string m) { return {Code::NotFound, std::move(m)}; }
  static Status Corruption(std::string m) { return {Code::Corruption, std::move(m)}; }
  static Status IOError(std::string m) { return {Code::IOError, std::move(m)}; }
  static Status InvalidArgument(std::string m) { return {Code::InvalidArgument, std::move(m)}; }
  static Status ReadOnly(std::string m) { return {Code::ReadOnly, std::move(m)}; }
  static Status Limit(std::string m) { return {Code::Limit, std::move(m)}; }
  // A fault inside the engine (an exception caught at the C boundary).
  static Status Internal(std::string m) { return {Code::Internal, std::move(m)}; }
  // A query text that does not parse; `offset` is the byte where parsing stopped.
  static Status Syntax(std::string m, size_t offset) {
    Status s(Code::Syntax, std::move(m));
    s.offset_ = static_cast<long long>(offset);
    return s;
  }

  bool ok() const { return code_ == Code::Ok; }
  // The same failure with `context` put before its message ("record 5: ...").
  Status WithContext(const std::string& context) const {
    if (ok()) return *this;
    Status s = *this;
    s.message_ = context + ": " + message_;
    return s;
  }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }
  // Where in the text a syntax error was found; -1 for every other status.
  long long offset() const { return offset_; }

private:
  Status(Code c, std::string m) : code_(c), message_(std::move(m)) {}
  Code code_ = Code::Ok;
  std::string message_;
  long long offset_ = -1;
};

}  // namespace zrt
