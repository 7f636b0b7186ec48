#include "core/descriptor.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <optional>
#include <utility>

#include "base/file.h"
#include "base/names.h"
#include "text/charset.h"

namespace zrt {

namespace {

// Every byte below 33 separates tokens (blanks, tabs, line ends and other control bytes);
// bytes are compared unsigned so that Cyrillic letters are never taken for blanks.
bool IsBlank(char c) { return static_cast<unsigned char>(c) < 33; }

bool IsLineSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

void StripTrailingBlanks(std::string* s) {
  while (!s->empty() && IsBlank(s->back())) s->pop_back();
}

// The same failure with a context put in front of its message.
Status InContext(const Status& s, const std::string& context) {
  std::string m = context + ": " + s.message();
  switch (s.code()) {
    case Status::Code::Limit:
      return Status::Limit(m);
    case Status::Code::Corruption:
      return Status::Corruption(m);
    case Status::Code::IOError:
      return Status::IOError(m);
    case Status::Code::NotFound:
      return Status::NotFound(m);
    default:
      return Status::InvalidArgument(m);
  }
}

// Decimal value of a text the way the C library's atoi reads it (leading white space, an
// optional sign, digits up to the first non-digit), saturated instead of overflowing.
long long DecimalValue(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (v <= INT_MAX) v = v * 10 + (text[i] - '0');
  }
  if (v > INT_MAX) v = INT_MAX;
  return negative ? -v : v;
}

// An evaluated operand: a text, or no value at all.
using Value = std::optional<std::string>;

bool HasText(const Value& v) { return v && !v->empty(); }

Value Bound(std::vector<Value>& args) {
  if (!HasText(args[1])) return std::nullopt;
  std::string out = args[0] ? std::move(*args[0]) : std::string();
  out += *args[1];
  if (args[2]) out += *args[2];
  return out;
}

Value Ifn(std::vector<Value>& args) {
  if (!HasText(args[0])) return std::nullopt;
  long long selector = DecimalValue(*args[0]);
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] && DecimalValue(*args[i]) == selector) return std::move(args[1]);
  }
  return std::move(args[2]);
}

// The built-in functions. The first `textArgs` arguments are texts and required; any
// further ones are whole numbers when `numbersFollow`, otherwise passed and unused.
struct BuiltIn {
  const char* name;
  size_t textArgs;
  bool numbersFollow;
  Value (*call)(std::vector<Value>& args);
};

constexpr BuiltIn kBuiltIns[] = {
    {"BOUND", 3, false, Bound},
    {"IFN", 3, true, Ifn},
};

}  // namespace

// ---------------------------------------------------------------------------------------
// Compiler: recursive descent over one expression; each rule mirrors one grammar rule of
// the header. Operands wait on a bounded stack; each operator pops its operands, appends
// its node and pushes a reference to that node.

class FieldDescriptor::Compiler {
 public:
  Compiler(const std::string& text, const FieldSource& source, Definition* def,
           std::vector<ExprNode>* nodes)
      : text_(text), source_(source), def_(def), nodes_(nodes) {}

  Status Run() {
    def_->firstNode = static_cast<int>(nodes_->size());
    def_->nodeCount = 0;
    if (Status s = Alternation(); !s.ok()) return s;
    SkipBlanks();
    if (pos_ < text_.size()) return Status::InvalidArgument("text left over: " + Rest());
    if (stack_.size() != 1) return Status::InvalidArgument("malformed expression");
    ExprNode value;
    value.a = stack_.back();
    int index;
    return Append(value, &index);
  }

 private:
  enum class Tok { End, Alt, Concat, Open, Close, Comma, Text, Field, Number, Function };
  struct Token {
    Tok kind = Tok::End;
    int32_t value = 0;       // literal index, field number, number or function index
    int32_t separator = -1;  // Concat: literal index of its separator
  };

  // alternation := concatenation { ("|" | <"(" follows>) concatenation }
  Status Alternation() {
    if (Status s = Concatenation(); !s.ok()) return s;
    for (;;) {
      if (At('|')) {
        ++pos_;
      } else if (!At('(')) {
        return Status::Ok();
      }
      if (Status s = Concatenation(); !s.ok()) return s;
      if (Status s = Binary(kAlternation, -1); !s.ok()) return s;
    }
  }

  // concatenation := primary { "&" ['sep'] primary }
  Status Concatenation() {
    if (Status s = Primary(); !s.ok()) return s;
    while (At('&')) {
      Token amp;
      if (Status s = Next(&amp); !s.ok()) return s;
      if (Status s = Primary(); !s.ok()) return s;
      if (Status s = Binary(kConcatenation, amp.separator); !s.ok()) return s;
    }
    return Status::Ok();
  }

  // primary := FIELD | 'text' | NUMBER | FUNCTION "(" args ")" | "(" alternation ")"
  Status Primary() {
    Token t;
    if (Status s = Next(&t); !s.ok()) return s;
    switch (t.kind) {
      case Tok::Field:
        return Push({kField, t.value});
      case Tok::Text:
        return Push({kText, t.value});
      case Tok::Number:
        return Push({kNumber, t.value});
      case Tok::Function:
        return Call(t.value);
      case Tok::Open: {
        if (Status s = Alternation(); !s.ok()) return s;
        return Expect(Tok::Close, "missing ')'");
      }
      default:
        return Status::InvalidArgument("expected a field, text, number, function or '(' at " +
                                       Rest());
    }
  }

  Status Call(int32_t function) {
    const BuiltIn& f = kBuiltIns[function];
    if (Status s = Push({kFunction, function}); !s.ok()) return s;
    if (Status s = Expect(Tok::Open, "missing '('"); !s.ok()) return s;
    size_t argc = 0;
    for (;;) {
      if (Status s = Alternation(); !s.ok()) return s;
      ++argc;
      if (!At(',')) break;
      ++pos_;
    }
    if (Status s = Expect(Tok::Close, std::string("missing ')' after the arguments of ") + f.name);
        !s.ok()) {
      return s;
    }
    // Fewer arguments than the function reads would leave it reading nothing.
    if (argc < f.textArgs) {
      return Status::InvalidArgument(std::string(f.name) + " needs " + std::to_string(f.textArgs) +
                                     " arguments");
    }
    std::vector<Operand> args(stack_.end() - static_cast<long>(argc), stack_.end());
    stack_.resize(stack_.size() - argc);
    ExprNode call;
    call.kind = kCall;
    call.a = {kFunction, function};
    call.argCount = static_cast<int32_t>(argc);
    int callIndex;
    if (Status s = Append(call, &callIndex); !s.ok()) return s;
    for (const Operand& arg : args) {
      ExprNode value;
      value.a = arg;
      int index;
      if (Status s = Append(value, &index); !s.ok()) return s;
    }
    stack_.back() = {kNodeRef, callIndex};  // the function's own entry
    return Status::Ok();
  }

  Status Binary(NodeKind kind, int32_t separator) {
    ExprNode node;
    node.kind = kind;
    node.b = stack_.back();
    stack_.pop_back();
    node.a = stack_.back();
    stack_.pop_back();
    node.separator = separator;
    int index;
    if (Status s = Append(node, &index); !s.ok()) return s;
    return Push({kNodeRef, index});
  }

  Status Push(Operand op) {
    if (stack_.size() >= static_cast<size_t>(kMaxStack)) {
      return Status::Limit("expression nested too deeply (more than " + std::to_string(kMaxStack) +
                           " pending operands)");
    }
    stack_.push_back(op);
    return Status::Ok();
  }

  Status Append(const ExprNode& node, int* index) {
    if (nodes_->size() >= static_cast<size_t>(kMaxNodes)) {
      return Status::Limit("more than " + std::to_string(kMaxNodes) +
                           " expression nodes in the descriptor");
    }
    *index = static_cast<int>(nodes_->size());
    nodes_->push_back(node);
    ++def_->nodeCount;
    return Status::Ok();
  }

  Status Expect(Tok kind, const std::string& message) {
    Token t;
    if (Status s = Next(&t); !s.ok()) return s;
    if (t.kind != kind) return Status::InvalidArgument(message);
    return Status::Ok();
  }

  // Lexer --------------------------------------------------------------------------------

  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }

  // True when the next token begins with c (the position is left at it).
  bool At(char c) {
    SkipBlanks();
    return pos_ < text_.size() && text_[pos_] == c;
  }

  std::string Rest() const {
    return pos_ < text_.size() ? "\"" + text_.substr(pos_, 40) + "\"" : "the end";
  }

  Status Next(Token* t) {
    SkipBlanks();
    *t = Token();
    if (pos_ >= text_.size()) return Status::Ok();
    switch (text_[pos_]) {
      case '|':
        ++pos_;
        t->kind = Tok::Alt;
        return Status::Ok();
      case '(':
        ++pos_;
        t->kind = Tok::Open;
        return Status::Ok();
      case ')':
        ++pos_;
        t->kind = Tok::Close;
        return Status::Ok();
      case ',':
        ++pos_;
        t->kind = Tok::Comma;
        return Status::Ok();
      case '&':
        ++pos_;
        t->kind = Tok::Concat;
        if (pos_ < text_.size() && text_[pos_] == '\'') return Quoted(&t->separator);
        return Status::Ok();
      case '\'':
        t->kind = Tok::Text;
        return Quoted(&t->value);
      default:
        return Word(t);
    }
  }

  // A quoted text at the position; '' inside stands for one quote.
  Status Quoted(int32_t* literal) {
    ++pos_;
    std::string out;
    for (;;) {
      if (pos_ >= text_.size()) return Status::InvalidArgument("text without its closing quote");
      char c = text_[pos_++];
      if (c == '\'') {
        if (pos_ < text_.size() && text_[pos_] == '\'') {
          ++pos_;
        } else {
          break;
        }
      }
      out += c;
    }
    *literal = static_cast<int32_t>(def_->literals.size());
    def_->literals.push_back(std::move(out));
    return Status::Ok();
  }

  // A word ends at a blank, ")", "," or "(" ("|" and "&" do not end it). Met by "(", it is
  // a function name; otherwise a source field name, else a number of at most 5 digits.
  Status Word(Token* t) {
    size_t start = pos_;
    while (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != ')' &&
           text_[pos_] != ',' && text_[pos_] != '(') {
      ++pos_;
    }
    std::string word = text_.substr(start, pos_ - start);
    if (word.size() > kMaxWordLength) {
      return Status::Limit("word longer than " + std::to_string(kMaxWordLength) +
                           " characters: \"" + word.substr(0, 40) + "...\"");
    }
    if (pos_ < text_.size() && text_[pos_] == '(') {
      for (size_t i = 0; i < std::size(kBuiltIns); ++i) {
        if (StrICmp(word.c_str(), kBuiltIns[i].name) == 0) {
          t->kind = Tok::Function;
          t->value = static_cast<int32_t>(i);
          return Status::Ok();
        }
      }
      return Status::InvalidArgument("unknown function \"" + word + "\"");
    }
    if (uint8_t field = source_.SourceFieldByName(word.c_str())) {
      t->kind = Tok::Field;
      t->value = field;
      return Status::Ok();
    }
    bool digits = word.size() < 6;
    for (char c : word) digits = digits && c >= '0' && c <= '9';
    if (digits) {
      t->kind = Tok::Number;
      t->value = static_cast<int32_t>(std::stol(word));
      return Status::Ok();
    }
    return Status::InvalidArgument("unknown field \"" + word + "\"");
  }

  const std::string& text_;
  const FieldSource& source_;
  Definition* def_;
  std::vector<ExprNode>* nodes_;
  size_t pos_ = 0;
  std::vector<Operand> stack_;
};

Status FieldDescriptor::Compile(const std::string& definitionText, const FieldSource& source) {
  std::string context = "field definition " + std::to_string(definitions_.size() + 1);
  if (definitions_.size() >= static_cast<size_t>(kMaxDefinitions)) {
    return Status::Limit("more than " + std::to_string(kMaxDefinitions) + " field definitions");
  }
  if (definitionText.size() > kMaxDefinitionLength) {
    return Status::Limit(context + ": longer than " + std::to_string(kMaxDefinitionLength) +
                         " characters");
  }
  size_t eq = definitionText.find('=');
  if (eq == std::string::npos) return Status::InvalidArgument(context + ": no '='");
  std::string left = definitionText.substr(0, eq);
  size_t start = eq + 1;
  while (start < definitionText.size() &&
         (IsLineSpace(definitionText[start]) || definitionText[start] == '=')) {
    ++start;
  }
  if (start == definitionText.size())
    return Status::InvalidArgument(context + ": empty expression");

  // "TI(Title)" is the name TI with the alias Title. Blanks before "(" or "=" are not
  // part of the name, so that "TI (Title)" and "TI\n=" still name TI.
  Definition def;
  StripTrailingBlanks(&left);
  size_t open = left.find('(');
  if (open != std::string::npos) {
    def.alias = left.substr(open + 1);
    def.alias.erase(std::min(def.alias.find(')'), def.alias.size()));
    def.hasAlias = true;
    left.erase(open);
    StripTrailingBlanks(&left);
  }
  if (left.empty()) return Status::InvalidArgument(context + ": no name before '='");
  def.name = std::move(left);
  context += " (" + def.name + ")";

  std::string expression = definitionText.substr(start);
  size_t mark = nodes_.size();
  Compiler compiler(expression, source, &def, &nodes_);
  if (Status s = compiler.Run(); !s.ok()) {
    nodes_.resize(mark);
    return InContext(s, context);
  }
  definitions_.push_back(std::move(def));
  return Status::Ok();
}

// ---------------------------------------------------------------------------------------
// Lookup and evaluation

const FieldDescriptor::Definition* FieldDescriptor::At(int n) const {
  if (n < 1 || n > definitionCount()) return nullptr;
  return &definitions_[static_cast<size_t>(n - 1)];
}

const char* FieldDescriptor::Name(int n) const {
  const Definition* d = At(n);
  return d ? d->name.c_str() : nullptr;
}

const char* FieldDescriptor::Alias(int n) const {
  const Definition* d = At(n);
  return d && d->hasAlias ? d->alias.c_str() : nullptr;
}

int FieldDescriptor::NumberByName(const char* name) const {
  if (!name) return 0;
  for (size_t i = 0; i < definitions_.size(); ++i) {
    if (StrICmp(definitions_[i].name.c_str(), name) == 0) return static_cast<int>(i + 1);
  }
  return 0;
}

const char* FieldDescriptor::Evaluate(int n, const FieldSource& source) const {
  static char result[kResultSize];
  const Definition* d = At(n);
  if (!d || d->nodeCount == 0) return nullptr;

  // Results of this definition's nodes. Each node is referred to once, so its text is
  // moved into the operator that uses it.
  std::vector<Value> results(static_cast<size_t>(d->nodeCount));
  auto take = [&](const Operand& op) -> Value {
    switch (op.kind) {
      case kText:
        return d->literals[static_cast<size_t>(op.value)];
      case kNumber:
        return std::to_string(op.value);
      case kField: {
        const char* text = source.SourceFieldText(static_cast<uint8_t>(op.value));
        return std::string(text ? text : "");
      }
      case kNodeRef: {
        Value& v = results[static_cast<size_t>(op.value - d->firstNode)];
        Value out = std::move(v);
        v.reset();
        return out;
      }
      default:
        return std::nullopt;
    }
  };

  Value final;
  for (int i = 0; i < d->nodeCount; ++i) {
    const ExprNode& node = nodes_[static_cast<size_t>(d->firstNode + i)];
    Value& out = results[static_cast<size_t>(i)];
    if (node.kind == kValue) {
      final = take(node.a);
      break;
    }
    if (node.kind == kAlternation) {
      Value a = take(node.a);
      Value b = take(node.b);
      out = HasText(a) ? std::move(a) : std::move(b);
    } else if (node.kind == kConcatenation) {
      Value a = take(node.a);
      Value b = take(node.b);
      bool both = HasText(a) && HasText(b);
      std::string text = a ? std::move(*a) : std::string();
      if (both && node.separator >= 0) {
        text += d->literals[static_cast<size_t>(node.separator)];
      }
      if (b) text += *b;
      out = std::move(text);
    } else if (node.kind == kCall) {
      const BuiltIn& f = kBuiltIns[node.a.value];
      std::vector<Value> args;
      for (int k = 1; k <= node.argCount && i + k < d->nodeCount; ++k) {
        args.push_back(take(nodes_[static_cast<size_t>(d->firstNode + i + k)].a));
      }
      if (args.size() >= f.textArgs) out = f.call(args);
      i += node.argCount;
    } else {
      break;
    }
  }

  size_t length = final ? std::min(final->size(), kResultSize - 1) : 0;
  if (length) std::memcpy(result, final->data(), length);
  result[length] = '\0';
  return result;
}

int FieldDescriptor::SourceFieldsOf(int n, uint8_t* out, int room) const {
  const Definition* d = At(n);
  if (!d || !out) return 0;
  int count = 0;
  for (int i = 0; i < d->nodeCount; ++i) {
    const ExprNode& node = nodes_[static_cast<size_t>(d->firstNode + i)];
    for (const Operand* op : {&node.a, &node.b}) {
      if (op->kind == kField && count < room) out[count++] = static_cast<uint8_t>(op->value);
    }
  }
  return count;
}

// ---------------------------------------------------------------------------------------
// The descriptor file

Status ReadDescriptorFile(const std::string& path, DescriptorFile* out) {
  *out = DescriptorFile();
  std::string data;
  if (!ReadWholeFile(path, &data, kMaxDescriptorFileSize + 1)) {
    // A descriptor that exists but cannot be read must not turn into "no descriptor": the
    // edition would then silently show other fields.
    if (Env::Current()->Exists(path)) return Status::IOError("cannot read descriptor " + path);
    return Status::NotFound("no descriptor " + path);
  }
  if (data.size() > kMaxDescriptorFileSize) {
    return Status::Limit("descriptor larger than " + std::to_string(kMaxDescriptorFileSize) +
                         " bytes: " + path);
  }
  // Read as a text-mode stream: Ctrl-Z ends the file, CR LF is one line end.
  data.erase(std::min(data.find('\x1A'), data.size()));

  // Lines keep their "\n"; a line of any length is taken whole (the definition limit below
  // bounds what is kept).
  std::vector<std::string> lines;
  for (size_t at = 0; at < data.size();) {
    size_t end = data.find('\n', at);
    end = end == std::string::npos ? data.size() : end + 1;
    std::string line = data.substr(at, end - at);
    if (line.size() >= 2 && line[line.size() - 2] == '\r' && line.back() == '\n') {
      line.erase(line.size() - 2, 1);
    }
    lines.push_back(std::move(line));
    at = end;
  }

  if (lines.empty() || lines[0].compare(0, 8, "database") != 0) {
    return Status::Corruption("descriptor does not begin with \"database\": " + path);
  }
  const std::string& first = lines[0];
  size_t word = 8;
  while (word < first.size() && (first[word] == ' ' || first[word] == '=')) ++word;
  size_t wordEnd = word;
  while (wordEnd < first.size() && !IsLineSpace(first[wordEnd])) ++wordEnd;
  if (wordEnd == word) return Status::Corruption("descriptor names no record store: " + path);
  out->storeWord = first.substr(word, wordEnd - word);

  std::string pending;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    bool blank = true;
    for (char c : line) blank = blank && IsLineSpace(c);
    if (blank) continue;
    if (IsAsciiAlnum(line[0])) {
      if (!pending.empty()) out->definitions.push_back(std::move(pending));
      pending = line;
    } else if (pending.empty()) {
      return Status::Corruption("descriptor line " + std::to_string(i + 1) +
                                " continues no definition: " + path);
    } else {
      pending += line;
    }
    if (pending.size() > kMaxDefinitionLength) {
      return Status::Limit("descriptor definition ending at line " + std::to_string(i + 1) +
                           " is longer than " + std::to_string(kMaxDefinitionLength) +
                           " characters: " + path);
    }
  }
  if (!pending.empty()) out->definitions.push_back(std::move(pending));
  return Status::Ok();
}

std::string ResolveStoreName(const std::string& storeWord, const std::string& path,
                             const char* suffix, bool* useSuffix) {
  if (storeWord == "named") {
    *useSuffix = true;
    return path;
  }
  *useSuffix = false;
  if (storeWord == "enamed") {
    // Several descriptors abc_001, abc_002 ... present the one store abc. Only the file
    // name counts: an underscore in a folder name is not a descriptor number.
    std::string name = EditionBaseName(path, suffix);
    size_t slash = name.rfind('/');
    size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
    size_t under = name.rfind('_');
    if (under != std::string::npos && under >= fileStart && name.size() - under == 4) {
      name.erase(under);
    }
    return name;
  }
  return NormalizeSeparators(storeWord);
}

}  // namespace zrt
