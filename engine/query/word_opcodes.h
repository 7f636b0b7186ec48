// The word op-code list: the postfix record of a query's words and operators, which
// the highlighter replays over the words of a field's text to decide what to mark.
// Fixed capacities; once one is reached the list stops recording for the rest of the
// query, so what it holds is always a consistent program (a prefix of the query's).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zrt {

class WordOpCodes {
public:
  static constexpr size_t kMaxWords = 100;
  static constexpr size_t kMaxRecords = 400;
  static constexpr size_t kMaxOccurrences = 200;
  static constexpr size_t kMaxWordBytes = 30;

  enum Op : uint8_t {
    kOr = 0,        // OR, and AND outside a field-restricted group
    kSame = 1,      // SAME, WITH, juxtaposition, AND inside a field-restricted group
    kTerm = 2,
    kIn = 3,
    kNotIn = 4,
    kNegated = 5,   // NOT, NOT SAME, NOT WITH, NOT ADJ
    kAdjacent = 10, // + distance
  };

  struct Record {
    uint8_t op;
    uint8_t first;    // word index left on top of the stack
    uint32_t second;  // word index popped, or the field mask of IN / NOT IN
  };

  struct WordOccurrence {
    uint8_t field;
    uint8_t position;
    uint16_t offset;  // in the field's text
    uint16_t length;
  };

  struct Word {
    std::string text;  // as stored: see AddTerm
    std::vector<WordOccurrence> occurrences;
  };

  void Clear();
  // A term as the query wrote it, quotes already removed: at most 30 bytes are kept, and
  // a trailing cut character with a digit keeps only the cut character.
  void AddTerm(const std::string& term, char cutChar);
  // A binary operator (kOr, kSame, kNegated, kAdjacent + n).
  void AddOperator(int op);
  // kIn or kNotIn with bit f-1 set for each field number f of the list.
  void AddFieldRestriction(int op, uint32_t fieldMask);

  const std::vector<Record>& records() const { return records_; }
  std::vector<Word>& words() { return words_; }
  const std::vector<Word>& words() const { return words_; }
  bool full() const { return full_; }

private:
  bool Room(size_t words);

  std::vector<Word> words_;
  std::vector<Record> records_;
  std::vector<uint8_t> stack_;
  bool full_ = false;
};

}  // namespace zrt

// The list behind the exported op-code list object, named in the public header.
struct ZrtWordOpCodes : zrt::WordOpCodes {};
