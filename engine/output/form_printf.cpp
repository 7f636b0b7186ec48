// The printf built-in never hands the form's format to the C library: each conversion
// is parsed here, checked against the value it consumes, and rebuilt from the parts
// that are defined for it before one value is formatted at a time.
#include <cstdio>
#include <cstring>
#include <vector>

#include "output/form_value.h"

namespace zrt {
namespace {

struct Conversion {
  bool left = false, plus = false, space = false, alternate = false, zero = false;
  size_t width = 0;
  bool hasPrecision = false;
  size_t precision = 0;
  char type = 0;
};

// Digits of a width or precision, clamped to `cap` (nothing wider can show anyway).
size_t ClampedNumber(std::string_view f, size_t* i, size_t cap) {
  size_t n = 0;
  while (*i < f.size() && f[*i] >= '0' && f[*i] <= '9') {
    n = n * 10 + static_cast<size_t>(f[*i] - '0');
    if (n > cap) n = cap;
    ++*i;
  }
  return n;
}

// Parses the conversion after a '%' at f[*i]; false for anything the language cannot
// feed (or that the C library leaves undefined).
bool ParseConversion(std::string_view f, size_t* i, size_t cap, Conversion* c) {
  for (; *i < f.size(); ++*i) {
    char ch = f[*i];
    if (ch == '-')
      c->left = true;
    else if (ch == '+')
      c->plus = true;
    else if (ch == ' ')
      c->space = true;
    else if (ch == '#')
      c->alternate = true;
    else if (ch == '0')
      c->zero = true;
    else
      break;
  }
  c->width = ClampedNumber(f, i, cap);
  if (*i < f.size() && f[*i] == '.') {
    ++*i;
    c->hasPrecision = true;
    c->precision = ClampedNumber(f, i, cap);
  }
  // Length modifiers only said how wide the caller's argument was; every number here
  // is a 32-bit integer, so they are read and dropped.
  while (*i < f.size() && std::strchr("hljzt", f[*i]) != nullptr && f[*i] != '\0') ++*i;
  if (*i >= f.size()) return false;
  c->type = f[(*i)++];
  return std::strchr("diuxXocs", c->type) != nullptr && c->type != '\0';
}

// The conversion as the C library gets it, with only the flags defined for its type.
std::string Spec(const Conversion& c) {
  bool isSigned = c.type == 'd' || c.type == 'i';
  bool isNumber = c.type != 'c' && c.type != 's';
  std::string s = "%";
  if (c.left) s += '-';
  if (isSigned && c.plus) s += '+';
  if (isSigned && c.space) s += ' ';
  if (c.alternate && (c.type == 'o' || c.type == 'x' || c.type == 'X')) s += '#';
  if (isNumber && c.zero) s += '0';
  if (c.width > 0) s += std::to_string(c.width);
  if (c.hasPrecision && c.type != 'c') s += '.' + std::to_string(c.precision);
  s += c.type;
  return s;
}

}  // namespace

std::optional<std::string> FormatPrintf(std::string_view format, std::span<const FormValue> values,
                                        size_t room) {
  std::string out;
  std::vector<char> piece(room + 1);
  size_t next = 0;
  for (size_t i = 0; i < format.size() && out.size() < room;) {
    if (format[i] != '%') {
      out += format[i++];
      continue;
    }
    ++i;
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    Conversion c;
    if (!ParseConversion(format, &i, room, &c)) return std::nullopt;
    if (next >= values.size()) return std::nullopt;
    const FormValue& v = values[next++];
    if (v.IsString() != (c.type == 's')) return std::nullopt;
    std::string spec = Spec(c);
    int n;
    if (c.type == 's')
      n = std::snprintf(piece.data(), piece.size(), spec.c_str(), v.text.c_str());
    else if (c.type == 'd' || c.type == 'i' || c.type == 'c')
      n = std::snprintf(piece.data(), piece.size(), spec.c_str(), static_cast<int>(v.number));
    else
      n = std::snprintf(piece.data(), piece.size(), spec.c_str(),
                        static_cast<unsigned>(static_cast<uint32_t>(v.number)));
    if (n < 0) return std::nullopt;
    out.append(piece.data(), std::min(static_cast<size_t>(n), room));
  }
  if (out.size() > room) out.resize(room);
  // A %c of 0 ends the text, as it would in the NUL-terminated result.
  size_t nul = out.find('\0');
  if (nul != std::string::npos) out.resize(nul);
  return out;
}

}  // namespace zrt
