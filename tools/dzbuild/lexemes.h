// The lexemes the dictionary is built from: the source's lexemes with ё folded to е,
// hyphenated words and abbreviations dropped, verbs apart (verbs.h), and joined lexemes split
// (superlatives, patronymics, prefixed forms, and surnames by gender when one ring
// cannot hold both).
#pragma once

#include <set>
#include <string>
#include <utility>
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

// The source's tags, split into part of speech and grammemes once.
class SourceTags {
public:
  explicit SourceTags(const Source& source);
  const std::string& Pos(uint16_t tag) const { return tags_[tag].first; }
  const std::set<std::string>& Grammemes(uint16_t tag) const { return tags_[tag].second; }

private:
  std::vector<std::pair<std::string, std::set<std::string>>> tags_;
};

struct Form {
  std::string word;  // ё folded to е
  std::string pos;
  const std::set<std::string>* grammemes;
  int prefix;
  bool Has(const char* grammeme) const { return grammemes->count(grammeme) != 0; }
};

// The forms of a source lexeme, abbreviations left out; false when one of them is not a
// lower-case Cyrillic word (hyphens, digits, Latin letters).
bool ExpandForms(const Source& source, const SourceTags& tags, const Source::Lexeme& lx, std::vector<Form>* forms);

// Infinitives, finite forms, participles and gerunds.
bool Verbal(const std::string& pos);

// The lexemes of a source lexeme that is no verb, from its forms.
void AddLexemes(const Source::Lexeme& lx, const std::vector<Form>& forms, std::vector<Lexeme>* out);

}  // namespace dzbuild
