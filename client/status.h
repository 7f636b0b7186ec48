// Why a client-side step failed: a kind that callers branch on (a malformed record may be
// skipped, a failed read may not) and a message for the user.
#pragma once

#include <string>

namespace zrt::client {

class Status {
 public:
  enum class Code { Ok, NotFound, Corruption, IOError, InvalidArgument, Limit };

  Status() = default;
  static Status Ok() { return {}; }
  static Status NotFound(std::string m) { return {Code::NotFound, std::move(m)}; }
  static Status Corruption(std::string m) { return {Code::Corruption, std::move(m)}; }
  static Status IOError(std::string m) { return {Code::IOError, std::move(m)}; }
  static Status InvalidArgument(std::string m) { return {Code::InvalidArgument, std::move(m)}; }
  static Status Limit(std::string m) { return {Code::Limit, std::move(m)}; }

  bool ok() const { return code_ == Code::Ok; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }
  // The same failure with "context: " before its message.
  Status WithContext(const std::string& context) const {
    return ok() || context.empty() ? *this : Status(code_, context + ": " + message_);
  }

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}
  Code code_ = Code::Ok;
  std::string message_;
};

}  // namespace zrt::client
