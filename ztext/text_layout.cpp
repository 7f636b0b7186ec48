#include "text_layout.h"

#include <QChar>
#include <algorithm>

#include "font_set.h"

namespace ztext {

void TextLayout::build(const std::vector<DecodedChar>& chars, const FontSet& fonts, qreal width,
                       bool multiLine) {
  const int n = int(chars.size());
  lines_.clear();
  glyphs_.resize(n);
  left_.assign(n, 0);
  right_.assign(n, 0);
  baselines_.assign(n, 0);
  std::vector<qreal> widths(n);
  for (int i = 0; i < n; ++i) {
    glyphs_[i] = displayCharacter(chars[i]);
    const QFontMetricsF& m = fonts.metrics(fontIndex(chars[i].attributes));
    widths[i] = glyphs_[i] ? m.horizontalAdvance(QChar(glyphs_[i])) : 0;
  }
  const qreal limit = width - 2;
  qreal top = 0;
  int i = 0;
  for (;;) {
    LayoutLine line{i, i, i, top, 0};
    const bool wraps = multiLine && lineCount() + 1 < kMaxLines;
    bool endsWithBreak = false;
    int lastWhiteSpace = -1;
    qreal x = 0;
    int j = i;
    for (; j < n; ++j) {
      const DecodedChar& c = chars[j];
      if (wraps && isLineBreak(c)) {
        left_[j] = right_[j] = x;
        ++j;
        endsWithBreak = true;
        break;
      }
      if (wraps && j > i && x + widths[j] > limit && !isWhiteSpace(c)) {
        if (lastWhiteSpace >= i) j = lastWhiteSpace + 1;
        break;
      }
      left_[j] = x;
      x += widths[j];
      right_[j] = x;
      if (isWhiteSpace(c)) lastWhiteSpace = j;
    }
    line.end = j;
    line.caretEnd = endsWithBreak ? j - 1 : j;
    // Line breaks show nothing and do not count; a line without characters has the base height.
    qreal height = 0;
    for (int k = i; k < j; ++k) {
      if (!isLineBreak(chars[k]))
        height = std::max(height, fonts.metrics(fontIndex(chars[k].attributes)).height());
    }
    line.height = height > 0 ? height : fonts.metrics(0).height();
    for (int k = i; k < j; ++k) {
      const QFontMetricsF& m = fonts.metrics(fontIndex(chars[k].attributes));
      baselines_[k] = chars[k].attributes & attr::kSubscript ? line.height : m.ascent();
    }
    lines_.push_back(line);
    top += line.height;
    i = j;
    // A text that ends with a line break has an empty last line for the caret.
    if (i == n && !(endsWithBreak && lineCount() < kMaxLines)) break;
  }
}

int TextLayout::lineOf(int position, bool atLineEnd) const {
  const auto it = std::upper_bound(lines_.begin(), lines_.end(), position,
                                   [](int p, const LayoutLine& l) { return p < l.first; });
  int line = std::max(int(it - lines_.begin()) - 1, 0);
  if (atLineEnd && line > 0 && lines_[line].first == position &&
      lines_[line - 1].caretEnd == position)
    --line;
  return line;
}

qreal TextLayout::x(int position, int line) const {
  const LayoutLine& l = lines_[line];
  position = std::clamp(position, l.first, l.caretEnd);
  return position > l.first ? right_[position - 1] : 0;
}

int TextLayout::positionAt(int line, qreal x) const {
  const LayoutLine& l = lines_[std::clamp(line, 0, lineCount() - 1)];
  for (int p = l.first; p < l.caretEnd; ++p)
    if (x < (left_[p] + right_[p]) / 2) return p;
  return l.caretEnd;
}

int TextLayout::lineAt(qreal y) const {
  const auto it = std::upper_bound(lines_.begin(), lines_.end(), y,
                                   [](qreal v, const LayoutLine& l) { return v < l.top; });
  return std::max(int(it - lines_.begin()) - 1, 0);
}

int TextLayout::scrollRange(qreal clientHeight) const {
  int first = lineCount();
  qreal used = 0;
  while (first > 0 && used + lines_[first - 1].height <= clientHeight)
    used += lines_[--first].height;
  return std::min(first, lineCount() - 1);
}

}  // namespace ztext
