// The documents that `zrt export` and `zrt render` go over: every record, or the records
// a query found, narrowed by --records to a range of their positions ("5-20", "7", "5-").
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "client/selection.h"
#include "command.h"

namespace zrt::cli {

using client::DocSelection;

// --timeout SECONDS for the queries run on h (client::QueryDeadline). False with *error
// for a value that is not a positive number.
inline bool ArmQueryTimeout(EngineHandle* h, const Args& args, std::string* error) {
  double seconds = 0;
  if (args.Has("timeout")) {
    const std::string& text = args.Get("timeout");
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(seconds > 0)) {
      *error = "--timeout wants a number of seconds above 0, not '" + text + "'";
      return false;
    }
  }
  client::QueryDeadline::Arm(h, seconds);
  return true;
}

// The failure of a query on h, naming --timeout when that stopped it.
inline std::string QueryFailureOf(EngineHandle* h, const Args& args) {
  if (!client::QueryDeadline::Expired()) return client::QueryFailure(h);
  return "the query took longer than --timeout " + args.Get("timeout") + " s (" + client::ErrorMessage(h) + ")";
}

// Runs --query and reads --records into *selection. False with *error saying why.
inline bool ChooseDocuments(DocSelection* selection, EngineHandle* h, const Args& args,
                            std::string* error) {
  auto given = [&](const char* name) {
    return args.Has(name) ? std::optional<std::string>(args.Get(name)) : std::nullopt;
  };
  if (!ArmQueryTimeout(h, args, error)) return false;
  if (selection->Choose(h, given("query"), given("records"), error)) return true;
  if (client::QueryDeadline::Expired()) *error = QueryFailureOf(h, args);
  return false;
}

inline const Option kTimeoutOption{"timeout", 0, "SECONDS",
                                   "stop a query that runs longer than this, with an error"};

// --query, --records and --timeout.
inline const std::vector<Option> kSelectionOptions = {
    {"query", 0, "QUERY", "only the records a query finds (see 'zrt help query')"},
    {"records", 0, "N-M", "only these positions: N, N-M or N- (of the found records with --query)"},
    kTimeoutOption,
};

}  // namespace zrt::cli
