// The edition's descriptor (".cdw"): which record store the edition uses, and the fields
// that callers see, defined as expressions over the store's (source) fields.
//
// File: Windows-1251 text, read as a text-mode stream (CR LF is a line end, Ctrl-Z ends the
// file). The first line is `database <store word>`; every later line that begins with an
// ASCII letter or digit starts a definition `NAME[(Alias)] = expression`, a line that begins
// with a blank, tab or punctuation continues the previous one (its line end kept), and
// blank lines are skipped.
//
// Expression language (blanks, tabs and line ends separate tokens):
//   alternation   := concatenation { ("|" | <a "(" directly follows>) concatenation }
//   concatenation := primary { "&" ['sep'] primary }
//   primary       := FIELD | 'text' | NUMBER | FUNCTION "(" alternation { "," alternation } ")"
//                  | "(" alternation ")"
// A word runs up to a blank, ")" or ","; so "TI|AB" is one (unknown) word, and operators
// after a name need a blank before them. A word that meets "(" is a function name ("BOUND",
// "IFN", any case). Other words are source field names, else numbers of at most 5 digits.
// In a quoted text '' stands for one quote.
//
// Values: a field missing from the record is the empty text; an alternation takes its first
// operand when that is non-empty, else its second; a concatenation puts its separator only
// between two non-empty sides; BOUND(prefix, value, suffix) has no value when value is
// empty; IFN(selector, then, else, n...) gives then when the selector's decimal value is
// one of the whole numbers n, else else (no value when the selector is empty).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"

namespace zrt {

// The record store's side of a descriptor: its field names and the current record's texts.
class FieldSource {
 public:
  virtual ~FieldSource() = default;
  // Source field number (1-based) of the first field whose name matches without regard to
  // letter case; 0 when none does.
  virtual uint8_t SourceFieldByName(const char* name) const = 0;
  // Text of source field srcNo in the current record; "" when the record lacks it.
  virtual const char* SourceFieldText(uint8_t srcNo) const = 0;
};

// Longest definition text, continuation lines and line ends included (a 2 KB buffer).
constexpr size_t kMaxDefinitionLength = 2047;
// A descriptor is a few kilobytes; anything larger than this is not one.
constexpr size_t kMaxDescriptorFileSize = 1 << 20;

struct DescriptorFile {
  std::string storeWord;                 // "named", "enamed" or the store's path
  std::vector<std::string> definitions;  // texts in file order, continuation lines joined
};

// NotFound when there is no descriptor file (the edition then shows its source fields);
// Corruption for a bad first line or a continuation line before any definition; Limit
// for an oversized definition or file; IOError when the file exists but cannot be read.
Status ReadDescriptorFile(const std::string& path, DescriptorFile* out);

// Path of the record store that a store word selects for an edition opened with
// (path, suffix). *useSuffix tells whether the store is opened with the suffix too.
//   "named"  -> path itself (with the suffix)
//   "enamed" -> path + suffix without extension and without a trailing "_" plus three
//               characters in its file name ("abc_001" -> "abc")
//   other    -> the word as a path ("\" or "/" separators)
std::string ResolveStoreName(const std::string& storeWord, const std::string& path,
                             const char* suffix, bool* useSuffix);

// The compiled definitions of one descriptor. Field numbers are 1-based positions.
class FieldDescriptor {
 public:
  static constexpr int kMaxDefinitions = 256;
  static constexpr int kMaxNodes = 1024;  // over all definitions
  static constexpr int kMaxStack = 64;    // operands pending while one is compiled
  static constexpr size_t kMaxWordLength = 127;
  static constexpr size_t kResultSize = 10000;  // shared result buffer, terminator included

  // Compiles one definition text and appends it. On failure nothing is appended.
  Status Compile(const std::string& definitionText, const FieldSource& source);

  int definitionCount() const { return static_cast<int>(definitions_.size()); }
  // Name without alias, and the alias (null when the name has none); null when n is out
  // of range.
  const char* Name(int n) const;
  const char* Alias(int n) const;
  // First definition whose name matches without regard to letter case; 0 when none.
  int NumberByName(const char* name) const;

  // Value of definition n for the source's current record, in a result buffer shared by
  // all descriptors and overwritten by the next call; cut to kResultSize - 1 bytes. Null
  // when n has no nodes (or is out of range), "" when the expression has no value.
  const char* Evaluate(int n, const FieldSource& source) const;

  // The source fields that definition n reads, in node order (a field used twice appears
  // twice). Writes at most `room` numbers; returns the count written.
  int SourceFieldsOf(int n, uint8_t* out, int room) const;

 private:
  // Operand kinds. A call node's first operand is the function (kind kFunction).
  enum OperandKind : uint8_t { kNodeRef = 0, kFunction = 1, kText = 15, kField = 16, kNumber = 17 };
  enum NodeKind : uint16_t { kValue = 2, kAlternation = 3, kConcatenation = 4, kCall = 5 };

  struct Operand {
    uint8_t kind = kNodeRef;
    int32_t value = 0;  // node index, function index, literal index, field number or number
  };
  // The nodes of a definition are stored in evaluation order; a value node ends it. A
  // call node is followed by one value node per argument.
  struct ExprNode {
    uint16_t kind = kValue;
    Operand a;               // operand of a value node, first operand, or the function
    Operand b;               // second operand of an alternation or concatenation
    int32_t separator = -1;  // concatenation: literal index of its separator, -1 for none
    int32_t argCount = 0;    // call: number of argument nodes that follow it
  };
  struct Definition {
    std::string name;
    std::string alias;
    bool hasAlias = false;
    std::vector<std::string> literals;  // quoted texts of the expression, unescaped
    int firstNode = 0;
    int nodeCount = 0;
  };
  class Compiler;

  const Definition* At(int n) const;

  std::vector<Definition> definitions_;
  std::vector<ExprNode> nodes_;
};

}  // namespace zrt
