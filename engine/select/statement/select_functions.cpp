// The select dialect's function table: 51 entries with their argument limits.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "select/statement/select_expr.h"
#include "text/charset.h"

namespace zrt::sel {

namespace {

enum Fn : int {
  kIsNullFn, kMaxFn, kMinFn, kAvgFn, kSumFn, kCountFn, kInFn, kBtwFn, kNbtwFn, kToChar, kSubstr,
  kInstr, kAbs, kChr, kConcatFn, kLower, kUpper, kLength, kAscii, kAbs2, kFloor, kCeil, kCos,
  kCosh, kSin, kSinh, kTan, kTanh, kExp, kSqrt, kLn, kSign, kLog, kPower, kModFn, kRound, kTrunc,
  kInitcap, kLpad, kRpad, kLtrim, kRtrim, kReplace, kTranslate, kToNumber, kDecode, kGreatest,
  kLeast, kNvl, kMonthsBetween, kSysdate, kFunctionCount
};

// A padded text longer than this is refused rather than allocated.
constexpr int64_t kMaxPad = 1 << 20;

bool Err(std::string* error, const char* why) {
  *error = why;
  return false;
}

// Numeric arguments of text functions are used as their text.
std::string TextOf(const Value& v) { return v.isText() ? v.s : v.ToText(); }

bool Trim(const std::string& text, const std::string& set, bool leading, std::string* out) {
  size_t b = 0, e = text.size();
  if (leading) {
    while (b < e && set.find(text[b]) != std::string::npos) ++b;
  } else {
    while (e > b && set.find(text[e - 1]) != std::string::npos) --e;
  }
  *out = text.substr(b, e - b);
  return true;
}

int ParseYear(const std::string& digits, int value) {
  // Four-digit years from 1000 to 9999; two-digit years pivot at 70: 00-69 are 2000-2069,
  // 70-99 are 1970-1999. Other lengths are no year.
  if (digits.size() == 4 && value >= 1000) return value;
  if (digits.size() == 2) return value < 70 ? 2000 + value : 1900 + value;
  return -1;
}

}  // namespace

const int kInFunction = kInFn, kBetweenFunction = kBtwFn, kNotBetweenFunction = kNbtwFn;

const std::vector<FunctionInfo>& FunctionTable() {
  static const std::vector<FunctionInfo> table = {
      {"ISNULL", 1, -1},   {"MAX", 1, 1},       {"MIN", 1, 1},        {"AVG", 1, 1},
      {"SUM", 1, 1},       {"COUNT", 1, 1},     {"INFUNC", 1, 32},    {"BTWFUNC", 1, 32},
      {"NBTWFUNC", 1, 32}, {"TO_CHAR", 1, 2},   {"SUBSTR", 2, 3},     {"INSTR", 2, 4},
      {"ABS", 1, 1},       {"CHR", 1, 1},       {"CONCAT", 2, 2},     {"LOWER", 1, 1},
      {"UPPER", 1, 1},     {"LENGTH", 1, 1},    {"ASCII", 1, 1},      {"ABS", 1, 1},
      {"FLOOR", 1, 1},     {"CEIL", 1, 1},      {"COS", 1, 1},        {"COSH", 1, 1},
      {"SIN", 1, 1},       {"SINH", 1, 1},      {"TAN", 1, 1},        {"TANH", 1, 1},
      {"EXP", 1, 1},       {"SQRT", 1, 1},      {"LN", 1, 1},         {"SIGN", 1, 1},
      {"LOG", 2, 2},       {"POWER", 2, 2},     {"MOD", 2, 2},        {"ROUND", 2, 2},
      {"TRUNC", 2, 2},     {"INITCAP", 1, 1},   {"LPAD", 2, 3},       {"RPAD", 2, 3},
      {"LTRIM", 1, 2},     {"RTRIM", 1, 2},     {"REPLACE", 2, 3},    {"TRANSLATE", 3, 3},
      {"TO_NUMBER", 1, 2}, {"DECODE", 3, 32},   {"GREATEST", 1, 32},  {"LEAST", 1, 32},
      {"NVL", 2, 2},       {"MONTHS_BETWEEN", 2, 2},                  {"SYSDATE", 0, 0}};
  static_assert(kFunctionCount == 51);
  return table;
}

int FindFunction(const std::string& name) {
  const auto& table = FunctionTable();
  for (size_t k = 0; k < table.size(); ++k) {
    const char* n = table[k].name;
    if (std::strlen(n) != name.size()) continue;
    bool same = true;
    for (size_t c = 0; c < name.size() && same; ++c)
      same = std::toupper(static_cast<unsigned char>(name[c])) == n[c];
    if (same) return static_cast<int>(k);
  }
  return -1;
}

bool ParseDate(const std::string& text, int* day, int* month, int* year) {
  static const char kSeparators[] = "-.&/\\',\xFE";
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c != '\0' && std::strchr(kSeparators, c)) {
      if (parts.size() == 3) return false;
      parts.emplace_back();
    } else if (std::isdigit(static_cast<unsigned char>(c)) && parts.back().size() < 4) {
      parts.back() += c;
    } else {
      return false;
    }
  }
  std::vector<int> n;
  for (const std::string& p : parts) {
    if (p.empty()) return false;
    n.push_back(std::atoi(p.c_str()));
  }
  auto isYear = [&](size_t k) { return ParseYear(parts[k], n[k]) >= 0; };
  auto isMonth = [&](size_t k) { return n[k] >= 1 && n[k] <= 12; };
  auto isDay = [&](size_t k) { return n[k] >= 1 && n[k] <= 31; };
  auto set = [&](size_t d, size_t m, size_t y) {
    *day = d < n.size() ? n[d] : 1;
    *month = m < n.size() ? n[m] : 1;
    *year = ParseYear(parts[y], n[y]);
    return true;
  };
  constexpr size_t kNone = 9;
  // The order SYSDATE writes comes first, then year first, then month first.
  if (n.size() == 3) {
    if (isDay(0) && isMonth(1) && isYear(2)) return set(0, 1, 2);
    if (isYear(0) && isMonth(1) && isDay(2)) return set(2, 1, 0);
    if (isMonth(0) && isDay(1) && isYear(2)) return set(1, 0, 2);
    return false;
  }
  if (n.size() == 2) {
    if (isMonth(0) && isYear(1)) return set(kNone, 0, 1);
    if (isYear(0) && isMonth(1)) return set(kNone, 1, 0);
    return false;
  }
  // A single number is a year, meaning its first of January.
  if (parts[0].size() == 4 && isYear(0)) return set(kNone, kNone, 0);
  return false;
}

bool FormatPicture(double x, const std::string& format, std::string* out) {
  size_t at = 0;
  bool sign = false, zeros = false;
  if (at < format.size() && format[at] == 'S') sign = true, ++at;
  if (at < format.size() && format[at] == '0') zeros = true, ++at;
  std::string picture = format.substr(at);
  size_t dot = picture.find('.');
  int64_t digits = static_cast<int64_t>(dot == std::string::npos ? picture.size() : dot);
  int64_t decimals =
      dot == std::string::npos ? 0 : static_cast<int64_t>(picture.size() - dot - 1);
  int64_t width = digits + decimals + 1 + (sign ? 1 : 0);
  if (width > 4096 || decimals > 340) return false;
  char spec[16] = "%";
  if (sign) std::strcat(spec, "+");
  if (zeros) std::strcat(spec, "0");
  std::strcat(spec, "*.*f");
  int n = std::snprintf(nullptr, 0, spec, static_cast<int>(width), static_cast<int>(decimals), x);
  if (n < 0) return false;
  out->assign(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(out->data(), out->size(), spec, static_cast<int>(width),
                static_cast<int>(decimals), x);
  out->resize(static_cast<size_t>(n));
  return true;
}

bool CallFunction(int function, std::vector<Value>& a, Value* out, std::string* error) {
  const size_t argc = a.size();
  auto num = [&](size_t k) { return AsFloat(a[k]); };
  switch (function) {
    case kIsNullFn:
      *out = Value::Int(a[0].kind == Kind::Int && a[0].i == 0);
      return true;
    case kMaxFn: case kMinFn: case kAvgFn: case kSumFn: case kCountFn:
      *out = Value::Int(0);  // aggregates outside the select items and HAVING
      return true;
    case kInFn: {
      if (argc < 2) return *out = Value::Int(0), true;
      int code = static_cast<int>(AsInt(a[0]));
      const bool all = code > 100;
      if (all) code -= 100;
      const bool in = code == kIn || code == kNotIn;
      bool any = false;
      for (size_t k = 2; k < argc && !any; ++k)
        any = CompareBy(in ? kEq : code, a[1], a[k]);
      *out = Value::Int(code == kNotIn || all ? !any : any);
      return true;
    }
    case kBtwFn: case kNbtwFn: {
      if (argc != 3) return Err(error, "BETWEEN wants three values");
      bool between = Compare(a[0], a[1]) >= 0 && Compare(a[0], a[2]) <= 0;
      *out = Value::Int(between == (function == kBtwFn));
      return true;
    }
    case kToChar:
      if (argc == 1) return *out = Value::Text(TextOf(a[0])), true;
      if (!a[1].isText()) return Err(error, "TO_CHAR wants a text format");
      out->kind = Kind::Text;
      return FormatPicture(num(0), a[1].s, &out->s) || Err(error, "TO_CHAR format too wide");
    case kSubstr: {
      std::string t = TextOf(a[0]);
      int64_t start = AsInt(a[1]);
      if (start < 1) start = 1;
      int64_t length = argc > 2 ? AsInt(a[2]) : static_cast<int64_t>(t.size());
      if (length < 0) length = 0;
      size_t from = static_cast<size_t>(start - 1);
      *out = Value::Text(from >= t.size() ? "" : t.substr(from, static_cast<size_t>(length)));
      return true;
    }
    case kInstr: {
      std::string t = TextOf(a[0]), sought = TextOf(a[1]);
      int64_t start = argc > 2 ? AsInt(a[2]) : 1, occurrence = argc > 3 ? AsInt(a[3]) : 1;
      if (start < 1) start = 1;
      if (occurrence < 1) occurrence = 1;
      size_t at = static_cast<size_t>(start - 1);
      int64_t found = 0;
      for (int64_t k = 0; k < occurrence; ++k) {
        at = at > t.size() ? std::string::npos : t.find(sought, at);
        if (at == std::string::npos) break;
        if (k + 1 == occurrence) found = static_cast<int64_t>(at) + 1;
        ++at;
      }
      *out = Value::Int(found);
      return true;
    }
    case kAbs: case kAbs2:
      if (a[0].kind == Kind::Float) return *out = Value::Float(std::fabs(a[0].f)), true;
      *out = Value::Int(AsInt(a[0]) < 0 ? static_cast<int64_t>(0 - static_cast<uint64_t>(AsInt(a[0])))
                                        : AsInt(a[0]));
      return true;
    case kChr: {
      char c = static_cast<char>(AsInt(a[0]) & 0xFF);
      *out = Value::Text(c ? std::string(1, c) : std::string());
      return true;
    }
    case kConcatFn:
      *out = Value::Text(TextOf(a[0]) + TextOf(a[1]));
      return true;
    case kLower: case kUpper: {
      std::string t = TextOf(a[0]);
      function == kLower ? AnsiLower(t.data()) : AnsiUpper(t.data());
      *out = Value::Text(std::move(t));
      return true;
    }
    case kLength:
      *out = Value::Int(static_cast<int64_t>(TextOf(a[0]).size()));
      return true;
    case kAscii: {
      std::string t = TextOf(a[0]);
      *out = Value::Int(t.empty() ? 0 : static_cast<signed char>(t[0]));
      return true;
    }
    case kFloor: case kCeil:
      if (a[0].kind != Kind::Float) return *out = Value::Int(AsInt(a[0])), true;
      *out = Value::Int(ClampToInt(function == kFloor ? std::floor(a[0].f) : std::ceil(a[0].f)));
      return true;
    case kCos: *out = Value::Float(std::cos(num(0))); return true;
    case kCosh: *out = Value::Float(std::cosh(num(0))); return true;
    case kSin: *out = Value::Float(std::sin(num(0))); return true;
    case kSinh: *out = Value::Float(std::sinh(num(0))); return true;
    case kTan: *out = Value::Float(std::tan(num(0))); return true;
    case kTanh: *out = Value::Float(std::tanh(num(0))); return true;
    case kExp: *out = Value::Float(std::exp(num(0))); return true;
    case kSqrt:
      if (num(0) < 0) return Err(error, "SQRT of a negative number");
      *out = Value::Float(std::sqrt(num(0)));
      return true;
    case kLn:
      if (num(0) <= 0) return Err(error, "LN of zero or a negative number");
      *out = Value::Float(std::log(num(0)));
      return true;
    case kSign: {
      double x = num(0);
      *out = Value::Int(x < 0 ? -1 : x > 0 ? 1 : 0);
      return true;
    }
    case kLog:
      if (num(0) <= 0 || num(0) == 1) return Err(error, "LOG with a base of 1, zero or below");
      if (num(1) <= 0) return Err(error, "LOG of zero or a negative number");
      *out = Value::Float(std::log(num(1)) / std::log(num(0)));
      return true;
    case kPower:
      if (num(1) <= 0) return Err(error, "POWER with an exponent of zero or below");
      *out = Value::Float(std::pow(num(0), num(1)));
      return true;
    case kModFn: {
      int64_t x = AsInt(a[0]), y = AsInt(a[1]);
      if (y == 0) return Err(error, "MOD by zero");
      *out = Value::Int(y == -1 ? 0 : x % y);
      return true;
    }
    case kRound: case kTrunc: {
      int64_t n = AsInt(a[1]);
      double scale = n <= 0 ? 1 : std::pow(10.0, static_cast<double>(std::min<int64_t>(n, 300)));
      double x = num(0) * scale;
      double whole = static_cast<double>(ClampToInt(x));
      if (function == kRound && std::fabs(x - whole) >= 0.5) whole += x < 0 ? -1 : 1;
      *out = Value::Float(whole / scale);
      return true;
    }
    case kInitcap: {
      if (!a[0].isText()) return Err(error, "INITCAP wants a text");
      std::string t = a[0].s;
      bool start = true;
      for (char& ch : t) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (start) {
          if (c < 0x80) ch = static_cast<char>(std::toupper(c));
          else if (c >= 0xE0) ch = static_cast<char>(c - 0x20);
        }
        start = c >= 1 && c <= 127 && !std::isalnum(c);
      }
      *out = Value::Text(std::move(t));
      return true;
    }
    case kLpad: case kRpad: {
      std::string t = TextOf(a[0]);
      int64_t n = AsInt(a[1]);
      if (n > kMaxPad) return Err(error, "padding too long");
      if (n < 0) n = 0;
      std::string fill = argc > 2 ? TextOf(a[2]) : " ";
      size_t width = static_cast<size_t>(n);
      // A text longer than the width is cut to it.
      if (t.size() >= width) return *out = Value::Text(t.substr(0, width)), true;
      std::string pad(width - t.size(), fill.empty() ? ' ' : fill[0]);
      *out = Value::Text(function == kLpad ? pad + t : t + pad);
      return true;
    }
    case kLtrim: case kRtrim:
      out->kind = Kind::Text;
      return Trim(TextOf(a[0]), argc > 1 ? TextOf(a[1]) : " ", function == kLtrim, &out->s);
    case kReplace: {
      std::string t = TextOf(a[0]), sought = TextOf(a[1]);
      std::string with = argc > 2 ? TextOf(a[2]) : "";
      if (sought.empty()) return *out = Value::Text(t), true;
      std::string r;
      size_t at = 0;
      for (size_t hit; (hit = t.find(sought, at)) != std::string::npos; at = hit + sought.size())
        r += t.substr(at, hit - at) + with;
      *out = Value::Text(r + t.substr(at));
      return true;
    }
    case kTranslate: {
      if (!a[1].isText() || !a[2].isText()) return Err(error, "TRANSLATE wants texts");
      const std::string &from = a[1].s, &to = a[2].s;
      std::string r;
      // A byte of `from` without a counterpart in `to` is dropped.
      for (char c : TextOf(a[0])) {
        size_t k = from.find(c);
        if (k == std::string::npos) r += c;
        else if (k < to.size()) r += to[k];
      }
      *out = Value::Text(r);
      return true;
    }
    case kToNumber:
      if (!a[0].isText()) return Err(error, "TO_NUMBER wants a text");
      *out = a[0].s.find('.') != std::string::npos ? Value::Float(TextToFloat(a[0].s))
                                                   : Value::Int(TextToInt(a[0].s));
      return true;
    case kDecode: {
      size_t pairs = (argc - 1) / 2;
      for (size_t k = 0; k < pairs; ++k)
        if (Compare(a[0], a[1 + 2 * k]) == 0) return *out = a[2 + 2 * k], true;
      if ((argc - 1) % 2 == 1) return *out = a[argc - 1], true;
      return Err(error, "DECODE found no match and has no default");
    }
    case kGreatest: case kLeast: {
      size_t best = 0;
      for (size_t k = 1; k < argc; ++k) {
        double x = num(k), b = num(best);
        if (function == kGreatest ? x >= b : x <= b) best = k;
      }
      *out = a[best];
      return true;
    }
    case kNvl:
      *out = !a[0].isText() || !a[0].s.empty() ? a[0] : a[1];
      return true;
    case kMonthsBetween: {
      int d1, m1, y1, d2, m2, y2;
      if (!a[0].isText() || !a[1].isText() || a[0].s.empty() || a[1].s.empty() ||
          a[0].s.size() > 17 || a[1].s.size() > 17 || !ParseDate(a[0].s, &d1, &m1, &y1) ||
          !ParseDate(a[1].s, &d2, &m2, &y2))
        return Err(error, "MONTHS_BETWEEN wants two dates");
      int64_t r = (static_cast<int64_t>(y1) - y2) * 12 + m1 - m2;
      if ((r == 1 && d1 < d2) || (r == -1 && d2 < d1)) r = 0;
      *out = Value::Int(r);
      return true;
    }
    case kSysdate: {
      std::time_t now = std::time(nullptr);
      std::tm local{};
      localtime_r(&now, &local);
      char buf[32];
      std::strftime(buf, sizeof buf, "%d.%m.%Y", &local);
      *out = Value::Text(buf);
      return true;
    }
  }
  return Err(error, "unknown function");
}

}  // namespace zrt::sel
