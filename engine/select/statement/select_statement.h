// A select statement over one open edition: cutting the text into clauses, compiling
// them, and the two passes that deliver the rows.
//
//   select [DISTINCT] items from name [where cond | query text] [group by list
//   [having cond]] [order by list] [start with cond]
//
// Rows are the edition's records (ROWID is the record number), or in query mode the
// records that the full-text query found. Ordering, grouping and duplicate removal go
// through ordered key trees in temporary files, so memory stays bounded however many
// rows there are.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "btree/key_tree.h"
#include "select/statement/select_expr.h"

namespace zrt {
class Edition;
}

namespace zrt::sel {

struct Clauses {
  std::string from, items, condition, order, group, having, startWith;
  bool isQuery = false;
};

// Parameter substitution, then clause cutting. `params` is a list ended by a null
// pointer (or null): "&n" is replaced by the n-th text and deleted when there is none.
// 0; -1 when the text does not begin with select; -2 when it has no from.
int CutClauses(const std::string& statement, const char* const* params, Clauses* out);

enum class Clause : int { None = 0, Items = 1, Condition, Order, Group, Having, StartWith };

class Statement {
 public:
  static constexpr int kMaxItems = 64;
  static constexpr int kMaxSlots = 10;  // slot references are "@0" to "@9"
  static constexpr int kMaxList = 32;   // order and group list items

  using Emit = std::function<void(const std::vector<std::string>& texts)>;

  Statement();
  ~Statement();  // closes and removes the temporary trees
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Compiles the clauses for the edition and creates the temporary trees; once per
  // object (the select object makes a new one for each parse). 0, or -1 for
  // a syntax error, -2 for no room, -3 for an argument count, -5 for HAVING without a
  // grouping list, -6 to -9 when a temporary tree cannot be created; error() tells
  // where.
  int Parse(Edition& edition, const Clauses& clauses);
  // The row pass and the final pass: 0, or -1 when an evaluation fails or a temporary
  // tree cannot be written (the trees are then removed at once).
  int Iterate(Edition& edition, const Emit& emit);
  int End(Edition& edition, const Emit& emit);

  struct Error {
    int kind = 0;  // 1 syntax, 2 no room, 3 argument count, 5 HAVING, 6-9 temporary tree
    int position = 0;
    Clause clause = Clause::None;
    std::string message;  // what the evaluation reported, for the tools
  };
  const Error& error() const { return error_; }
  const std::vector<std::string>& headings() const { return headings_; }
  int64_t rowNumber() const { return rowNumber_; }

 private:
  struct Slot {
    int function = 0;  // MAX, MIN, AVG, SUM or COUNT (function table index)
    bool distinct = false;
    bool star = false;  // COUNT(*)
    Expr argument;
  };
  struct ListItem {
    Expr expr;
    std::string text;  // the item's source text, to see which group items ordering covers
  };
  struct Accumulators {
    std::vector<double> value;
    std::vector<uint32_t> count;  // per slot: averaged values
  };
  struct Temp;  // a temporary tree and its file

  int Fail(int kind, size_t position, Clause clause);
  ClauseParser::AggregateSink SlotSink();
  bool ParseClause(const std::string& text, Clause clause, bool aggregates, Expr* out);
  bool ParseList(const std::string& text, Clause clause, std::vector<ListItem>* out);
  bool ParseItems(const std::string& text);
  void FindRowidFilter();
  bool CreateTrees();
  bool NeedsDistinctTree() const;
  ItemLayout GroupLayout() const;
  void RemoveTrees();
  void InitAccumulators(Accumulators* a) const;
  bool Accumulate(int32_t record, const std::string& distinctPrefix, Accumulators* a);
  bool Holds(const Expr& e, int32_t record, bool* holds);
  bool Values(const std::vector<ListItem>& list, int32_t record, std::vector<std::string>* out);
  bool OrderingKey(int32_t record, std::string* key);
  bool GroupKey(int32_t record, std::string* key);
  bool EmitRow(int32_t record, const Emit& emit);
  bool Grouped(const Emit& emit);
  bool GroupRow(int32_t record, const std::string& orderKey);
  bool GroupsInRowPass() const;
  int EvaluationFailed();
  EvalContext Context(int32_t record);

  std::vector<Expr> items_;
  std::vector<std::string> itemTexts_;
  std::vector<std::string> headings_;
  std::vector<Slot> slots_;
  std::vector<double> slotValues_;  // what "@k" reads
  Expr where_, startWith_, having_;
  std::vector<ListItem> order_, group_;
  bool distinct_ = false;
  bool itemsReferToColumn_ = false;
  bool groupsInRowPass_ = false;
  bool queryMode_ = false;
  std::vector<int32_t> rows_;  // query mode: the found records
  std::optional<std::pair<int, int64_t>> rowidFilter_;  // comparison code, value
  int64_t rowNumber_ = 1;
  bool ready_ = false;
  Accumulators totals_;

  std::unique_ptr<Temp> ordering_, grouping_, groupOrder_, distinctValues_;
  std::unique_ptr<RowSource> rowSource_;
  ClauseParser::Resolver resolver_;
  Error error_;
};

}  // namespace zrt::sel

// The select object's private state, named in the public header.
struct ZrtSelect : zrt::sel::Statement {};
