// Lays rings of stem records out in the engine's dictionary file format (see
// engine/morph/dictionary.h): stems of one letter go to the first-letter ranges, longer
// ones to the two-letter ranges, each range sorted by stem; a ring's records link to
// the next one and the last back to the first.
#pragma once

#include <string>
#include <vector>

#include "infer.h"

namespace dzbuild {

// The file's bytes; false when a stem cannot be placed (not lower-case Cyrillic, too
// long) or the file would not fit the offsets.
bool LayOut(const std::vector<Ring>& rings, std::string* file, std::string* error);

}  // namespace dzbuild
