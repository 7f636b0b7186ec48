// How a query term selects index words. The static dictionary and the update index
// both ask this one matcher, so a query finds the same records before and after packing.
//
// A term is at most 30 bytes of query text; it is compared with the index keys in their
// own code page and case (866, upper case). Wildcards: the cut character at the end means
// any continuation, the cut character and one digit n at the end at most n more bytes,
// "?" exactly one byte, a cut character inside the term any run of bytes. With auto cut
// on, a term without wildcards is a prefix.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "index/postings.h"
#include "text/qparams.h"

namespace zrt {

enum class TermMode {
  Exact,        // the whole key equals the term
  Prefix,       // the key begins with the prefix
  PrefixLimit,  // ... and has at most limit() bytes more
  Pattern,      // ... and the key matches the pattern
};

class TermMatcher {
public:
  static constexpr size_t kKeyLength = kWordKeyLength;

  // term: Windows-1251 query text (any case).
  TermMatcher(const char* term, const QueryParams& params);

  TermMode mode() const { return mode_; }
  // Every key matches: an empty term, or one that starts with a wildcard (without auto
  // cut). The static lookup then lists the dictionary's first words.
  bool matchesAll() const { return all_; }
  // The text before the first wildcard, in the key's code page and case.
  const std::string& prefix() const { return prefix_; }
  int limit() const { return limit_; }
  // A row count reported for this term is negative unless it is an exact lookup.
  bool exact() const { return mode_ == TermMode::Exact && !all_; }

  // `key` holds at most `length` bytes of an index key (866, upper case); it ends at
  // the first NUL, and trailing blanks are padding.
  bool Matches(const char* key, size_t length = kKeyLength) const;
  // Whether the first prefix().size() bytes of the key are below, equal to or above the
  // prefix (-1, 0, 1): the run of candidate keys in a sorted index.
  int ComparePrefix(const char* key, size_t length = kKeyLength) const;

private:
  enum class Piece : char { Byte, AnyRun, OneByte };
  bool PatternMatches(size_t p, const char* word, size_t n) const;

  TermMode mode_ = TermMode::Exact;
  bool all_ = false;
  std::string prefix_;
  int limit_ = 0;
  std::string pattern_;        // converted bytes of the term
  std::vector<Piece> pieces_;  // what each pattern byte is
};

}  // namespace zrt
