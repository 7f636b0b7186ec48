// JSON Lines documents: one UTF-8 object per line whose keys are field codes (or the keys
// a field list maps to codes). Texts are taken as they are, numbers as their decimal text,
// lists joined with "; "; null is an absent field. Blank lines are skipped.
#pragma once

#include <memory>
#include <string>

#include "client/record_source.h"

namespace zrt::client {

std::unique_ptr<RecordSource> OpenJsonLines(const SourceSpec& spec, std::string* error);

}  // namespace zrt::client
