// The lexemes the dictionary is built from: the source's lexemes with ё folded to е,
// hyphenated words and abbreviations dropped, verbs left out, and joined lexemes split
// (superlatives, patronymics, prefixed forms, and surnames by gender when one ring
// cannot hold both).
#pragma once

#include <string>
#include <vector>

#include "az_source.h"

namespace dzbuild {

struct Lexeme {
  std::string pos;                 // part of speech of its first form ("NOUN", "ADJF", ...)
  std::string base;                // what every form begins with: prefix and stem
  bool variant = false;            // the second spellings and rare cases of a lexeme
  std::vector<std::string> core;   // the forms a ring must reproduce, distinct
  std::vector<std::string> all;    // every form, distinct
  std::vector<std::string> genderSplit[3];  // core forms by singular gender, when split is possible
};

std::vector<Lexeme> CollectLexemes(const Source& source);

}  // namespace dzbuild
