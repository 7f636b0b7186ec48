// Marking the words of the last query in a field's text. The text's words are matched
// against the recorded query words, and the recorded postfix program is replayed over
// those matches, so a word excluded by NOT stays unmarked and an ADJ phrase is marked
// from its first word to its last.
#pragma once

#include <cstddef>
#include <cstdint>

#include "query/word_opcodes.h"
#include "text/qparams.h"

namespace zrt {

inline constexpr size_t kMaxSpans = 256;
// Bytes the marks of one span may take: three opening and three closing pairs.
inline constexpr size_t kSpanMarkBytes = 12;
// The output must hold strlen(text) + kHighlightExtra bytes.
inline constexpr size_t kHighlightExtra = kMaxSpans * kSpanMarkBytes + 1;

struct HighlightMarks {
  bool colour = false;  // "_" DD ... "_" FD
  bool bold = false;    // "_" DE ... "_" FE
  bool italic = false;  // "_" DF ... "_" FF
};

// Writes the marked text (NUL-terminated) to `out` and returns the bytes written before
// the NUL. Spans that overlap or touch are merged, so the marks are always balanced.
size_t Highlight(const char* text, char* out, WordOpCodes* list, uint8_t fieldNumber,
                 HighlightMarks marks, const QueryParams& params);

}  // namespace zrt
