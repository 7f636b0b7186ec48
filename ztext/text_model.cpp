#include "text_model.h"

#include <utility>

namespace ztext {

namespace {

// Symbol mode: the key typed and the Symbol byte that it inserts, position by position
// (53 keys).
constexpr QByteArrayView kSymbolKeys = "ae*p|<bf40123g+>mdo-#=~khwytszxujJ/cC()lnr.^&v95678qi";
constexpr unsigned char kSymbolCodes[] = {
    0x22, 0x24, 0x40, 0x5E, 0x7C, 0xA3, 0xA5, 0xA6, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB0,
    0xB1, 0xB3, 0xB4, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xC0, 0xC1, 0xC2, 0xC3, 0xC4,
    0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD0, 0xD1, 0xD6,
    0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xF0, 0xF2};
static_assert(std::size(kSymbolCodes) == kSymbolKeys.size());

constexpr char kEscape = '_';

// The acceptance rule for a typed byte: printable ASCII other than "_", or 0xC0-0xFF; "_" only
// while a Greek or Symbol mode is active.
bool accepted(unsigned char b, InputMode mode) {
  if (b == kEscape) return mode != InputMode::Normal;
  return (b >= 0x20 && b <= 0x7E) || b >= 0xC0;
}

}  // namespace

bool TextModel::setText(QByteArrayView text) {
  if (const qsizetype zero = text.indexOf('\0'); zero >= 0) text = text.first(zero);
  if (text.size() > kMaxLength) text = text.first(kMaxLength);
  undo_ = {};
  if (text == QByteArrayView(text_)) return false;
  QByteArray copy = text.toByteArray();
  auto chars = decodeMarkup(copy);
  adopt(std::move(copy), std::move(chars));
  caret_ = anchor_ = length();
  return true;
}

int TextModel::byteOffset(int position) const {
  position = std::max(position, 0);
  return position < length() ? chars_[position].start : int(text_.size());
}

int TextModel::positionAtByte(int offset) const {
  const auto it = std::lower_bound(chars_.begin(), chars_.end(), offset,
                                   [](const DecodedChar& c, int o) { return c.start < o; });
  return int(it - chars_.begin());
}

void TextModel::setCaret(int position, bool extendSelection) {
  caret_ = std::clamp(position, 0, length());
  if (!extendSelection) anchor_ = caret_;
}

int TextModel::previousWordStart(int position) const {
  int i = std::clamp(position, 0, length());
  while (i > 0 && isWhiteSpace(chars_[i - 1])) --i;
  while (i > 0 && !isWhiteSpace(chars_[i - 1])) --i;
  return i;
}

int TextModel::nextWordStart(int position) const {
  int i = std::clamp(position, 0, length());
  while (i < length() && !isWhiteSpace(chars_[i])) ++i;
  while (i < length() && isWhiteSpace(chars_[i])) ++i;
  return i;
}

void TextModel::toggleMode(InputMode mode) {
  mode_ = mode_ == InputMode::Normal ? mode : InputMode::Normal;
}

bool TextModel::type(char byte) {
  const auto b = static_cast<unsigned char>(byte);
  if (!accepted(b, mode_)) return false;
  const InputMode mode = std::exchange(mode_, InputMode::Normal);
  switch (mode) {
    case InputMode::Normal:
      return replaceSelection(QByteArrayView(&byte, 1));
    case InputMode::Greek: {
      // The Symbol face shows the Latin letters as Greek ones.
      const char escaped[] = {kEscape, byte};
      return replaceSelection(QByteArrayView(escaped, 2));
    }
    case InputMode::Symbol: {
      const qsizetype key = kSymbolKeys.indexOf(byte);
      if (key < 0) return false;
      const char escaped[] = {kEscape, static_cast<char>(kSymbolCodes[key])};
      return replaceSelection(QByteArrayView(escaped, 2));
    }
  }
  return false;
}

bool TextModel::insertLineBreak() { return replaceSelection("\r\n"); }

bool TextModel::replaceSelection(QByteArrayView bytes) {
  return replaceBytes(byteOffset(selectionStart()), byteOffset(selectionEnd()), bytes);
}

bool TextModel::deleteSelection() { return hasSelection() && replaceSelection({}); }

bool TextModel::deleteBackward() {
  if (hasSelection()) return deleteSelection();
  if (caret_ == 0) return false;
  const DecodedChar& c = chars_[caret_ - 1];
  return replaceBytes(c.start, c.start + c.length, {});
}

bool TextModel::deleteForward() {
  if (hasSelection()) return deleteSelection();
  if (caret_ == length()) return false;
  const DecodedChar& c = chars_[caret_];
  return replaceBytes(c.start, c.start + c.length, {});
}

QByteArray TextModel::selectedText() const {
  const int from = byteOffset(selectionStart());
  return text_.mid(from, byteOffset(selectionEnd()) - from);
}

bool TextModel::undo() {
  if (!canUndo()) return false;
  const UndoRecord record = std::exchange(undo_, {});
  QByteArray text = text_;
  text.replace(record.position, record.insertedLength, record.removed);
  auto chars = decodeMarkup(text);
  adopt(std::move(text), std::move(chars));
  caret_ = std::clamp(record.caret, 0, length());
  anchor_ = std::clamp(record.anchor, 0, length());
  return true;
}

bool TextModel::replaceBytes(int from, int to, QByteArrayView bytes) {
  if (from == to && bytes.isEmpty()) return false;
  if (text_.size() - (to - from) + bytes.size() >= kBufferSize) return false;
  QByteArray text = text_;
  text.replace(from, to - from, bytes);
  auto chars = decodeMarkup(text);
  if (multiLine_) {
    const int lines = lineCount(chars);
    if (lines > kMaxLines && lines > lineCount(chars_)) return false;
  }
  undo_ = {from, int(bytes.size()), text_.mid(from, to - from), caret_, anchor_};
  adopt(std::move(text), std::move(chars));
  caret_ = anchor_ = positionAtByte(from + int(bytes.size()));
  return true;
}

void TextModel::adopt(QByteArray text, std::vector<DecodedChar> chars) {
  text_ = std::move(text);
  chars_ = std::move(chars);
  ++revision_;
}

int TextModel::lineCount(const std::vector<DecodedChar>& chars) const {
  return 1 + int(std::count_if(chars.begin(), chars.end(), isLineBreak));
}

}  // namespace ztext
