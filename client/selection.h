// The documents a client goes over (an export, a rendered portion): every record of the
// edition, or the records a query found, narrowed to a range of their positions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "client/edition.h"
#include "zrteng.h"

namespace zrt::client {

class DocSelection {
 public:
  // Runs `query` (UTF-8) when given and narrows to `range` ("5-20", "7", "5-") when given.
  // False with *error saying why (the query's failure with its caret, a bad range).
  bool Choose(EngineHandle* h, const std::optional<std::string>& query,
              const std::optional<std::string>& range, std::string* error);

  // The documents of a query the caller ran and keeps (its found records in order and its
  // op-code list, which must outlive the selection), or without a query the first `total`
  // records of the edition; every position chosen.
  void Adopt(bool queryMode, int32_t total, std::vector<int32_t> found, CWordOpCode* opcodes);

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
  CWordOpCode* opcodes() { return adopted_ ? adopted_ : opcodes_.get(); }

 private:
  bool queryMode_ = false;
  int32_t total_ = 0;
  int32_t first_ = 1;
  int32_t last_ = 0;
  std::vector<int32_t> found_;
  OpCodeList opcodes_;
  CWordOpCode* adopted_ = nullptr;
};

// "N", "N-M" or "N-" (to the end) into from and to (to = -1 for the open end); 1 <= N <= M.
bool ParseRecordRange(const std::string& text, int32_t* from, int32_t* to);

}  // namespace zrt::client
