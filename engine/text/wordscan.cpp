#include "text/wordscan.h"

#include "text/charset.h"
#include "text/stopwords.h"

namespace zrt {
namespace {

inline bool InRange(unsigned char c, unsigned lo, unsigned hi) { return c >= lo && c <= hi; }

// After "_": "[", "{" and the highlight starts DD (colour), DE (bold), DF (italic).
bool IsOpeningCode(unsigned char c) {
  return c == '[' || c == '{' || c == 0xDF || c == 0xDD || c == 0xDE;
}
// After "_": "]", "}" and the highlight ends FD, FE, FF.
bool IsClosingCode(unsigned char c) {
  return c == ']' || c == '}' || c == 0xFF || c == 0xFD || c == 0xFE;
}

// A word may start with "$", a digit, "@", a Latin letter, "[", "_", "{" or C0-FF.
bool DropsFromFront(unsigned char c) {
  return (InRange(c, 0x01, 0x2F) && c != '$') || InRange(c, 0x3A, 0x3F) ||
         (InRange(c, 0x5C, 0x60) && c != '_') || InRange(c, 0x7C, 0x7F) || InRange(c, 0x80, 0xBF);
}

// A word may end with "$", a digit, "@", a Latin letter, "]", "_", "}" or C0-FF.
bool DropsFromBack(unsigned char c) {
  return (InRange(c, 0x01, 0x2F) && c != '$') || (InRange(c, 0x7B, 0x7F) && c != '}') ||
         InRange(c, 0x80, 0xBF) || InRange(c, 0x3A, 0x3F) || c == '[' || c == '\\' || c == '^' ||
         c == '`';
}

bool AllDigits(const char* w) {
  for (; *w; ++w)
    if (*w < '0' || *w > '9') return false;
  return true;
}

inline unsigned char At(const char* p, size_t i) { return static_cast<unsigned char>(p[i]); }

// Narrows the word [*word, *word + *len) to its trimmed bounds; the caller terminates it.
void Trim(char** word, size_t* len) {
  char* w = *word;
  size_t n = *len;
  while (n > 0) {
    if (n >= 2 && w[0] == '_' && IsOpeningCode(At(w, 1))) {
      w += 2;
      n -= 2;
    } else if (DropsFromFront(At(w, 0))) {
      ++w;
      --n;
    } else {
      break;
    }
  }
  while (n > 0) {
    unsigned char last = At(w, n - 1);
    if (n >= 2 && w[n - 2] == '_') {
      // An escaped byte is part of the word unless it closes a markup run.
      if (!IsClosingCode(last)) break;
      n -= 2;
    } else if (DropsFromBack(last)) {
      --n;
    } else {
      break;
    }
  }
  *word = w;
  *len = n;
}

}  // namespace

void WordScanner::Reset(char* text) {
  start_ = text;
  pos_ = text;
  first_ = true;
}

char* WordScanner::Next(uint8_t* counter, int32_t* offset) {
  // Only the first call after Reset may return a pure number (a year that opens a field);
  // once the call is over, later numbers are noise.
  const bool mayBeNumber = first_;
  first_ = false;
  while (pos_) {
    while (InRange(At(pos_, 0), 0x01, 0x20)) ++pos_;
    if (*pos_ == '\0') {
      pos_ = nullptr;
      return nullptr;
    }
    char* word = pos_;
    char* end = word;
    while (At(end, 0) > 0x20) ++end;
    if (*end == '\0') {
      pos_ = end;
    } else {
      *end = '\0';
      pos_ = end + 1;
    }
    // Before the trim, which would cut a final «ё» off as punctuation ("всё").
    FoldYo(word);
    size_t len = static_cast<size_t>(end - word);
    Trim(&word, &len);
    if (len == 0) continue;
    word[len] = '\0';

    unsigned char c0 = At(word, 0);
    if (len == 1 && (c0 == '$' || c0 == '@' || InRange(c0, '0', '9') || c0 >= 0x80)) continue;
    if ((c0 == '[' || c0 == '{') && (word[1] == ']' || word[1] == '}')) continue;
    if (!mayBeNumber && AllDigits(word)) continue;
    if (IsStopWord(word)) continue;

    if (counter) ++*counter;
    if (offset) *offset = static_cast<int32_t>(word - start_);
    return word;
  }
  return nullptr;
}

}  // namespace zrt
