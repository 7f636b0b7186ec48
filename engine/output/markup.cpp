#include "output/markup.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "codepage/cp1251.h"

namespace zrt {
namespace {

constexpr unsigned char kEscape = '_';
// Highlight codes after the escape byte, as the found-word highlighter writes them.
constexpr unsigned char kColourStart = 0xDD;
constexpr unsigned char kBoldStart = 0xDE;
constexpr unsigned char kItalicStart = 0xDF;
constexpr unsigned char kColourEnd = 0xFD;
constexpr unsigned char kBoldEnd = 0xFE;
constexpr unsigned char kItalicEnd = 0xFF;

std::string_view UpToNul(std::string_view in) {
  size_t nul = in.find('\0');
  return nul == std::string_view::npos ? in : in.substr(0, nul);
}

// ---- Plain-text names of the Symbol-font codes ----------------------------------------

struct SymbolEntry {
  unsigned char code;
  const char* utf8;  // kept readable here; converted to Windows-1251 once
};

constexpr SymbolEntry kSymbolNames[] = {
    {0x40, "'ЭКВИВ='"},   {0x41, "'АЛЬФА'"},   {0x42, "'БЕТА'"},    {0x43, "'ПСИ'"},
    {0x44, "'ДЕЛЬТА'"},   {0x45, "'ЭПСИЛОН'"}, {0x46, "'ФИ'"},      {0x47, "'ГАММА'"},
    {0x48, "'ЭТА'"},      {0x49, "'ИОТА'"},    {0x4B, "'КАППА'"},   {0x4C, "'ЛЯМБДА'"},
    {0x4D, "'МЮ'"},       {0x4E, "'НЮ'"},      {0x4F, "'ОМИКРОН'"}, {0x50, "'ПИ'"},
    {0x51, "'ТЭТА'"},     {0x52, "'РО'"},      {0x53, "'СИГМА'"},   {0x54, "'ТАУ'"},
    {0x55, "'КСИ'"},      {0x57, "'ОМЕГА'"},   {0x58, "'ХИ'"},      {0x59, "'ИПСИЛОН'"},
    {0x5A, "'ДЗЕТА'"},    {0x5B, "["},         {0x5D, "]"},         {0x5E, "'ПЕРПЕН'"},
    {0x5F, "_"},          {0x61, "'альфа'"},   {0x62, "'бета'"},    {0x63, "'пси'"},
    {0x64, "'дельта'"},   {0x65, "'эпсилон'"}, {0x67, "'гамма'"},   {0x68, "'эта'"},
    {0x69, "'иота'"},     {0x6A, "'тэта'"},    {0x6B, "'каппа'"},   {0x6C, "'лямбда'"},
    {0x6D, "'мю'"},       {0x6E, "'ню'"},      {0x6F, "'омикрон'"}, {0x70, "'пи'"},
    {0x72, "'ро'"},       {0x73, "'сигма'"},   {0x74, "'тау'"},     {0x75, "'кси'"},
    {0x76, "'фи'"},       {0x77, "'омега'"},   {0x78, "'хи'"},      {0x79, "'ипсилон'"},
    {0x7A, "'дзета'"},    {0x7B, "{"},         {0x7D, "}"},         {0x7E, "'ЭКВИВ'"},
    {0x98, "'КВАДРАТ'"},  {0xA2, "'"},         {0xA3, "'<='"},      {0xA5, "'БЕСКОНЕЧН'"},
    {0xA7, "'ПАРАГРАФ'"}, {0xAB, "'<->'"},     {0xAC, "'<-'"},      {0xAD, "'->ВВЕРХ'"},
    {0xAE, "'->'"},       {0xAF, "'<-ВНИЗ'"},  {0xB0, "°"},         {0xB1, "'+-'"},
    {0xB2, "\""},         {0xB3, "'>='"},      {0xB4, "*"},         {0xB6, "d"},
    {0xB7, "*"},          {0xB8, "':-'"},      {0xB9, "'!='"},      {0xBA, "'=='"},
    {0xBB, "'ПРИБЛ='"},   {0xBE, "-"},         {0xC0, "'АЛЕФ'"},    {0xC4, "'ТЕНЗПР'"},
    {0xC5, "'СИММЕТР'"},  {0xC6, "'ПУСТО'"},   {0xC7, "'ПЕРЕСЕЧ'"}, {0xC8, "'ОБЪЕД'"},
    {0xC9, "')'"},        {0xCA, "')='"},      {0xCC, "'('"},       {0xCD, "'(='"},
    {0xCE, "'(-'"},       {0xCF, "'!(-'"},     {0xD1, "'НАБЛА'"},   {0xD2, "(R)"},
    {0xD3, "(C)"},        {0xD4, "'TM'"},      {0xD5, "'ПРОИЗВ'"},  {0xD6, "'РАДИКАЛ'"},
    {0xD7, "'СОЛН'"},     {0xD9, "&"},         {0xDA, "v"},         {0xDB, "'<=>'"},
    {0xDE, "'=>'"},       {0xE1, "<"},         {0xE5, "'СУММА'"},   {0xF1, ">"},
    {0xF2, "'ИНТЕГ'"},
};

std::string Utf8ToCp1251(const char* s) {
  std::string out;
  cp1251::FromUtf8(s, &out);
  return out;
}

const std::array<std::string, 256>& SymbolTable() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> t;
    for (const SymbolEntry& e : kSymbolNames) t[e.code] = Utf8ToCp1251(e.utf8);
    return t;
  }();
  return table;
}

// ---- HTML and RTF: open elements ------------------------------------------------------

// What the converter has open, innermost last. The script kinds carry their script
// state as value; the literal pairs open no element, they only decide what the next
// closer of their kind writes.
enum Entry : signed char {
  kSubBracket = -3,  // "[," : literal brackets inside a subscript
  kSubBrace = -2,    // "['" : literal braces inside a subscript
  kSub = -1,
  kSup = 1,
  kSupBrace = 2,    // "{'"
  kSupBracket = 3,  // "{,"
  kBold = 10,
  kItalic = 11,
  kColour = 12,
};

bool IsScript(Entry e) { return e >= kSubBracket && e <= kSupBracket; }
bool IsElement(Entry e) { return e == kSub || e == kSup || e >= kBold; }

// Deeper nesting than this is not seen in documents; an opener beyond it is written as
// its literal character, so that depth and the work of one step stay bounded.
constexpr size_t kMaxOpen = 32;

struct Syntax {
  std::string_view bold[2], italic[2], colour[2], sup[2], sub[2];  // open, close
  std::string_view literalBraceOpen, literalBraceClose;
  std::string_view strayBrace;                // a closing brace with no superscript to close
  bool oneColour;                             // a second colour start while one is open is ignored
  bool doubleBraceOneScript;                  // "{{" opens a single superscript
  std::string_view (*escape)(const char* p);  // an ordinary input byte
  int (*symbol)(unsigned char code, char* buf, size_t size);
};

std::string_view HtmlEscape(const char* p) {
  switch (*p) {
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '&':
      return "&amp;";
    case '"':
      return "&quot;";
    default:
      return {p, 1};
  }
}

std::string_view RtfEscape(const char* p) {
  if (*p == '\\') return "\\'5c";
  return {p, 1};
}

int HtmlSymbol(unsigned char code, char* buf, size_t size) {
  return std::snprintf(buf, size, "<FONT FACE=\"Symbol\">&#%d;</FONT>", code);
}

// Font 2 of the enclosing document is the Symbol typeface.
int RtfSymbol(unsigned char code, char* buf, size_t size) {
  return std::snprintf(buf, size, "{\\f2\\lang1033 \\'%02x}", code);
}

const Syntax kHtml = {
    {"<B>", "</B>"},
    {"<I>", "</I>"},
    {"<FONT COLOR=\"#0000FF\">", "</FONT>"},
    {"<SUP>", "</SUP>"},
    {"<SUB>", "</SUB>"},
    "{",
    "}",
    "}",
    false,
    false,
    HtmlEscape,
    HtmlSymbol,
};

const Syntax kRtf = {
    {"{\\b ", "}"},
    {"{\\i ", "}"},
    {"{\\cf2 ", "}"},
    {"{\\super ", "}"},
    {"{\\sub ", "}"},
    "\\'7b",
    "\\'7d",
    " ",
    true,
    true,
    RtfEscape,
    RtfSymbol,
};

// Converts with a stack of open entries. Each input step (one byte or one pair) is
// first written to a small step buffer; it goes to the output only when the output
// still has room for it, for the closers of everything then open and for the NUL.
//
// Balance rules (both formats):
//  1. a start code or a script opener opens an element and pushes it;
//  2. an end code closes the innermost open element of its kind; elements opened after
//     it are closed first and opened again behind it, so it ends exactly that element;
//  3. an end code with nothing of its kind open writes nothing;
//  4. a closing brace or bracket ends the innermost script entry when that is of its
//     sign, otherwise it is an ordinary byte (a brace: `strayBrace`);
//  5. at the end of the input every open element is closed.
class Styler {
 public:
  Styler(const Syntax& syntax, char* out, size_t room) : syn_(syntax), out_(out), room_(room) {}

  size_t Run(std::string_view in) {
    if (room_ == 0) return 0;
    in = UpToNul(in);
    size_t i = 0;
    while (i < in.size()) {
      std::array<Entry, kMaxOpen> savedOpen = open_;
      size_t savedDepth = depth_;
      step_ = 0;
      size_t consumed = Step(in, i);
      if (used_ + step_ + ClosersSize() + 1 > room_) {
        open_ = savedOpen;
        depth_ = savedDepth;
        break;
      }
      std::memcpy(out_ + used_, stepBuf_, step_);
      used_ += step_;
      i += consumed;
    }
    while (depth_ > 0) {
      Entry e = open_[--depth_];
      if (IsElement(e)) Write(Texts(e)[1]);
    }
    out_[used_] = '\0';
    return used_;
  }

 private:
  const std::string_view* Texts(Entry e) const {
    switch (e) {
      case kBold:
        return syn_.bold;
      case kItalic:
        return syn_.italic;
      case kColour:
        return syn_.colour;
      case kSup:
        return syn_.sup;
      default:
        return syn_.sub;
    }
  }

  size_t ClosersSize() const {
    size_t n = 0;
    for (size_t j = 0; j < depth_; ++j)
      if (IsElement(open_[j])) n += Texts(open_[j])[1].size();
    return n;
  }

  // Appends to the step buffer; a step never comes near its size (kMaxOpen closers
  // and openers at most), the check only keeps that true by construction.
  void Put(std::string_view s) {
    if (s.empty() || step_ + s.size() > sizeof stepBuf_) return;
    std::memcpy(stepBuf_ + step_, s.data(), s.size());
    step_ += s.size();
  }

  void Write(std::string_view s) {  // closers at the end; their room was reserved
    std::memcpy(out_ + used_, s.data(), s.size());
    used_ += s.size();
  }

  bool Push(Entry e) {
    if (depth_ == kMaxOpen) return false;
    open_[depth_++] = e;
    return true;
  }

  bool Has(Entry e) const {
    for (size_t j = 0; j < depth_; ++j)
      if (open_[j] == e) return true;
    return false;
  }

  int ScriptState() const {
    for (size_t j = depth_; j-- > 0;)
      if (IsScript(open_[j])) return open_[j];
    return 0;
  }

  void Open(Entry e, std::string_view fallback) {
    if (Push(e))
      Put(Texts(e)[0]);
    else
      Put(fallback);
  }

  // Ends the entry at index k alone (rule 2).
  void CloseAt(size_t k) {
    Entry e = open_[k];
    if (IsElement(e)) {
      for (size_t j = depth_; j-- > k + 1;)
        if (IsElement(open_[j])) Put(Texts(open_[j])[1]);
      Put(Texts(e)[1]);
      for (size_t j = k + 1; j < depth_; ++j)
        if (IsElement(open_[j])) Put(Texts(open_[j])[0]);
    } else if (e == kSupBrace || e == kSubBrace) {
      Put(syn_.literalBraceClose);
    } else {
      Put("]");
    }
    for (size_t j = k + 1; j < depth_; ++j) open_[j - 1] = open_[j];
    --depth_;
  }

  void CloseInnermost(Entry e) {
    for (size_t j = depth_; j-- > 0;)
      if (open_[j] == e) return CloseAt(j);
  }

  void CloseInnermostScript() {
    for (size_t j = depth_; j-- > 0;)
      if (IsScript(open_[j])) return CloseAt(j);
  }

  size_t Step(std::string_view in, size_t i) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    unsigned char next = i + 1 < in.size() ? static_cast<unsigned char>(in[i + 1]) : 0;
    if (c == kEscape && next != 0) {
      switch (next) {
        case kBoldStart:
          Open(kBold, {});
          break;
        case kItalicStart:
          Open(kItalic, {});
          break;
        case kColourStart:
          if (!(syn_.oneColour && Has(kColour))) Open(kColour, {});
          break;
        case kBoldEnd:
          CloseInnermost(kBold);
          break;
        case kItalicEnd:
          CloseInnermost(kItalic);
          break;
        case kColourEnd:
          CloseInnermost(kColour);
          break;
        default: {
          char buf[64];
          int n = syn_.symbol(next, buf, sizeof buf);
          if (n > 0) Put({buf, static_cast<size_t>(n)});
        }
      }
      return 2;
    }
    if (c == '{' || c == '[') {
      bool sup = c == '{';
      if (next == ',') {
        Put("[");
        Push(sup ? kSupBracket : kSubBracket);
        return 2;
      }
      if (next == '\'') {
        Put(syn_.literalBraceOpen);
        Push(sup ? kSupBrace : kSubBrace);
        return 2;
      }
      Open(sup ? kSup : kSub, sup ? syn_.literalBraceOpen : "[");
      return sup && next == '{' && syn_.doubleBraceOneScript ? 2 : 1;
    }
    if (c == '}' && ScriptState() > 0) {
      CloseInnermostScript();
      return 1;
    }
    if (c == ']' && ScriptState() < 0) {
      CloseInnermostScript();
      return 1;
    }
    if (c == '}')
      Put(syn_.strayBrace);
    else
      Put(syn_.escape(&in[i]));
    return 1;
  }

  const Syntax& syn_;
  char* out_;
  size_t room_;
  size_t used_ = 0;
  std::array<Entry, kMaxOpen> open_{};
  size_t depth_ = 0;
  char stepBuf_[2048];
  size_t step_ = 0;
};

std::string Convert(size_t (*convert)(std::string_view, char*, size_t), size_t room,
                    std::string_view in) {
  std::string out(room, '\0');
  out.resize(convert(in, out.data(), out.size()));
  return out;
}

}  // namespace

std::string_view SymbolName(unsigned char code) { return SymbolTable()[code]; }

size_t OrvToTxt(std::string_view in, char* out, size_t room) {
  if (room == 0) return 0;
  in = UpToNul(in);
  size_t used = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    std::string_view piece = in.substr(i, 1);
    if (static_cast<unsigned char>(in[i]) == kEscape) {
      if (i + 1 == in.size()) break;  // a trailing escape byte is dropped
      piece = SymbolName(static_cast<unsigned char>(in[++i]));
    }
    if (used + piece.size() + 1 > room) break;
    std::memcpy(out + used, piece.data(), piece.size());
    used += piece.size();
  }
  out[used] = '\0';
  return used;
}

size_t OrvToHtml(std::string_view in, char* out, size_t room) {
  return Styler(kHtml, out, room).Run(in);
}

size_t OrvToRtf(std::string_view in, char* out, size_t room) {
  return Styler(kRtf, out, room).Run(in);
}

std::string OrvToTxt(std::string_view in) {
  in = UpToNul(in);
  return Convert(OrvToTxt, TxtRoom(in.size()), in);
}

std::string OrvToHtml(std::string_view in) {
  in = UpToNul(in);
  return Convert(OrvToHtml, HtmlRoom(in.size()), in);
}

std::string OrvToRtf(std::string_view in) {
  in = UpToNul(in);
  return Convert(OrvToRtf, RtfRoom(in.size()), in);
}

}  // namespace zrt
