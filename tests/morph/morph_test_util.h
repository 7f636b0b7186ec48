// Helpers of the morphology tests: Windows-1251 text from UTF-8 literals, and an
// independent writer of dictionary files (the format as documented, not the builder's
// code), so that the reader is checked against a second implementation.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fixture/scratch.h"
#include "zrteng.h"

namespace morphtest {

std::string W(const char* utf8);                 // UTF-8 -> Windows-1251
std::string U(const std::string& cp1251);        // Windows-1251 -> UTF-8
std::vector<std::string> Ws(std::initializer_list<const char*> utf8);

struct Rec {
  std::string stem;  // UTF-8
  uint32_t code = 0, mask = 0, features = 0, fourth = 0;
};

// Writes rings as a dictionary: one-letter stems in the first-letter ranges, others in
// the two-letter ranges, sorted; each ring's records linked in a circle.
std::string DictionaryBytes(const std::vector<std::vector<Rec>>& rings);

// A file in a fresh temporary folder, removed with the object.
class TempFile {
public:
  explicit TempFile(const std::string& bytes) : path_(dir_.Write("test.dz", bytes)) {}
  const std::string& path() const { return path_; }

private:
  fixture::TempDir dir_{"zrt_morph"};
  std::string path_;
};

// The forms DZFindForms writes for a word, as a set of UTF-8 words (flag DZ_FLAG_BARS
// changes the separator it splits at).
std::set<std::string> FormsOf(DZContext* ctx, const std::string& utf8Word, int flags = 0);

// Whether a set of forms finds the word: holds it, or a truncated term ("делающ$") that
// begins it.
bool Finds(const std::set<std::string>& forms, const std::string& word);

// All slots of a noun/adjective/... mask.
inline uint32_t AllSlots(int n) { return n >= 32 ? ~0u : (1u << n) - 1; }

}  // namespace morphtest
