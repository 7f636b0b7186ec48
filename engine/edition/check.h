// The integrity check of an edition: every file's structure and the cross-references
// between them, for `zrt check` and for any other caller through ZRT_CheckEdition.
//   records      each ".cdx" entry leads to a whole record in ".cdb"
//   dictionary   words in ascending order; each word's occurrences in their run order,
//                with record numbers inside the count, and its documents, occurrences,
//                group mask and ".cdh" offset as its run gives them; no bytes left over
//   page index   exactly the entries the dictionary's words give
//   update index ".cdl" items ordered and inside the record count; ".cdi" walks in key
//                order through pages that pass their checks, every entry's record inside
//                the count and in the record set with the set's entry count and total
//   contents     the ".cdj" tree opens and walks to its end
//   descriptor   every definition compiles (the open does it)
// The edition is opened as usual first, so a write that a crash cut short is rolled
// back (or finished) before anything is checked.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zrt {

struct CheckProblem {
  std::string file;
  int64_t offset;  // -1 when the problem is not at one place
  std::string message;
};

// Reports each problem found; returns their number (0: a sound edition).
size_t CheckEdition(const std::string& path, const char* suffix,
                    const std::function<void(const CheckProblem&)>& report);

}  // namespace zrt
