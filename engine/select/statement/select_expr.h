// Select dialect expressions: values, the compiled expression (a flat node array in
// evaluation order), the parser of one clause and the evaluator of one row.
//
// Grammar, loosest binding first (the arithmetic levels are in this unusual order on
// purpose, so 2 + 3 * 4 is 20):
//   expression = term { OR term }
//   term       = factor { AND factor }
//   factor     = NOT primary
//              | operand ( = <= < >= > <> ) operand
//              | operand ( = <= < >= > <> ) ( SOME | ANY | ALL ) "(" list ")"
//              | operand [NOT] LIKE operand | operand IS [NOT] NULL
//              | operand [NOT] IN "(" list ")" | operand [NOT] BETWEEN factor AND factor
//              | operand
//   operand    = sum { ( / | * | % ) sum }
//   sum        = bits { ( + | - | "||" ) bits }
//   bits       = unary { ( & | "|" | ~ | << | >> ) unary }
//   unary      = [ ~ | - ] primary
//   primary    = name | string | number | function "(" [arguments] ")" | "(" expression ")"
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace zrt::sel {

// Integers are 64-bit and floating-point values double precision: the narrower
// storage of older engines made sums of a column wrong long before anyone noticed.
enum class Kind : uint8_t { Int, Float, Text };

struct Value {
  Kind kind = Kind::Text;
  int64_t i = 0;
  double f = 0;
  std::string s;  // Windows-1251

  static Value Int(int64_t v) { return {Kind::Int, v, 0, {}}; }
  static Value Float(double v) { return {Kind::Float, 0, v, {}}; }
  static Value Text(std::string v) { return {Kind::Text, 0, 0, std::move(v)}; }
  bool isText() const { return kind == Kind::Text; }
  // "%lld" for integers, "%g" for floating-point values, texts as they are.
  std::string ToText() const;
};

// Texts read as numbers by the standard prefix conversions (0 when there is no number).
int64_t TextToInt(const std::string& text);
double TextToFloat(const std::string& text);
int64_t AsInt(const Value& v);   // floating-point values truncate toward zero
double AsFloat(const Value& v);
// A double as a 64-bit integer without undefined behaviour: clamped, NaN gives 0.
int64_t ClampToInt(double d);
// -1, 0 or 1: texts bytewise, a floating-point value on either side as floating-point,
// otherwise as integers.
int Compare(const Value& a, const Value& b);
// One of the comparison codes (= <= < >= > <>) applied by the rule above.
bool CompareBy(int code, const Value& a, const Value& b);
// The dialect's LIKE: `_` one byte, `%` jumps to the first occurrence of the byte that
// follows it (no later occurrence is tried), a trailing `%` takes the rest.
bool Like(const std::string& text, const std::string& pattern);

// Token codes; 1-31 are also the operator codes of operator nodes.
enum Token : int {
  kOr = 1, kAnd, kNot, kEq, kLe, kLt, kGe, kGt, kNe, kLike, kDiv, kMul, kMod, kPlus, kMinus,
  kConcat, kBitAnd, kBitOr, kShl, kShr, kTilde, kIsNotNull, kIsNull, kIn, kNotIn, kNotLike,
  kBetween, kNotBetween, kSome, kAny, kAll,
  kNegate = 32,  // unary minus: an operator node only, no token
  kName = 40, kString, kInteger, kOpen, kClose, kFloat, kFunction = 50,
  kComma = 60, kEnd
};

// A resolved column: a source field number, or a defined field of the descriptor.
struct ColumnRef {
  uint8_t field = 0;  // 0: the name is no field and reads as the empty text
  bool defined = false;
};

struct Node {
  enum class Type : uint8_t { Operator, Function, Constant, Column, RowId, RowNum, Slot };
  Type type = Type::Constant;
  int code = 0;  // operator token, function table index, or aggregate slot number
  std::vector<int32_t> args;  // indexes of earlier nodes
  Value constant;
  ColumnRef column;
};

struct Expr {
  std::vector<Node> nodes;  // operands precede their node; the last node is the root
  bool empty() const { return nodes.empty(); }
  bool RefersToColumn() const;
};

// ---- functions --------------------------------------------------------------------------

struct FunctionInfo {
  const char* name;
  int minArgs;
  int maxArgs;  // -1: unlimited
};
// The function table, in its fixed order (ABS stands twice; lookups find the first).
const std::vector<FunctionInfo>& FunctionTable();
int FindFunction(const std::string& name);  // index or -1, without regard to case
enum Aggregate : int { kMaxAgg = 1, kMinAgg, kAvgAgg, kSumAgg, kCountAgg };  // table indexes
inline bool IsAggregate(int function) { return function >= kMaxAgg && function <= kCountAgg; }
extern const int kInFunction, kBetweenFunction, kNotBetweenFunction;
// Runs table entry `function`; false (with *error) when the function reports an error.
bool CallFunction(int function, std::vector<Value>& args, Value* out, std::string* error);

// A date text as day, month and year; false when it is not a date. Exposed for tests.
bool ParseDate(const std::string& text, int* day, int* month, int* year);
// TO_CHAR's picture formatting; false when the format is unusable.
bool FormatPicture(double x, const std::string& format, std::string* out);

// ---- parsing ------------------------------------------------------------------------------

struct ParseError {
  int kind = 0;       // 1 syntax, 2 no room for a node, 3 argument count
  size_t position = 0;  // byte offset in the clause text where parsing stopped
};

class ClauseParser {
 public:
  static constexpr size_t kMaxNodes = 4096;   // per expression
  static constexpr int kMaxDepth = 256;  // grammar levels entered: about 85 parentheses deep
  static constexpr int kMaxWord = 15;         // longest name or number

  // An aggregate call met where aggregates are allowed: returns its slot number, or -1
  // when there is no room (error kind 2). `argument` is empty for COUNT(*).
  using AggregateSink = std::function<int(int function, bool distinct, Expr argument)>;
  using Resolver = std::function<ColumnRef(const std::string& name)>;

  ClauseParser(const std::string& text, Resolver resolver, AggregateSink aggregates = nullptr);

  bool AtEnd();
  // One expression; false with error() set.
  bool ParseExpression(Expr* out);
  // An optional alias (a name or a string) after an item's expression.
  bool TakeAlias(std::string* alias);
  // A "," between list items; false at anything else (the position stays).
  bool TakeComma();
  // Where the last expression's text ended (before any alias), for headings.
  size_t lastEnd() const { return lastEnd_; }
  // Where the next token starts (or the scan stands, when none has been read ahead).
  size_t position() const { return have_ ? tokStart_ : pos_; }
  const ParseError& error() const { return error_; }
  // A syntax error at the current token (for text left over after a clause).
  void FailHere() { Fail(1, tokStart_); }

 private:
  struct Tok {
    int code = kEnd;
    size_t start = 0, end = 0;
    std::string text;  // name, string constant or function name
    int64_t integer = 0;
    double number = 0;
    int function = -1;
  };

  bool Peek();  // scans the next token into tok_ unless it is already there
  void Take() { have_ = false; }
  bool Scan(Tok* t);
  bool ScanWord(Tok* t);
  int Add(Node n);
  int Op(int code, std::vector<int32_t> args);
  int Fail(int kind, size_t at);

  int Expression();
  int Term();
  int Factor();
  int Level(int (ClauseParser::*operand)(), std::initializer_list<int> codes);
  int Operand();
  int Sum();
  int Bits();
  int Unary();
  int Primary();
  int Call(const Tok& name);
  bool List(std::vector<int32_t>* items);

  const std::string& text_;
  Resolver resolver_;
  AggregateSink aggregates_;
  std::vector<Node>* nodes_ = nullptr;
  size_t pos_ = 0;
  Tok tok_;
  bool have_ = false;
  size_t tokStart_ = 0;
  size_t lastEnd_ = 0;
  int depth_ = 0;
  bool inAggregate_ = false;
  ParseError error_;
};

// ---- evaluation ---------------------------------------------------------------------------

// What an evaluation reads of its row.
class RowSource {
 public:
  virtual ~RowSource() = default;
  // The column's text in `record` (empty when absent); false when it cannot be read.
  virtual bool ColumnText(int32_t record, const ColumnRef& column, std::string* out) = 0;
};

struct EvalContext {
  RowSource* rows = nullptr;
  int32_t record = 0;      // the row's record number (ROWID)
  int64_t rowNumber = 1;   // ROWNUM
  const double* slots = nullptr;  // aggregate slot values
  int slotCount = 0;
};

// The root's value; an empty expression gives the integer 0. False with *error when an
// operator gets kinds it does not accept, a divisor is zero or a function fails.
bool Evaluate(const Expr& e, const EvalContext& context, Value* out, std::string* error);
// Evaluate and write as text ("1"/"0" for conditions).
bool EvaluateText(const Expr& e, const EvalContext& context, std::string* out, std::string* error);
// An aggregate slot's value: an integer when integral, else floating-point.
Value SlotValue(double v);

}  // namespace zrt::sel
