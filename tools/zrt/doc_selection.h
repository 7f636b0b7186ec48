// The documents that `zrt export` and `zrt render` go over: every record, or the records
// a query found, narrowed by --records to a range of their positions ("5-20", "7", "5-").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "command.h"
#include "edition_arg.h"
#include "zrteng.h"

namespace zrt::cli {

class DocSelection {
public:

  // Runs --query (UTF-8) when given and reads --records. False with *error saying why.
  bool Choose(EngineHandle* h, const Args& args, std::string* error);

  bool queryMode() const { return queryMode_; }
  // Found records, or all records of the edition.
  int32_t total() const { return total_; }
  // The chosen positions first..last (1-based, within total); empty when last < first.
  int32_t first() const { return first_; }
  int32_t last() const { return last_; }
  int32_t count() const { return last_ >= first_ ? last_ - first_ + 1 : 0; }
  // The record number at a position (1..total): a found-list entry or the number itself;
  // -1 outside.
  int32_t RecordAt(int32_t position) const;
  // The query's words for highlighting; empty without a query.
  CWordOpCode* opcodes() { return opcodes_.get(); }

private:
  bool queryMode_ = false;
  int32_t total_ = 0;
  int32_t first_ = 1;
  int32_t last_ = 0;
  std::vector<int32_t> found_;
  OpCodeList opcodes_;
};

// "N", "N-M" or "N-" (to the end) into from and to (to = -1 for the open end).
bool ParseRecordRange(const std::string& text, int32_t* from, int32_t* to, std::string* error);

// --query and --records.
inline const std::vector<Option> kSelectionOptions = {
    {"query", 0, "QUERY", "only the records a query finds (see 'zrt help query')"},
    {"records", 0, "N-M", "only these positions: N, N-M or N- (of the found records with --query)"},
};

}  // namespace zrt::cli
