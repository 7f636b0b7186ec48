#include "index/term_match.h"

#include <cstring>

#include "text/charset.h"

namespace zrt {

TermMatcher::TermMatcher(const char* term, const QueryParams& params) {
  std::string text = term ? term : "";
  if (text.size() > kKeyLength) text.resize(kKeyLength);
  const char cut = params.cutChar;
  auto piece = [cut](char c) {
    return c == cut ? Piece::AnyRun : c == '?' ? Piece::OneByte : Piece::Byte;
  };
  mode_ = TermMode::Prefix;
  if (text.empty() || (!params.autoCut && piece(text[0]) != Piece::Byte)) {
    all_ = true;
    return;
  }
  // Wildcards are found in the query's own bytes: the conversion below could turn a cut
  // character that is a letter into another byte. The term is converted exactly as the
  // indexer makes its keys (upper case first, then the code page): upper-casing after
  // the conversion would also raise the ASCII letters that some ANSI bytes become.
  pattern_ = IndexKey(text);
  for (char c : text) pieces_.push_back(piece(c));

  size_t wild = 0;
  while (wild < pieces_.size() && pieces_[wild] == Piece::Byte) ++wild;
  const size_t n = text.size();
  prefix_ = pattern_.substr(0, wild);
  if (wild == n) {
    mode_ = params.autoCut ? TermMode::Prefix : TermMode::Exact;
  } else if (wild == n - 1) {
    mode_ = pieces_[wild] == Piece::AnyRun ? TermMode::Prefix : TermMode::Pattern;
  } else if (wild == n - 2 && text[n - 1] >= '0' && text[n - 1] <= '9') {
    limit_ = text[n - 1] - '0';
    mode_ = limit_ == 0 ? TermMode::Exact : TermMode::PrefixLimit;
  } else {
    mode_ = TermMode::Pattern;
  }
}

namespace {

// Bytes of the key that are present (it may be NUL-terminated before `length`).
size_t KeyBytes(const char* key, size_t length) {
  size_t n = 0;
  while (n < length && key[n]) ++n;
  return n;
}

size_t WithoutPadding(const char* s, size_t n) {
  while (n > 0 && s[n - 1] == ' ') --n;
  return n;
}

}  // namespace

int TermMatcher::ComparePrefix(const char* key, size_t length) const {
  size_t n = KeyBytes(key, length);
  for (size_t i = 0; i < prefix_.size(); ++i) {
    auto a = static_cast<unsigned char>(i < n ? key[i] : ' ');
    auto b = static_cast<unsigned char>(prefix_[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  return 0;
}

bool TermMatcher::Matches(const char* key, size_t length) const {
  if (all_) return true;
  const size_t n = KeyBytes(key, length);
  if (mode_ == TermMode::Exact) {
    size_t k = WithoutPadding(key, n);
    size_t p = WithoutPadding(prefix_.data(), prefix_.size());
    return k == p && std::memcmp(key, prefix_.data(), k) == 0;
  }
  if (ComparePrefix(key, length) != 0) return false;
  switch (mode_) {
    case TermMode::Prefix:
      return true;
    case TermMode::PrefixLimit: {
      size_t word = 0;
      while (word < n && key[word] != ' ') ++word;
      return word <= prefix_.size() + static_cast<size_t>(limit_);
    }
    case TermMode::Pattern:
      return PatternMatches(0, key, n);
    case TermMode::Exact:
      break;
  }
  return false;
}

// Whether pattern_[p..] matches the key from its start: "?" one byte that is not a
// blank, the cut character any run without a blank (anything at all when it ends the
// pattern), other bytes themselves; the pattern must end where the word ends or reaches
// its padding. A table over (pattern position, key position) keeps runs of cut
// characters from taking exponential time.
bool TermMatcher::PatternMatches(size_t p0, const char* word, size_t n) const {
  const size_t m = pattern_.size();
  // ok[p][i]: pattern_[p..] matches word[i..].
  std::vector<std::vector<char>> ok(m + 1, std::vector<char>(n + 1, 0));
  for (size_t i = 0; i <= n; ++i) ok[m][i] = i == n || word[i] == ' ';
  for (size_t p = m; p-- > p0;) {
    for (size_t i = n + 1; i-- > 0;) {
      bool more = i < n && word[i] != ' ';
      switch (pieces_[p]) {
        case Piece::Byte:
          ok[p][i] = i < n && word[i] == pattern_[p] && ok[p + 1][i + 1];
          break;
        case Piece::OneByte:
          ok[p][i] = more && ok[p + 1][i + 1];
          break;
        case Piece::AnyRun:
          ok[p][i] = p + 1 == m || ok[p + 1][i] || (more && ok[p][i + 1]);
          break;
      }
    }
  }
  return ok[p0][0];
}

}  // namespace zrt
