// The engine against a deliberately simple reference: random editions, random queries
// built from the grammar's own shapes, and a brute-force evaluator that reads the
// words and positions straight from the records.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "edition/edition.h"
#include "query_test_util.h"
#include "text/stopwords.h"

using namespace querytest;

namespace {

// Russian words spelled with and without «ё», which are one word to the index.
const std::vector<std::string> kVocabulary = {
    "oil", "oily", "oilfield", "gas", "gases", "gasket", "water", "waters", "well", "wells",
    "drill", "drilling", "rock", "rocks", "sand", "sandstone", "pipe", "pipes", "sea", "seal",
    "the", "of", fixture::Ansi("ёлка"), fixture::Ansi("Елки"), fixture::Ansi("всё"),
    fixture::Ansi("мёртвые"), fixture::Ansi("мертвый")};

// A byte of a term as the index compares it: «ё»/«Ё» are «Е», letters upper case.
char KeyByte(char c) {
  auto b = static_cast<unsigned char>(c);
  if (b == 0xB8 || b == 0xA8) return '\xC5';
  if (b >= 0xE0) return static_cast<char>(b - 0x20);
  return static_cast<char>(toupper(b));
}
const std::vector<std::string> kStopWords = {"THE", "OF"};
const char* kFieldNames[] = {"", "TI", "AB", "KW"};

struct Occ {
  uint32_t record;
  uint8_t field;
  uint8_t position;
  auto operator<=>(const Occ&) const = default;
};

struct Set {
  bool stop = false;
  std::set<Occ> items;
};

// ---- reference term matching ------------------------------------------------------

bool Wild(const std::string& p, size_t i, const std::string& w, size_t j) {
  if (i == p.size()) return j == w.size();
  if (p[i] == '$') {
    if (i + 1 == p.size()) return true;
    for (size_t k = j; k <= w.size(); ++k)
      if (Wild(p, i + 1, w, k)) return true;
    return false;
  }
  if (j == w.size()) return false;
  if (p[i] == '?' || p[i] == w[j]) return Wild(p, i + 1, w, j + 1);
  return false;
}

bool TermMatches(const std::string& term, const std::string& word) {
  size_t n = term.size();
  if (n >= 2 && term[n - 2] == '$' && isdigit(static_cast<unsigned char>(term[n - 1])) &&
      term.find_first_of("$?") == n - 2) {
    std::string prefix = term.substr(0, n - 2);
    return word.compare(0, prefix.size(), prefix) == 0 && word.size() - prefix.size() <= size_t(term[n - 1] - '0') &&
           word.size() >= prefix.size();
  }
  return Wild(term, 0, word, 0);
}

// ---- the random edition -----------------------------------------------------------

struct Model {
  std::vector<IndexWord> words;
  uint32_t records = 0;
};

std::string RandomText(std::mt19937& rng, uint8_t field) {
  int n = 1 + static_cast<int>(rng() % (field == 2 ? 45 : 8));
  std::string text;
  for (int i = 0; i < n; ++i) {
    if (i) text += rng() % 6 == 0 ? ", " : " ";
    text += kVocabulary[rng() % kVocabulary.size()];
  }
  return text;
}

fixture::Edition RandomEdition(std::mt19937& rng, Model* model) {
  fixture::Edition e;
  e.fields = {{"TI", 1}, {"AB", 2}, {"KW", 3}};
  int records = 5 + static_cast<int>(rng() % 25);
  for (int r = 0; r < records; ++r) {
    fixture::Record rec;
    for (uint8_t f = 1; f <= 3; ++f) {
      if (rng() % 4 == 0) continue;
      rec.fields.push_back({f, RandomText(rng, f)});
    }
    // Packing drops a record that was replaced by one without index words, as if it had
    // been withdrawn, which this reference does not model: every record has a field.
    if (rec.fields.empty()) rec.fields.push_back({1, RandomText(rng, 1)});
    e.records.push_back(rec);
  }
  model->words = ScanWords(e);
  model->records = static_cast<uint32_t>(records);
  e.words = ToFixtureWords(model->words);
  e.newPageIndex = rng() % 2;
  return e;
}

// ---- random queries with their reference evaluation --------------------------------

struct Node;
using NodePtr = std::unique_ptr<Node>;

enum class Op { Or, And, Not, Same, NotSame, With, NotWith, Adj, NotAdj };

struct Node {
  enum Kind { Term, Binary, Group } kind = Term;
  std::string term;  // upper case, as matched
  Op op = Op::Or;
  int distance = 1;
  NodePtr left, right;           // a group's content is `left`
  std::vector<uint8_t> fields;  // restriction of a term or group; empty: none
  bool notIn = false;
};

class Generator {
public:
  explicit Generator(std::mt19937& rng) : rng_(rng) {}

  NodePtr Disjunction(int depth, std::string* text) {
    NodePtr n = Conjunction(depth, text);
    while (depth > 0 && rng_() % 4 == 0) {
      *text += rng_() % 3 == 0 ? " or " : " OR ";
      n = Join(Op::Or, 1, std::move(n), Conjunction(depth, text));
    }
    return n;
  }

private:
  NodePtr Join(Op op, int distance, NodePtr l, NodePtr r) {
    auto n = std::make_unique<Node>();
    n->kind = Node::Binary;
    n->op = op;
    n->distance = distance;
    n->left = std::move(l);
    n->right = std::move(r);
    return n;
  }

  NodePtr Conjunction(int depth, std::string* text) {
    NodePtr n = Primary(depth, text);
    while (depth > 0 && rng_() % 2 == 0) {
      static const struct { const char* text; Op op; int distance; } ops[] = {
          {" AND ", Op::And, 1},         {" & ", Op::And, 1},          {" NOT ", Op::Not, 1},
          {" ~ ", Op::Not, 1},           {" SAME ", Op::Same, 1},      {" ", Op::Same, 1},
          {" NOTSAME ", Op::NotSame, 1}, {" WITH ", Op::With, 1},      {" NOTWITH ", Op::NotWith, 1},
          {" ADJ ", Op::Adj, 1},         {" ADJ2 ", Op::Adj, 2},       {" adj3 ", Op::Adj, 3},
          {" NOTADJ ", Op::NotAdj, 1},   {" NotAnd ", Op::Not, 1},
      };
      const auto& o = ops[rng_() % std::size(ops)];
      *text += o.text;
      n = Join(o.op, o.distance, std::move(n), Primary(depth, text));
    }
    return n;
  }

  NodePtr Primary(int depth, std::string* text) {
    NodePtr n;
    if (depth > 1 && rng_() % 3 == 0) {
      *text += "(";
      n = std::make_unique<Node>();
      n->kind = Node::Group;
      n->left = Disjunction(depth - 1, text);
      *text += ")";
    } else {
      n = std::make_unique<Node>();
      n->term = RandomTerm(text);
    }
    if (rng_() % 5 == 0) {
      n->notIn = rng_() % 3 == 0;
      int k = 1 + static_cast<int>(rng_() % 2);
      std::set<uint8_t> chosen;
      std::string list;
      for (int i = 0; i < k; ++i) {
        auto f = static_cast<uint8_t>(1 + rng_() % 3);
        if (!chosen.insert(f).second) continue;
        if (!list.empty()) list += rng_() % 2 ? ", " : ",";
        list += kFieldNames[f];
      }
      n->fields.assign(chosen.begin(), chosen.end());
      switch (rng_() % 3) {
        case 0: *text += n->notIn ? " NOTIN " : " IN "; break;
        case 1: *text += n->notIn ? " notin " : " in "; break;
        default: *text += n->notIn ? ".." : "."; break;
      }
      *text += list;
    }
    return n;
  }

  std::string RandomTerm(std::string* text) {
    std::string word = kVocabulary[rng_() % kVocabulary.size()];
    std::string term = word;
    switch (rng_() % 8) {
      case 0:  // truncated
        term = word.substr(0, 2 + rng_() % (word.size() - 1)) + "$";
        break;
      case 1:  // truncated with a limit
        term = word.substr(0, 2 + rng_() % (word.size() - 1)) + "$" + std::to_string(rng_() % 4);
        break;
      case 2:  // one wildcard byte
        term[1 + rng_() % (word.size() - 1)] = '?';
        break;
      case 3:  // a cut character inside
        if (word.size() >= 4) term = word.substr(0, 2) + "$" + word.substr(word.size() - 1);
        break;
      default:
        break;
    }
    std::string written = term;
    for (char& c : written)
      if (rng_() % 2) c = c == '\xB8' ? '\xA8' : KeyByte(c);
    if (rng_() % 6 == 0) written = "'" + written + "'";
    *text += written;
    for (char& c : term) c = KeyByte(c);
    return term;
  }

  std::mt19937& rng_;
};

// ---- the reference evaluator ---------------------------------------------------------

class Reference {
public:
  explicit Reference(const Model& m) : m_(m) {}

  Set Eval(const Node& n, bool fieldMode) {
    Set s;
    switch (n.kind) {
      case Node::Term: {
        bool any = false;
        for (const IndexWord& w : m_.words) {
          if (TermMatches(n.term, w.word)) {
            s.items.insert({w.record, w.field, w.position});
            any = true;
          }
        }
        if (!any && zrt::IsStopWord(n.term.c_str())) s.stop = true;
        break;
      }
      case Node::Group:
        // A group with a restriction puts everything inside it in field mode.
        s = Eval(*n.left, fieldMode || !n.fields.empty());
        break;
      case Node::Binary:
        s = Apply(n.op, n.distance, fieldMode, Eval(*n.left, fieldMode), Eval(*n.right, fieldMode));
        break;
    }
    if (n.fields.empty()) return s;
    Set kept;
    kept.stop = s.stop;
    for (const Occ& o : s.items) {
      bool in = std::find(n.fields.begin(), n.fields.end(), o.field) != n.fields.end();
      if (in != n.notIn) kept.items.insert(o);
    }
    return kept;
  }

private:
  static Set Apply(Op op, int distance, bool fieldMode, Set l, Set r) {
    if (op == Op::Or) {
      Set s;
      s.stop = l.stop && r.stop;
      s.items = l.items;
      s.items.insert(r.items.begin(), r.items.end());
      return s;
    }
    if (fieldMode && op == Op::And) op = Op::Same;
    if (fieldMode && op == Op::Not) op = Op::NotSame;
    bool negated = op == Op::Not || op == Op::NotSame || op == Op::NotWith || op == Op::NotAdj;
    if (l.stop || r.stop) {
      if (l.stop && !negated) {
        Set s;
        s.stop = r.stop;
        s.items = r.items;
        return s;
      }
      return l;
    }
    if (op == Op::NotAdj) distance = 1;
    Set out;
    for (Occ a : l.items) {
      bool holds = false;
      int best = 1000;
      for (const Occ& b : r.items) {
        if (b.record != a.record) continue;
        switch (op) {
          case Op::And: case Op::Not:
            holds = true;
            break;
          case Op::Same: case Op::NotSame:
            holds |= b.field == a.field;
            break;
          case Op::With: case Op::NotWith:
            holds |= b.field == a.field && (b.position / 32) == (a.position / 32);
            break;
          case Op::Adj: case Op::NotAdj:
            if (b.field == a.field && b.position > a.position && b.position <= a.position + distance) {
              holds = true;
              best = std::min<int>(best, b.position);
            }
            break;
          default:
            break;
        }
      }
      if (holds == negated) continue;
      if (op == Op::Adj) a.position = static_cast<uint8_t>(best);
      out.items.insert(a);
    }
    return out;
  }

  const Model& m_;
};

std::vector<int32_t> Records(const Set& s) {
  std::set<int32_t> r;
  if (!s.stop)
    for (const Occ& o : s.items) r.insert(static_cast<int32_t>(o.record));
  return {r.begin(), r.end()};
}

class StopListScope {
public:
  StopListScope() { zrt::StopList::Global().SetEntries(kStopWords); }
  ~StopListScope() { zrt::StopList::Global().Clear(); }
};

// Where an edition's words are: all in the static index, all in the update index, or a
// packed part with documents appended and replaced since.
enum class State { Packed, Updates, Mixed };

// Indexes `record` through the update index: appended, or replacing record `replace`.
void WriteThroughUpdates(EngineHandle* h, const fixture::Record& record, int32_t replace) {
  std::vector<char*> texts(ZRT_MAX_TEXTS, nullptr);
  std::vector<std::string> owned(record.fields.size());
  for (size_t i = 0; i < record.fields.size(); ++i) {
    owned[i] = record.fields[i].second;
    texts[record.fields[i].first - 1] = owned[i].data();
  }
  if (replace > 0) {
    ASSERT_EQ(ZRT_GotoRecord(h, replace), 0);
    ASSERT_GE(ZRT_DoUpdateBase(h, texts.data(), texts.data()), 0);
  } else {
    ASSERT_GE(ZRT_DoAppendBase(h, texts.data(), texts.data()), 0);
  }
}

// Writes the edition of `e` in the given state and opens it.
void Build(State state, std::mt19937& rng, const std::string& base, const fixture::Edition& e,
           EngineHandle* h) {
  fixture::Edition initial = e;
  size_t packed = state == State::Packed ? e.records.size()
                  : state == State::Updates ? 0
                                            : e.records.size() / 2;
  initial.records.resize(packed);
  std::vector<int32_t> replaced;
  if (state == State::Mixed) {
    // Some packed records start out with other texts and are replaced later.
    for (size_t r = 0; r < packed; ++r) {
      if (rng() % 3 != 0) continue;
      for (auto& [field, text] : initial.records[r].fields) text = RandomText(rng, field);
      replaced.push_back(static_cast<int32_t>(r + 1));
    }
  }
  initial.words = ToFixtureWords(ScanWords(initial));
  fixture::Write(base, initial);
  ASSERT_EQ(ZRT_Open(h, base.c_str(), nullptr), 0);
  for (size_t r = packed; r < e.records.size(); ++r) WriteThroughUpdates(h, e.records[r], 0);
  ASSERT_TRUE(h->edition->Commit().ok());
  for (int32_t r : replaced) WriteThroughUpdates(h, e.records[static_cast<size_t>(r - 1)], r);
}

class QueryModel : public ::testing::TestWithParam<State> {};

TEST_P(QueryModel, RandomQueriesAgreeWithTheReference) {
  StopListScope stops;
  std::mt19937 rng(20261206 + static_cast<int>(GetParam()));
  TempDir dir;
  const int editions = GetParam() == State::Packed ? 20 : 10;
  int compared = 0, nonEmpty = 0;
  for (int edition = 0; edition < editions; ++edition) {
    Model model;
    fixture::Edition e = RandomEdition(rng, &model);
    Handle h;
    Build(GetParam(), rng, dir / ("ed" + std::to_string(edition)), e, h);
    if (HasFatalFailure()) return;
    Reference ref(model);
    Generator gen(rng);
    for (int q = 0; q < 100; ++q) {
      std::string text;
      NodePtr query = gen.Disjunction(3, &text);
      std::vector<int32_t> expected = Records(ref.Eval(*query, false));
      ASSERT_EQ(ZRT_SetQueryByString(h, text.c_str(), 0, nullptr, nullptr, nullptr), 0) << text;
      EXPECT_EQ(FoundRecords(h), expected) << "edition " << edition << ": " << text;
      ++compared;
      nonEmpty += !expected.empty();
    }
    if (GetParam() == State::Packed) continue;
    // Packing moves every word into the static index: the answers stay the same.
    ASSERT_TRUE(h.h.edition->Pack().ok());
    for (int q = 0; q < 30; ++q) {
      std::string text;
      NodePtr query = gen.Disjunction(3, &text);
      ASSERT_EQ(ZRT_SetQueryByString(h, text.c_str(), 0, nullptr, nullptr, nullptr), 0) << text;
      EXPECT_EQ(FoundRecords(h), Records(ref.Eval(*query, false))) << "packed edition " << edition << ": " << text;
    }
  }
  EXPECT_EQ(compared, editions * 100);
  EXPECT_GT(nonEmpty, compared / 5);  // the queries are not trivially empty
}

std::string StateName(const ::testing::TestParamInfo<State>& info) {
  switch (info.param) {
    case State::Packed: return "Packed";
    case State::Updates: return "Updates";
    case State::Mixed: return "Mixed";
  }
  return "?";
}

INSTANTIATE_TEST_SUITE_P(IndexStates, QueryModel,
                         ::testing::Values(State::Packed, State::Updates, State::Mixed), StateName);

}  // namespace
