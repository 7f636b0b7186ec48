// Layout of the decoded characters into display lines: character widths
// measured with each character's font, line breaks and word wrap in MultiLine mode, line
// heights, and the mapping between caret positions and points.
#pragma once

#include <QPointF>
#include <QtGlobal>
#include <vector>

#include "markup.h"

namespace ztext {

class FontSet;

struct LayoutLine {
  int first = 0;     // first character
  int end = 0;       // one past the last character, a line break included
  int caretEnd = 0;  // the last caret position on the line: end, or before the line break
  qreal top = 0;
  qreal height = 0;  // the largest character height on the line (line breaks not counted;
                     // the base font's when it shows none)
};

class TextLayout {
 public:
  static constexpr int kMaxLines = 256;

  // In MultiLine mode a line ends at a line break, and a line that would pass `width` minus 2
  // pixels is broken after its last white space before the overflow (white space hangs at the
  // line's end), or before the overflowing character when it has none. The 256th line holds
  // the rest of the text unbroken. Without MultiLine the text is one line.
  void build(const std::vector<DecodedChar>& chars, const FontSet& fonts, qreal width,
             bool multiLine);

  const std::vector<LayoutLine>& lines() const { return lines_; }
  int lineCount() const { return int(lines_.size()); }
  qreal height() const { return lines_.back().top + lines_.back().height; }

  // Per character: the Unicode character drawn (0: nothing), its left and right x within its
  // line, and its baseline below the line's top. Characters are drawn from the line's top, a
  // subscript lowered by the line height minus its font's ascent (so on the line's bottom).
  char16_t glyph(int i) const { return glyphs_[i]; }
  qreal left(int i) const { return left_[i]; }
  qreal right(int i) const { return right_[i]; }
  qreal baseline(int i) const { return baselines_[i]; }

  // The line that shows a caret position. A position that ends a wrapped line also starts the
  // next one: atLineEnd chooses the earlier line (the caret after End).
  int lineOf(int position, bool atLineEnd = false) const;
  qreal x(int position, int line) const;
  // The caret position on a line nearest to an x, and the line at a y (both clamped).
  int positionAt(int line, qreal x) const;
  int lineAt(qreal y) const;
  // The first visible line at which the last line just fits into a client height: the number
  // of lines that do not fit (the vertical scroll range).
  int scrollRange(qreal clientHeight) const;

 private:
  std::vector<LayoutLine> lines_{LayoutLine{}};
  std::vector<char16_t> glyphs_;
  std::vector<qreal> left_, right_, baselines_;
};

}  // namespace ztext
