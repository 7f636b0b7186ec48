// Verb lexemes: the source's joined lexeme of a verb (infinitive, finite forms,
// imperatives, gerunds and the declined participles) split by what the verb rules make
// of it, and the ring of stem records that generates it.
//
// The rules make the infinitive, finite, imperative and gerund forms whole (slots 0-15)
// and the participles as truncated stems ("делающ$") that every declined form of the
// participle begins with (slots 16-19). What they cannot make goes to the free slots: 29
// holds a form, 27 and 28 a truncated stem.
#pragma once

#include <string>
#include <vector>

#include "az_source.h"
#include "infer.h"
#include "lexemes.h"

namespace dzbuild {

constexpr int kVerbFormSlots = 16;  // slots 0-15: infinitive ... past gerund

struct VerbLexeme {
  std::string infinitive;  // Windows-1251 with ё folded; the lexeme's name
  bool reflexive = false;
  std::string slot[kVerbFormSlots];  // the form wanted in each slot, "" for none
  // Every declined form of the present active, past active, present passive and past
  // passive participle.
  std::vector<std::string> participles[4];
  std::vector<std::string> variants;  // second forms of a slot ("-вши" gerunds, rare spellings)

  // Every form, distinct.
  std::vector<std::string> Forms() const;
};

// The verb lexeme of a source lexeme whose first form is verbal, from its forms.
VerbLexeme MakeVerb(const std::vector<Form>& forms);

// The rings for a verb: one, and a few more that hold the forms no free slot was left
// for, each with the verb's records again. `counterpart` holds the forms of the verb's reflexive
// counterpart ("делаться" for "делать"), sorted; the plain-verb slots are generated only
// when every form they make is one of them.
std::vector<Ring> InferVerb(const VerbLexeme& verb, const std::vector<std::string>& counterpart);

// How the rings' forms meet the lexeme's. A form is made when a slot holds it or it begins
// with the text of a truncated slot; participle forms only count through truncated
// slots.
struct VerbFit {
  size_t forms = 0;     // finite, infinitive, imperative and gerund forms (with variants)
  size_t made = 0;      // of them, made
  size_t exact = 0;     // of them, held by a slot
  size_t slotForms = 0, slotExact = 0;  // the slots' own forms (no variants), and how many held by a slot
  size_t participleForms = 0, participlesMade = 0;
  size_t foreign = 0;   // slots that hold no form of the lexeme nor of its counterpart
  std::string firstMissing;
  bool Complete() const { return made == forms && participlesMade == participleForms; }
};
VerbFit FitVerb(const VerbLexeme& verb, const std::vector<Ring>& rings, const std::vector<std::string>& counterpart);

}  // namespace dzbuild
