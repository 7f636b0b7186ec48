#include "query/query.h"

#include <cstring>

#include "index/dictionary.h"
#include "index/term_match.h"
#include "text/stopwords.h"

namespace zrt {

Status ComposeQueryText(const std::string& text, const std::vector<QueryLimit>& limits,
                        std::string* out) {
  std::string q;
  bool anyLimit = false;
  for (const QueryLimit& l : limits)
    if (!l.field.empty() && !l.text.empty()) anyLimit = true;
  if (text.empty() && !anyLimit) return Status::InvalidArgument("empty query");
  q = anyLimit && !text.empty() ? "(" + text + ") " : text;
  bool appended = false;
  for (const QueryLimit& l : limits) {
    if (l.field.empty() || l.text.empty()) continue;  // a limit the builder left out
    if (!text.empty() || appended) q += " AND ";
    q += "(" + l.text + ") IN " + l.field;
    appended = true;
    if (q.size() > kMaxQueryText) break;
  }
  if (q.size() > kMaxQueryText)
    return Status::Limit("the query text is longer than " + std::to_string(kMaxQueryText) + " bytes");
  *out = std::move(q);
  return Status::Ok();
}

namespace {

enum class Tok {
  End, Open, Close, Or, And, Not, Same, NotSame, With, NotWith, Adj, NotAdj, In, NotIn, Term,
  Error,  // a quote that is never closed, or a term over its limit
};

struct Token {
  Tok kind = Tok::End;
  size_t end = 0;        // position after the token
  int distance = 1;      // ADJ n
  std::string text;      // a term, quotes removed
  Status error;          // for Tok::Error
};

Status SyntaxError(const char* what, size_t at) { return Status::Syntax(what, at); }

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }
inline bool IsBlank(char c) { return U(c) >= 0x01 && U(c) <= 0x20; }
inline bool IsWhite(char c) { return (U(c) >= 0x09 && U(c) <= 0x0D) || c == ' '; }

// What must follow a keyword for it to be one.
enum class Follow { Low, Space, SpaceOnly };

bool Follows(char c, Follow f) {
  switch (f) {
    case Follow::Low: return U(c) <= 0x20 || c == '(';
    case Follow::Space: return IsWhite(c) || c == '(';
    case Follow::SpaceOnly: return IsWhite(c);
  }
  return false;
}

struct Keyword {
  const char* word;
  Tok kind;
  Follow follow;
};

// Longer spellings first where one begins another.
constexpr Keyword kKeywords[] = {
    {"NOTSAME", Tok::NotSame, Follow::Space}, {"NOTWITH", Tok::NotWith, Follow::Space},
    {"NOTAND", Tok::Not, Follow::Space},      {"NOTADJ", Tok::NotAdj, Follow::Space},
    {"NOTIN", Tok::NotIn, Follow::SpaceOnly}, {"NOT", Tok::Not, Follow::Space},
    {"SAME", Tok::Same, Follow::Space},       {"WITH", Tok::With, Follow::Space},
    {"AND", Tok::And, Follow::Low},           {"OR", Tok::Or, Follow::Low},
    {"IN", Tok::In, Follow::SpaceOnly},
};

bool StartsWithWord(const std::string& s, size_t p, const char* word) {
  for (size_t i = 0; word[i]; ++i) {
    char c = p + i < s.size() ? s[p + i] : '\0';
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c != word[i]) return false;
  }
  return true;
}

class Lexer {
public:
  Lexer(const std::string& text, const QueryParams& params) : s_(text), params_(params) {}

  char At(size_t p) const { return p < s_.size() ? s_[p] : '\0'; }

  // The token that starts at p (after blanks); nothing is consumed.
  Token Read(size_t p) const {
    while (p < s_.size() && IsBlank(s_[p])) ++p;
    Token t;
    t.end = p + 1;
    char c = At(p);
    if (p >= s_.size()) {
      t.kind = Tok::End;
      t.end = p;
      return t;
    }
    if (c == '(') return t.kind = Tok::Open, t;
    if (c == ')') return t.kind = Tok::Close, t;
    if (!params_.ignoreOperators) {
      if (c == '|') return t.kind = Tok::Or, t;
      if (c == '&') return t.kind = Tok::And, t;
      if (c == '~' && Follows(At(p + 1), Follow::Space)) return t.kind = Tok::Not, t;
    }
    if (!params_.ignorePoint && c == '.') {
      if (At(p + 1) == '.') return t.kind = Tok::NotIn, t.end = p + 2, t;
      return t.kind = Tok::In, t;
    }
    if (StartsWithWord(s_, p, "ADJ")) {
      char d = At(p + 3);
      if (d >= '0' && d <= '9' && Follows(At(p + 4), Follow::Low)) {
        t.kind = Tok::Adj;
        t.distance = d - '0';
        t.end = p + 4;
        return t;
      }
      if (Follows(d, Follow::Low)) return t.kind = Tok::Adj, t.end = p + 3, t;
    }
    for (const Keyword& k : kKeywords) {
      size_t n = std::strlen(k.word);
      if (StartsWithWord(s_, p, k.word) && Follows(At(p + n), k.follow)) {
        t.kind = k.kind;
        t.end = p + n;
        return t;
      }
    }
    return ReadTerm(p, false);
  }

  // A term or, in a field list, a name (which a comma also ends).
  Token ReadTerm(size_t p, bool name) const {
    Token t;
    t.kind = Tok::Term;
    if (At(p) == '\'') {
      size_t i = p + 1;
      for (;; ++i) {
        if (i >= s_.size()) return Fail(SyntaxError("a quoted term is never closed", p));
        if (s_[i] == '\'') {
          if (At(i + 1) != '\'') break;
          ++i;
        }
        t.text += s_[i];
      }
      t.end = i + 1;
      if (t.text.size() > kMaxTermBytes) return Fail(Status::Limit("a term is longer than 127 bytes"));
      return t;
    }
    size_t i = p;
    while (i < s_.size() && !IsBlank(s_[i]) && s_[i] != ')' &&
           !(s_[i] == '.' && !params_.ignorePoint) && !(name && s_[i] == ','))
      ++i;
    t.text = s_.substr(p, i - p);
    t.end = i;
    // One byte more is tolerated when the term ends the text, as it always was.
    bool atEnd = i >= s_.size();
    if (t.text.size() > kMaxTermBytes + (atEnd ? 1 : 0)) return Fail(Status::Limit("a term is longer than 127 bytes"));
    return t;
  }

  size_t SkipBlanks(size_t p) const {
    while (p < s_.size() && IsBlank(s_[p])) ++p;
    return p;
  }

private:
  static Token Fail(Status why) {
    Token t;
    t.kind = Tok::Error;
    t.error = std::move(why);
    return t;
  }

  const std::string& s_;
  const QueryParams& params_;
};

class Parser {
public:
  Parser(const SearchContext& ctx, const std::string& text, WordOpCodes* opcodes,
         const QueryProgress& progress)
      : ctx_(ctx), lex_(text, ctx.params), opcodes_(opcodes), progress_(progress), buffers_(ctx.buffers) {}

  Status Query(FoundSet* result) {
    Status s = Disjunction(false, true);
    if (!s.ok()) return s;
    if (lex_.Read(pos_).kind != Tok::End) return SyntaxError("text after the end of the query", lex_.SkipBlanks(pos_));
    *result = std::move(stack_.back());
    return Status::Ok();
  }

private:
  Status Disjunction(bool fieldMode, bool eval) {
    Status s = Conjunction(fieldMode, eval);
    while (s.ok() && lex_.Read(pos_).kind == Tok::Or) {
      pos_ = lex_.Read(pos_).end;
      s = Conjunction(fieldMode, eval);
      if (s.ok() && eval) Apply(Tok::Or, 1, fieldMode);
    }
    return s;
  }

  static bool IsOperator(Tok k) {
    switch (k) {
      case Tok::And: case Tok::Not: case Tok::Same: case Tok::NotSame: case Tok::With:
      case Tok::NotWith: case Tok::Adj: case Tok::NotAdj:
        return true;
      default:
        return false;
    }
  }

  Status Conjunction(bool fieldMode, bool eval) {
    Status s = Primary(fieldMode, eval);
    while (s.ok()) {
      Token t = lex_.Read(pos_);
      Tok op = Tok::Same;  // juxtaposition
      int distance = 1;
      if (IsOperator(t.kind)) {
        op = t.kind;
        distance = t.distance;
        pos_ = t.end;
      } else if (t.kind != Tok::Term && t.kind != Tok::Open) {
        break;
      }
      s = Primary(fieldMode, eval);
      if (s.ok() && eval) Apply(op, distance, fieldMode);
    }
    return s;
  }

  Status Primary(bool fieldMode, bool eval) {
    Token t = lex_.Read(pos_);
    if (t.kind == Tok::Error) return t.error;
    if (t.kind == Tok::Term) {
      pos_ = t.end;
      // A restriction right after the term is read first, so that the term's reading
      // leaves out the other fields' occurrences at once.
      FieldList fields;
      Status s = ReadRestriction(&fields);
      if (!s.ok() || !eval) return s;
      s = Push();
      if (s.ok()) s = EvaluateTerm(t.text, &stack_.back(), fields.present ? &fields : nullptr);
      if (s.ok()) s = Bound(0);
      if (s.ok() && fields.present) ApplyRestriction(fields);
      return s;
    }
    if (t.kind != Tok::Open) return SyntaxError("a term or \"(\" expected", lex_.SkipBlanks(pos_));
    pos_ = t.end;
    const size_t inside = pos_;
    // The first reading finds the group's end and the restriction that follows it.
    Status s = Group(fieldMode, false);
    if (!s.ok()) return s;
    FieldList fields;
    s = ReadRestriction(&fields);
    if (!s.ok() || !eval) return s;
    const size_t end = pos_;
    pos_ = inside;
    // Inside a restricted group every operator pairs occurrences of one field, so the
    // restriction may act on the group's terms as they are read.
    if (fields.present) active_.push_back(&fields);
    s = Group(fieldMode || fields.present, true);
    if (fields.present) active_.pop_back();
    if (!s.ok()) return s;
    pos_ = end;
    if (fields.present) ApplyRestriction(fields);
    return Status::Ok();
  }

  // The rest of a parenthesised group: disjunction ")".
  Status Group(bool fieldMode, bool eval) {
    Status s = Disjunction(fieldMode, eval);
    if (!s.ok()) return s;
    Token close = lex_.Read(pos_);
    if (close.kind == Tok::Error) return close.error;
    if (close.kind != Tok::Close) return SyntaxError("\")\" expected", lex_.SkipBlanks(pos_));
    pos_ = close.end;
    return Status::Ok();
  }

  // A field restriction "IN A, B" or "NOTIN A": the source fields the names stand for.
  struct FieldList {
    bool present = false;
    bool negated = false;
    std::vector<uint8_t> sources;
    uint32_t mask = 0;  // of the named fields' group numbers, for the op-code list
  };

  void ApplyRestriction(const FieldList& fields) {
    FoundSet& top = stack_.back();
    RestrictFields(top, fields.sources, fields.negated);
    if (!top.stop && opcodes_)
      opcodes_->AddFieldRestriction(fields.negated ? WordOpCodes::kNotIn : WordOpCodes::kIn, fields.mask);
  }

  Status ReadRestriction(FieldList* list) {
    Token t = lex_.Read(pos_);
    if (t.kind != Tok::In && t.kind != Tok::NotIn) return Status::Ok();
    pos_ = t.end;
    list->present = true;
    list->negated = t.kind == Tok::NotIn;
    std::vector<uint8_t>& sources = list->sources;
    uint32_t& mask = list->mask;
    for (;;) {
      Token name = lex_.ReadTerm(lex_.SkipBlanks(pos_), true);
      if (name.kind == Tok::Error) return name.error;
      const size_t nameStart = lex_.SkipBlanks(pos_);
      if (name.text.empty()) return SyntaxError("a field name expected", nameStart);
      pos_ = name.end;
      uint8_t numbers[256];
      int n = ctx_.fields.FNumsB(name.text.c_str(), numbers, 256);
      if (n <= 0) return SyntaxError(("the edition has no field " + name.text).c_str(), nameStart);
      if (sources.size() + static_cast<size_t>(n) > kMaxListFields)
        return Status::Limit("a field list names more than 126 source fields");
      sources.insert(sources.end(), numbers, numbers + n);
      uint8_t f = ctx_.fields.NoByField(name.text.c_str());
      if (f >= 1 && f <= 32) mask |= 1u << (f - 1);
      size_t after = lex_.SkipBlanks(pos_);
      if (lex_.At(after) != ',') break;
      pos_ = after + 1;
    }
    return Status::Ok();
  }

  Status Push() {
    if (stack_.size() >= kMaxPendingSets)
      return Status::Limit("the query needs more than 10 pending found sets");
    stack_.emplace_back();
    if (buffers_) stack_.back().items = buffers_->Take();
    return Status::Ok();
  }

  // The pending sets and `extra` more occurrences against the query's memory bound.
  Status Bound(size_t extra) const {
    size_t held = extra;
    for (const FoundSet& set : stack_) held += set.items.size();
    if (held <= ctx_.maxOccurrences) return Status::Ok();
    return Status::Limit("the query needs more than " + std::to_string(ctx_.maxOccurrences) +
                         " word occurrences at once; narrow its truncated terms or disjunctions");
  }

  // Needs no Bound of its own: every operator gives at most the occurrences of its
  // operands, which Bound counted when they were read.
  void Apply(Tok op, int distance, bool fieldMode) {
    FoundSet right = std::move(stack_.back());
    stack_.pop_back();
    FoundSet& left = stack_.back();
    const bool stopOperand = left.stop || right.stop;
    int code = WordOpCodes::kSame;
    switch (op) {
      case Tok::Or:
        Unite(left, right, buffers_);
        code = WordOpCodes::kOr;
        break;
      case Tok::And:
        Combine(left, right, 1, fieldMode ? CombineMode::Field : CombineMode::Record, false, buffers_);
        code = fieldMode ? WordOpCodes::kSame : WordOpCodes::kOr;
        break;
      case Tok::Not:
        Combine(left, right, 1, fieldMode ? CombineMode::Field : CombineMode::Record, true, buffers_);
        code = WordOpCodes::kNegated;
        break;
      case Tok::Same:
        Combine(left, right, 1, CombineMode::Field, false, buffers_);
        break;
      case Tok::NotSame:
        Combine(left, right, 1, CombineMode::Field, true, buffers_);
        code = WordOpCodes::kNegated;
        break;
      case Tok::With:
        Combine(left, right, 1, CombineMode::Block, false, buffers_);
        break;
      case Tok::NotWith:
        Combine(left, right, 1, CombineMode::Block, true, buffers_);
        code = WordOpCodes::kNegated;
        break;
      case Tok::Adj:
        Combine(left, right, distance, CombineMode::Adjacent, false, buffers_);
        code = WordOpCodes::kAdjacent + distance;
        break;
      case Tok::NotAdj:
        Combine(left, right, 1, CombineMode::Adjacent, true, buffers_);
        code = WordOpCodes::kNegated;
        break;
      default:
        break;
    }
    if (!stopOperand && opcodes_) opcodes_->AddOperator(code);
  }

  Status Report(int32_t rows, int32_t records, int32_t occurrences, const std::string& term) {
    ++terms_;
    if (!progress_ || progress_(rows, records, occurrences, term.c_str())) return Status::Ok();
    return Status::Limit("the query was stopped after " + std::to_string(terms_) + " term" +
                         (terms_ == 1 ? "" : "s"));
  }

  Status EvaluateTerm(const std::string& term, FoundSet* set, const FieldList* restriction) {
    TermMatcher matcher(term.c_str(), ctx_.params);
    std::vector<DictionaryRow> rows;
    Status s = LookupDictionary(ctx_.index, matcher, kAllGroups, &rows);
    if (!s.ok()) return s;
    // Each dictionary row's occurrences are in set order already, and so is each key's in
    // the update index: the term's set is one merge of those runs.
    std::vector<Occurrence> fresh = Take();
    std::vector<size_t> freshRuns;
    bool inUpdates = false;
    // The restrictions the term stands under leave the other fields' occurrences out as
    // they are read. Not while someone listens: the counts reported per term are those
    // of the whole term.
    OccurrenceFilter filter;
    bool keptFields[256];
    uint32_t sourceMask = 0;  // the kept fields that a dictionary row's field mask shows
    bool maskTells = false;   // no kept field lies outside the mask's fields 1-32
    if ((restriction || !active_.empty()) && !progress_) {
      std::fill(std::begin(keptFields), std::end(keptFields), true);
      auto narrow = [&](const FieldList& list) {
        bool named[256] = {};
        for (uint8_t f : list.sources) named[f] = true;
        for (int f = 0; f < 256; ++f) keptFields[f] &= named[f] != list.negated;
      };
      for (const FieldList* list : active_) narrow(*list);
      if (restriction) narrow(*restriction);
      maskTells = true;
      for (int f = 0; f < 256; ++f) {
        if (!keptFields[f]) continue;
        if (f >= 1 && f <= 32) sourceMask |= 1u << (f - 1);
        else maskTells = false;
      }
      filter.fields = keptFields;
    }
    UpdateSource* updates = ctx_.updates && ctx_.updates->Available() ? ctx_.updates : nullptr;
    if (updates) {
      s = updates->Lookup(term.c_str(), &fresh, &freshRuns, &inUpdates);
      if (!s.ok()) return s;
      // Records indexed again since the pack: their static occurrences are stale.
      if (!updates->Changed().empty()) filter.staleRecords = &updates->Changed();
      if (filter.fields) {
        size_t kept = 0, next = 0;
        for (size_t r = 0; r < freshRuns.size(); ++r) {
          const size_t end = r + 1 < freshRuns.size() ? freshRuns[r + 1] : fresh.size();
          freshRuns[r] = kept;
          for (; next < end; ++next)
            if (filter.fields[fresh[next].field]) fresh[kept++] = fresh[next];
        }
        fresh.resize(kept);
      }
    }
    // The usual term, one word in each index, is merged in place: its static run is read
    // behind room for the update index's entries, or, without a field filter, the
    // entries are merged in while the run is read.
    const bool inPlace = rows.size() == 1 && freshRuns.size() == 1;
    const bool mergeInRead = inPlace && !filter.fields;
    std::vector<Occurrence> read = Take();
    if (inPlace && !mergeInRead) read.resize(fresh.size());
    std::vector<size_t> runs;
    runs.reserve(rows.size() + freshRuns.size());
    bool ascending = true;
    for (const DictionaryRow& row : rows) {
      runs.push_back(read.size());
      if (maskTells && !(row.groupMask & sourceMask)) continue;
      bool rowAscending = true;
      s = ReadOccurrences(ctx_.index, row, &read, filter, &rowAscending,
                          mergeInRead ? std::span<const Occurrence>(fresh) : std::span<const Occurrence>());
      if (s.ok()) s = Bound(read.size() + fresh.size());
      if (!s.ok()) return s;  // the caller releases every set of the query
      ascending &= rowAscending;
    }
    if (mergeInRead) {
      // A damaged run out of order has the entries somewhere inside: all of it is sorted.
      if (!ascending && !read.empty()) {
        std::vector<Occurrence> scratch = Take();
        MergeRuns(read, {0}, scratch);
        Give(std::move(scratch));
      }
    } else if (inPlace && ascending) {
      MergeIntoRun(read, fresh);
    } else {
      if (inPlace) {
        std::copy(fresh.begin(), fresh.end(), read.begin());
        runs.insert(runs.begin(), 0);
      } else {
        for (size_t r : freshRuns) runs.push_back(read.size() + r);
        read.insert(read.end(), fresh.begin(), fresh.end());
      }
      // A lone static run read in order needs nothing more.
      if (!read.empty() && (runs.size() > 1 || !ascending || !freshRuns.empty())) {
        std::vector<Occurrence> scratch = Take();
        MergeRuns(read, std::move(runs), scratch);
        Give(std::move(scratch));
      }
    }
    Give(std::move(fresh));
    if (rows.empty() && !inUpdates) {
      Give(std::move(read));
      if (IsStopWord(term.c_str())) {
        set->stop = true;
        return Report(-1, -1, -1, term);
      }
      if (opcodes_) opcodes_->AddTerm(term, ctx_.params.cutChar);
      return Report(0, 0, 0, term);
    }
    if (!read.empty()) {
      set->Recycle(buffers_);
      set->items.swap(read);
      set->stop = false;
      set->sorted = true;
      set->recordLevel = false;
      set->distinct = -1;
    }
    Give(std::move(read));
    if (opcodes_) opcodes_->AddTerm(term, ctx_.params.cutChar);
    // Counting the records takes a pass over the set: only when someone listens.
    if (!progress_) return Status::Ok();
    return Report(static_cast<int32_t>(rows.size()), set->CountRecords(), static_cast<int32_t>(set->items.size()), term);
  }

  std::vector<Occurrence> Take() { return buffers_ ? buffers_->Take() : std::vector<Occurrence>(); }
  void Give(std::vector<Occurrence>&& v) {
    if (buffers_) buffers_->Give(std::move(v));
  }

  const SearchContext& ctx_;
  Lexer lex_;
  WordOpCodes* opcodes_;
  const QueryProgress& progress_;
  FoundSetBuffers* buffers_;
  size_t pos_ = 0;
  std::vector<FoundSet> stack_;
  std::vector<const FieldList*> active_;  // restrictions of the groups being evaluated
  int terms_ = 0;  // terms evaluated, for the message of a stopped query
};

}  // namespace

Status RunQuery(const SearchContext& context, const std::string& text, WordOpCodes* opcodes,
                const QueryProgress& progress, FoundSet* result) {
  result->Recycle(context.buffers);
  if (text.size() > kMaxQueryText)
    return Status::Limit("the query text is longer than " + std::to_string(kMaxQueryText) + " bytes");
  std::string q = text;
  while (!q.empty() && U(q.back()) <= 0x20) q.pop_back();
  if (context.index.pages().empty() && !(context.updates && context.updates->Available()))
    return Status::NotFound("the edition has no word index to search");
  Parser parser(context, q, opcodes, progress);
  FoundSet found;
  Status s = parser.Query(&found);
  if (!s.ok()) return s;
  ReduceToRecords(found);
  if (found.stop) found.Clear();
  *result = std::move(found);
  return Status::Ok();
}

}  // namespace zrt
