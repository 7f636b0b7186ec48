#include "query/highlight.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "text/charset.h"
#include "text/wordscan.h"

namespace zrt {
namespace {

using Occ = WordOpCodes::WordOccurrence;

void AddOccurrence(std::vector<Occ>& list, Occ o) {
  for (Occ& e : list) {
    if (e.field == o.field && e.position == o.position) {
      e.length = std::max(e.length, o.length);
      return;
    }
  }
  if (list.size() < WordOpCodes::kMaxOccurrences) list.push_back(o);
}

// How many bytes of the text word a query word marks, 0 when it does not match.
size_t MatchLength(const std::string& w, const char* word, size_t wordLength,
                   const QueryParams& params) {
  size_t L = w.size();
  if (L == 0) return 0;
  if (w[L - 1] == params.cutChar) {
    // The cut character itself is never part of a text word: it stands for any
    // continuation with auto cut on as well.
    size_t n = L - 1;
    return n > 0 && wordLength >= n && StrNICmp(w.c_str(), word, n) == 0 ? n : 0;
  }
  if (wordLength < L || StrNICmp(w.c_str(), word, L) != 0) return 0;
  if (!params.autoCut && wordLength != L) return 0;
  return L;
}

bool HasField(const std::vector<Occ>& list, uint8_t field) {
  for (const Occ& o : list)
    if (o.field == field) return true;
  return false;
}

void Replay(WordOpCodes& list) {
  auto& words = list.words();
  for (const WordOpCodes::Record& r : list.records()) {
    if (r.op == WordOpCodes::kTerm) continue;
    std::vector<Occ>& t = words[r.first].occurrences;
    if (r.op == WordOpCodes::kIn || r.op == WordOpCodes::kNotIn) {
      bool keepIn = r.op == WordOpCodes::kIn;
      std::erase_if(t, [&](const Occ& o) {
        bool in = o.field >= 1 && o.field <= 32 && (r.second >> (o.field - 1)) & 1u;
        return in != keepIn;
      });
      continue;
    }
    if (r.second >= words.size() || r.second == r.first) continue;
    std::vector<Occ>& rr = words[r.second].occurrences;
    if (r.op == WordOpCodes::kOr) {
      for (const Occ& o : rr) AddOccurrence(t, o);
    } else if (r.op == WordOpCodes::kSame) {
      std::vector<Occ> both;
      for (const Occ& o : t)
        if (HasField(rr, o.field)) AddOccurrence(both, o);
      for (const Occ& o : rr)
        if (HasField(t, o.field)) AddOccurrence(both, o);
      t = std::move(both);
    } else if (r.op > WordOpCodes::kAdjacent) {
      int n = r.op - WordOpCodes::kAdjacent;
      std::vector<Occ> joined;
      for (const Occ& a : t) {
        for (const Occ& b : rr) {
          int d = b.position - a.position;
          if (a.field != b.field || d < 1 || d > n || b.offset < a.offset) continue;
          auto length = static_cast<uint16_t>(
              std::min<int>(b.offset + b.length - a.offset, 0xFFFF));
          AddOccurrence(joined, {b.field, b.position, a.offset, length});
        }
      }
      t = std::move(joined);
    }
    // kNegated keeps T; every binary operator consumes R.
    rr.clear();
  }
}

void PutPairs(char*& o, const HighlightMarks& m, bool open) {
  const unsigned char codes[2][3] = {{0xDD, 0xDE, 0xDF}, {0xFF, 0xFE, 0xFD}};
  const bool on[2][3] = {{m.colour, m.bold, m.italic}, {m.italic, m.bold, m.colour}};
  int k = open ? 0 : 1;
  for (int i = 0; i < 3; ++i) {
    if (!on[k][i]) continue;
    *o++ = '_';
    *o++ = static_cast<char>(codes[k][i]);
  }
}

}  // namespace

size_t Highlight(const char* text, char* out, WordOpCodes* list, uint8_t fieldNumber,
                 HighlightMarks marks, const QueryParams& params) {
  if (!text) text = "";
  const size_t n = std::strlen(text);
  bool anyMark = marks.colour || marks.bold || marks.italic;
  if (!list || list->records().empty() || list->words().empty() || !anyMark) {
    std::memcpy(out, text, n + 1);
    return n;
  }
  auto& words = list->words();
  for (auto& w : words) w.occurrences.clear();

  // 1. Where each query word occurs in the text. The scanner folds «ё» in the text's
  // words, so the query's words are folded alike.
  std::vector<std::string> folded;
  for (const auto& w : words) folded.push_back(FoldYo(w.text));
  std::string copy(text, n);
  WordScanner scanner(copy.data());
  uint8_t counter = 0;
  int32_t offset = 0;
  while (char* word = scanner.Next(&counter, &offset)) {
    size_t length = std::strlen(word);
    if (offset < 0 || offset > 0xFFFF) break;  // offsets are 16-bit
    for (size_t i = 0; i < words.size(); ++i) {
      size_t m = MatchLength(folded[i], word, length, params);
      if (m > 0)
        AddOccurrence(words[i].occurrences, {fieldNumber, counter, static_cast<uint16_t>(offset),
                                      static_cast<uint16_t>(std::min<size_t>(m, 0xFFFF))});
    }
  }

  // 2. The query's program over them; the last record's first operand holds the result.
  Replay(*list);
  const std::vector<Occ>& result = words[list->records().back().first].occurrences;

  // 3. Spans, merged where they overlap or touch.
  std::vector<std::pair<size_t, size_t>> spans;
  for (const Occ& o : result)
    if (o.field == fieldNumber && o.length > 0)
      spans.emplace_back(o.offset, std::min<size_t>(o.offset + o.length, n));
  std::sort(spans.begin(), spans.end());
  std::vector<std::pair<size_t, size_t>> merged;
  for (auto s : spans) {
    if (s.first >= s.second) continue;
    if (!merged.empty() && s.first <= merged.back().second)
      merged.back().second = std::max(merged.back().second, s.second);
    else if (merged.size() < kMaxSpans)
      merged.push_back(s);
  }
  for (auto& w : words) w.occurrences.clear();

  // 4. The text with the marks.
  char* o = out;
  size_t k = 0;
  bool open = false;
  for (size_t p = 0; p < n; ++p) {
    if (open && p == merged[k].second) {
      PutPairs(o, marks, false);
      open = false;
      ++k;
    }
    if (!open && k < merged.size() && p == merged[k].first) {
      PutPairs(o, marks, true);
      open = true;
    }
    *o++ = text[p];
  }
  if (open) PutPairs(o, marks, false);
  *o = '\0';
  return static_cast<size_t>(o - out);
}

}  // namespace zrt
