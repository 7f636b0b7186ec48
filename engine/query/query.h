// The query language: composing the text with the query builder's limits, and the
// recursive-descent parser that evaluates while it reads.
//
//   query        = disjunction                       (must use up the whole text)
//   disjunction  = conjunction { OR conjunction }
//   conjunction  = primary { operator primary }      (no operator: SAME)
//   operator     = AND | NOT | SAME | NOT SAME | WITH | NOT WITH | ADJ[n] | NOT ADJ
//   primary      = term [restriction] | "(" disjunction ")" [restriction]
//   restriction  = (IN | NOT IN) name { "," name }
//
// Inside a group that carries a restriction (and every group nested in it) AND works as
// SAME and NOT as NOT SAME, so that "(a AND b) IN TI" wants both words in the title.
#pragma once

#include <string>
#include <vector>

#include "base/status.h"
#include "query/found_set.h"
#include "query/search_context.h"
#include "query/word_opcodes.h"

namespace zrt {

inline constexpr size_t kMaxQueryText = 2047;
inline constexpr size_t kMaxTermBytes = 127;
inline constexpr size_t kMaxListFields = 126;
inline constexpr size_t kMaxPendingSets = 10;

struct QueryLimit {
  std::string field;  // field code, e.g. "PY"
  std::string text;   // in the query language
};

// "(text)  AND (limit) IN FIELD ..."; a Limit status when the result is over
// kMaxQueryText bytes, InvalidArgument when there is nothing to search for.
Status ComposeQueryText(const std::string& text, const std::vector<QueryLimit>& limits,
                        std::string* out);

// Parses and evaluates `text`; on success *result holds one entry per found record.
// Syntax errors are Syntax with the offset where the parsing stopped; limits of the
// language's tables are Limit; a damaged index gives Corruption or IOError. `opcodes`
// and `progress` may be null.
Status RunQuery(const SearchContext& context, const std::string& text, WordOpCodes* opcodes,
                const QueryProgress& progress, FoundSet* result);

}  // namespace zrt
