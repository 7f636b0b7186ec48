// The documents that `zrt export` and `zrt render` go over: every record, or the records
// a query found, narrowed by --records to a range of their positions ("5-20", "7", "5-").
#pragma once

#include <string>
#include <vector>

#include "client/selection.h"
#include "command.h"

namespace zrt::cli {

using client::DocSelection;

// Runs --query and reads --records into *selection. False with *error saying why.
inline bool ChooseDocuments(DocSelection* selection, EngineHandle* h, const Args& args,
                            std::string* error) {
  auto given = [&](const char* name) {
    return args.Has(name) ? std::optional<std::string>(args.Get(name)) : std::nullopt;
  };
  return selection->Choose(h, given("query"), given("records"), error);
}

// --query and --records.
inline const std::vector<Option> kSelectionOptions = {
    {"query", 0, "QUERY", "only the records a query finds (see 'zrt help query')"},
    {"records", 0, "N-M", "only these positions: N, N-M or N- (of the found records with --query)"},
};

}  // namespace zrt::cli
