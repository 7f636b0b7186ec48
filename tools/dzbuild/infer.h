// From a lexeme's forms to a ring of stem records that the engine's generator turns back
// into those forms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dzbuild {

struct Record {
  std::string stem;  // Windows-1251
  uint32_t code = 0, mask = 0, features = 0, fourth = 0;
};
using Ring = std::vector<Record>;

// Finds a ring whose generated forms include every form of `core` and nothing outside
// `all` (core is a subset of all). Slot classes are tried in `classes` order (0 nouns,
// 1 adjectives, 2 pronoun table, 3 numerals); the ring with the fewest records that
// covers most wins. Returns the number of core forms covered.
size_t InferRing(const std::vector<std::string>& core, const std::vector<std::string>& all,
                 const std::vector<int>& classes, Ring* ring);

// The text the engine writes in each slot of a ring, "-" for an unfilled slot (a filled
// one can be empty: the endings of an empty stem).
std::vector<std::string> SlotTexts(const Ring& ring);

// The forms the engine generates from a ring (its unfilled slots left out).
std::vector<std::string> Generate(const Ring& ring);

// How many leading bytes two words share.
size_t SharedLength(const std::string& a, const std::string& b);

// Why a ring breaks the rules generation depends on, or "" when it keeps them: one slot
// class, no code 0 in a ring of several records, disjoint masks, the same bits 10 and
// 11, at most 18 records; for verbs, no slot written differently by two records.
std::string CheckRing(const Ring& ring);

}  // namespace dzbuild
