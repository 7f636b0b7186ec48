// Output forms: text in any target format with embedded directives that insert computed
// values, drop or repeat stretches, and ask a caller-supplied resolver for every name
// that the form language does not know itself.
//
// Directives ("$" + directive byte, expression, closing byte):
//   $* expr *                     insert the value
//   $# expr # sample $##          insert the value, drop the sample
//   $@ expr @ body $@@            body when expr is true
//   $! expr ! body $!!            body when expr is false or fails
//   ${ expr } body ${}            body once per counter of the range "from-to"
//   $[ expr ] body $[]            the same
// Nothing fails loudly: a directive that cannot be delimited is copied as text and a
// failing expression has no value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zrt {

// Kind codes of values; the resolver reports the kind of its answer with them.
constexpr int32_t kFormString = 15;
constexpr int32_t kFormInteger = 16;

// The caller's resolver: called with the caller's context, the name, where to store the
// kind of the answer, the argument values (integers, or pointers to NUL-terminated
// strings owned by the expander for the duration of the call) and their count (0 for a
// bare name). Returns the integer, or a pointer to a string that the resolver keeps
// owning and that the expander copies at once.
using FormResolver = intptr_t (*)(void* context, const char* name, int32_t* kind,
                                  const intptr_t* args, int32_t count);

namespace form_limits {
constexpr size_t kIdentifier = 31;      // bytes of a name
constexpr size_t kIntegerDigits = 11;   // digits of an integer literal
constexpr size_t kStringLiteral = 127;  // bytes of a string literal after escapes
constexpr size_t kExpression = 256;     // bytes between a directive's bytes
constexpr size_t kValue = 39999;        // bytes of any string value; longer ones are cut
constexpr size_t kPending = 100;        // values waiting for an operator or a call
constexpr size_t kArguments = 32;       // arguments of one call
constexpr size_t kPrintf = 511;         // bytes of a printf result
constexpr size_t kPrintfValues = 10;    // values after the format
constexpr size_t kFor = 127;            // bytes of a for result
constexpr size_t kLoopDepth = 64;       // loop levels, whatever the caller's array
// Directives and loop passes of one expansion; a form that needs more (a loop over
// billions of counters with an empty body) stops there, as a full output does.
constexpr size_t kSteps = 1000000;
}  // namespace form_limits

struct FormEnv {
  void* context = nullptr;
  FormResolver resolver = nullptr;  // null: every unknown name fails
  // A loop at depth d keeps its counter in element d+1; "_LVn" and "_in" read element n.
  std::span<int32_t> loopVars;
};

// Expands form[start, end) (clipped to the form) at the given loop depth (-1 outside any
// loop) into out[0, room). Returns the bytes written; no NUL is added. Output that would
// pass the room is cut there and the expansion stops.
size_t ExpandForm(std::string_view form, size_t start, size_t end, const FormEnv& env,
                  int32_t depth, char* out, size_t room);

// The whole form, into a string of at most `room` bytes.
std::string ExpandForm(std::string_view form, const FormEnv& env, int32_t depth = -1,
                       size_t room = 1 << 20);

}  // namespace zrt
