// Word-form generation: the slots of one lexeme from its stem records and the ending
// tables of its paradigm codes.
//
// Paradigm codes and their slot counts (the lexeme's class is its first stem's code):
//   0        1 slot   indeclinable: the stem is the form
//   1-24     12       nouns, inanimate (noun table row = code)
//   25-48    12       nouns, animate (row = code - 24, animate accusatives)
//   49-59    19       adjectives (adjective table row = code - 48)
//   60-75    13       pronominal adjectives and numerals (pronoun table row = code - 59)
//   80-88    8        numerals (pronoun table row = code - 72, first 8 endings)
//   100-     30       verbs (verb rules)
// 76-79 and 89-99 are not valid.
#pragma once

#include <cstdint>
#include <string>

namespace zrt::morph {

constexpr int kMaxSlots = 30;      // a verb fills the most
constexpr int kSlotSize = 64;      // a slot holds at most 63 bytes and its NUL
constexpr int kMaxStems = 18;      // stem records in one lexeme
constexpr int kMaxCandidates = 32; // stem records that may begin one word
constexpr int kMaxForms = 576;     // slots gathered for one word

using Slot = char[kSlotSize];

// One stem record of the dictionary as the generator sees it.
struct StemView {
  const char* stem;   // NUL-terminated Windows-1251
  uint32_t code;      // paradigm code
  uint32_t mask;      // slot mask: bit s set = this stem fills slot s
  uint32_t features;  // feature bits (exceptions, verb endings)
  uint32_t fourth;    // length compared by the "-ев/-ов" rule of codes 21 and 45
};

// Slot count of a paradigm code, 0 for an invalid code.
int SlotCount(uint32_t code);

// Fills the slots of the lexeme made of stems[0..count) (each unfilled slot is "-";
// stem + ending is cut to 63 bytes) and, when word is not null, says whether the word
// is one of them: +k (k = slot count) when a slot equals the word, -k when the word
// begins with the text before the "$" of a truncated slot, 0 otherwise; the first slot
// in order that decides wins. Without a word the result is k. An invalid first code
// or no stems gives 0 and no slots.
int BuildAllForms(const StemView* stems, int count, const char* word, Slot* slots);

}  // namespace zrt::morph
