// ISO 2709 exchange files (see iso_reader.h) as a document source of
// `zrt load --format iso`. Texts are code page 866 and become Windows-1251.
//
// A tag goes back to the field whose code gives that tag by the writer's rule: a letter
// and two digits give (letter - 'A') * 100 + the number ("A10" is 10, "B05" is 105),
// any other code gives its source field number. A field list may also name the tags of
// a field outright (--fields TI=200,AU=700). Without a field list, the fields are named
// after the tags found in the file ("A10", "B05", ...), which the rule maps back.
// Repeated tags of one record are joined with "; ", as lists of other sources are;
// --ignore drops the fields of the tags it names.
#pragma once

#include <memory>
#include <string>

#include "client/iso_reader.h"
#include "client/record_source.h"

namespace zrt::client {

// The source for `zrt load`; with spec.skipBad malformed records are reported on stderr
// and skipped, otherwise the first one fails the load.
std::unique_ptr<RecordSource> OpenIso(const SourceSpec& spec, std::string* error);

}  // namespace zrt::client
