// The table of contents that `zrt load --contents FILE` gives a new edition.
//
// FILE is UTF-8 text, one section a line: its code, a tab or blanks, its title. Blank
// lines and lines that begin with "#" are skipped. A code is dotted parts of ASCII letters
// and digits ("1.1.1.3.12"), at most 63 bytes; a title at most 255 bytes in
// Windows-1251. Sections come in the tree's order (ascending bytes of the code), each
// after its parent (the code without its last part), and no code may begin with the
// code of a section that is not its parent ("1.1" and "1.10" both): the contents pane
// nests an entry under the nearest earlier code that begins it, and the section jump
// searches for the code truncated, so such a code would be taken for a subsection.
#pragma once

#include <string>
#include <vector>

#include "zrteng.h"

namespace zrt::cli {

struct ContentsSection {
  std::string code;   // Windows-1251 (ASCII)
  std::string title;  // Windows-1251
};

// False with *error naming the file and line of the first fault.
bool ReadContentsFile(const std::string& path, std::vector<ContentsSection>* sections,
                      std::string* error);

// Writes the sections as the edition's ".cdj" key tree (key: code, data: title).
bool WriteContentsTree(const std::string& treePath, const std::vector<ContentsSection>& sections,
                       std::string* error);

// "no", or "yes, N sections (deepest level L)" for `zrt info`.
std::string ContentsSummary(ORTree* tree);

}  // namespace zrt::cli
