// All forms of a word from the morphology dictionary, their compression into truncated
// terms, and the rewriting of a query with them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "morph/dictionary.h"

namespace zrt::morph {

constexpr int kFlagCompress = 1;  // fold forms into truncated terms ("нефт$2")
constexpr int kFlagBars = 2;      // join with " | " instead of " or "

// The prefixes tried, in order, on a word that has no forms of its own (Windows-1251).
const std::vector<std::string>& PrefixList();

// The slots of every lexeme the word belongs to (unfilled and disabled slots start with
// "-"); returns their number. Lexemes the word enters only through a truncated slot are
// disabled when another lexeme holds the word itself.
int LexemeSlots(const Dictionary& dict, std::string_view word, std::vector<std::string>* slots);

// The distinct forms of the word (any case, «ё» or «е») in output order; returns their
// number.
int FindForms(const Dictionary& dict, std::string_view word, int flags, std::vector<std::string>* forms);

// The forms joined by " or " (or " | " with kFlagBars), whole forms only, into at most
// `capacity` bytes including the NUL; *written gets the number of forms that fit.
std::string JoinForms(const std::vector<std::string>& forms, int flags, size_t capacity, int* written);

// Folds forms[first..first+count), sorted, into truncated terms; disabled forms become
// "-". A group that differs by more than 9 bytes gets a "$" without a length.
void Compress(std::vector<std::string>& forms, size_t first, size_t count, size_t minLength);

// Rewrites a query, replacing each free-standing Cyrillic word by "(forms)". The result
// with its NUL never exceeds `capacity` bytes: a word whose forms would leave no room for
// the rest of the query is written lower-cased instead. capacity must exceed the query's
// length.
std::string ExpandQuery(const Dictionary* dict, std::string_view query, int flags, size_t capacity);

}  // namespace zrt::morph
