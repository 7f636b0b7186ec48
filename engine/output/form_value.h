// Values of the form language and the evaluation of one directive expression.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "output/form.h"

namespace zrt {

struct FormValue {
  int32_t kind = kFormInteger;
  int32_t number = 0;  // kind kFormInteger
  std::string text;    // kind kFormString, at most form_limits::kValue bytes

  static FormValue Integer(int32_t n) { return {kFormInteger, n, {}}; }
  static FormValue String(std::string s);  // cut to form_limits::kValue

  bool IsString() const { return kind == kFormString; }
  bool IsTrue() const { return IsString() ? !text.empty() : number != 0; }
  std::string AsText() const { return IsString() ? text : std::to_string(number); }
};

// Evaluates a directive's expression; nullopt when it fails for any reason (syntax, kind
// mismatch, division by zero, limits, a resolver that gives no valid kind).
std::optional<FormValue> EvaluateFormExpression(std::string_view expr, const FormEnv& env);

// The decimal integer at the start of text after white space, with an optional sign,
// clamped to the 32-bit range (0 when there is none); *end receives the offset after it.
int32_t LeadingInteger(std::string_view text, size_t* end = nullptr);

// The printf built-in: the format filled with the values, at most `room` bytes.
// nullopt when a conversion does not fit its value (a number for %s, a string for %d),
// when values run short, and for conversions the language has no values for (%n, %p,
// floating point, '*' widths).
std::optional<std::string> FormatPrintf(std::string_view format, std::span<const FormValue> values,
                                        size_t room);

}  // namespace zrt
