#include "output/form.h"

#include <algorithm>
#include <cstring>

#include "output/form_value.h"

namespace zrt {
namespace {

namespace limits = form_limits;

// The byte that ends a directive's expression, by the byte after '$'; 0: no directive.
char Closer(char directive) {
  switch (directive) {
    case '*':
      return '*';
    case '#':
      return '#';
    case '@':
      return '@';
    case '!':
      return '!';
    case '{':
      return '}';
    case '[':
      return ']';
    default:
      return 0;
  }
}

class Expander {
 public:
  Expander(std::string_view form, const FormEnv& env, char* out, size_t room)
      : form_(form), env_(env), out_(out), room_(room) {
    loopSlots_ = std::min(env.loopVars.size(), limits::kLoopDepth);
  }

  size_t used() const { return used_; }

  // Expands form_[p, end). `end` never passes the form.
  void Expand(size_t p, size_t end, int32_t depth) {
    while (p < end && !stopped_) {
      size_t dollar = form_.find('$', p);
      if (dollar == std::string_view::npos || dollar >= end) {
        Emit(form_.substr(p, end - p));
        return;
      }
      Emit(form_.substr(p, dollar - p));
      p = dollar;
      if (p + 1 >= end) {  // a '$' at the very end is text
        Emit("$");
        return;
      }
      p = Directive(p, end, depth);
    }
  }

 private:
  // Handles the directive at form_[p] == '$' and returns where scanning goes on.
  size_t Directive(size_t p, size_t end, int32_t depth) {
    char d = form_[p + 1];
    char close = Closer(d);
    std::string_view asText = form_.substr(p, 2);
    if (close == 0) {
      Emit(asText);
      return p + 2;
    }
    if (++steps_ > limits::kSteps) {
      stopped_ = true;
      return end;
    }
    size_t exprBegin = p + 2;
    size_t q = form_.find(close, exprBegin);
    if (q == std::string_view::npos || q >= end || q - exprBegin > limits::kExpression) {
      Emit(asText);
      return p + 2;
    }
    std::string_view expr = form_.substr(exprBegin, q - exprBegin);
    if (expr.empty()) return q + 1;  // also how an end marker is passed over in place
    if (d == '*') {
      if (auto v = EvaluateFormExpression(expr, env_)) Emit(v->AsText());
      return q + 1;
    }
    size_t marker = EndMarker(q + 1, end, d, close);
    if (marker == std::string_view::npos) {
      Emit(asText);
      return p + 2;
    }
    size_t body = q + 1, after = marker + 3;
    auto v = EvaluateFormExpression(expr, env_);
    switch (d) {
      case '#':
        if (v) Emit(v->AsText());
        return after;
      case '@':
        return v && v->IsTrue() ? body : after;
      case '!':
        return v && v->IsTrue() ? after : body;
      default:
        break;
    }
    // A loop. Without a range (no value, an empty one, or no element left for the
    // counter) the body is expanded once, in place.
    std::string range = v ? v->AsText() : std::string();
    int64_t slot = int64_t{depth} + 1;
    if (range.empty() || slot < 0 || slot >= static_cast<int64_t>(loopSlots_)) return body;
    size_t lowEnd = 0;
    int64_t low = LeadingInteger(range, &lowEnd);
    // Without a '-' after the lower bound the range is that one counter.
    size_t dash = range.find('-', lowEnd);
    int64_t high = dash == std::string::npos ? low : LeadingInteger(range.substr(dash + 1));
    for (int64_t counter = low; counter <= high && !stopped_; ++counter) {
      if (++steps_ > limits::kSteps) {
        stopped_ = true;
        break;
      }
      env_.loopVars[static_cast<size_t>(slot)] = static_cast<int32_t>(counter);
      Expand(body, marker, static_cast<int32_t>(slot));
    }
    return after;
  }

  // The end marker ('$' + directive + closer) that matches a block whose header ends
  // before `from`: every other "$" + directive opens a nested block of the same kind.
  size_t EndMarker(size_t from, size_t end, char d, char close) const {
    const char opener[2] = {'$', d};
    size_t open = 0;
    for (size_t r = from;;) {
      r = form_.find(std::string_view(opener, 2), r);
      if (r == std::string_view::npos || r + 1 >= end) return std::string_view::npos;
      if (r + 2 < end && form_[r + 2] == close) {
        if (open == 0) return r;
        --open;
        r += 3;
      } else {
        ++open;
        r += 2;
      }
    }
  }

  // Writes what fits; output that would pass the room ends the expansion there.
  void Emit(std::string_view s) {
    if (stopped_ || s.empty()) return;
    size_t n = std::min(s.size(), room_ - used_);
    std::memcpy(out_ + used_, s.data(), n);
    used_ += n;
    if (n < s.size()) stopped_ = true;
  }

  std::string_view form_;
  const FormEnv& env_;
  char* out_;
  size_t room_;
  size_t used_ = 0;
  size_t loopSlots_;
  size_t steps_ = 0;
  bool stopped_ = false;
};

}  // namespace

size_t ExpandForm(std::string_view form, size_t start, size_t end, const FormEnv& env,
                  int32_t depth, char* out, size_t room) {
  end = std::min(end, form.size());
  if (start >= end || out == nullptr) return 0;
  Expander expander(form, env, out, room);
  expander.Expand(start, end, depth);
  return expander.used();
}

std::string ExpandForm(std::string_view form, const FormEnv& env, int32_t depth, size_t room) {
  std::string out(room, '\0');
  out.resize(ExpandForm(form, 0, form.size(), env, depth, out.data(), out.size()));
  return out;
}

}  // namespace zrt
