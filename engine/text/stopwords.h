// The process-wide stop-word list: words the indexer does not index and that queries
// treat as neutral. Entries may end in "$" (any continuation) or "$N" (at most N more
// characters); the mark is always "$" whatever cut character the query uses.
#pragma once

#include <string>
#include <vector>

namespace zrt {

class StopList {
public:
  static constexpr size_t kCapacity = 1024;
  static constexpr size_t kLineBytes = 35;

  // Loads a code page 866 file; false (and an empty list) when it cannot be read.
  bool Load(const std::string& path);
  void Clear() { entries_.clear(); }
  bool Contains(const char* word) const;  // any case, ANSI
  size_t size() const { return entries_.size(); }
  const std::vector<std::string>& entries() const { return entries_; }

  // Entries arrive upper-cased ANSI; used by tests and by Load.
  void SetEntries(std::vector<std::string> entries);

  static StopList& Global();

private:
  std::vector<std::string> entries_;  // sorted by unsigned bytes
};

bool IsStopWord(const char* word);  // against StopList::Global()

// Orders a word `w` (upper case, may itself hold a "$" cut) against a list entry `e`:
// 0 when the entry stops the word, otherwise -1 or 1 as the lookup should go on.
// "$" at the end of either side stops every continuation of its prefix, "$N" at most N
// more bytes; past that limit a cut word sorts before the entry and an uncut word after.
int CompareStopEntry(const char* w, const char* e);

}  // namespace zrt
