// The control's text buffer and everything that edits it, without any drawing: the
// Windows-1251 markup text of at most 8191 bytes, its decoded characters, the caret and
// selection, the Greek and Symbol input modes, the editing operations and the one-level undo.
#pragma once

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "markup.h"

namespace ztext {

enum class InputMode { Normal = 0, Greek = 1, Symbol = 2 };

// Positions (caret, anchor) count decoded characters: position p stands before character p,
// and position length() after the last one. An edit at position p works on the text bytes
// from byteOffset(p), so markup consumed without output before a character stays with it.
class TextModel {
 public:
  static constexpr int kBufferSize = 8192;  // bytes, with the terminating zero
  static constexpr int kMaxLength = kBufferSize - 1;
  static constexpr int kMaxLines = 256;  // display lines held by the layout

  // The text (the Caption). Setting it cuts it at a zero byte and at kMaxLength bytes, puts
  // the caret at the end and forgets the undo record; returns whether the text changed.
  const QByteArray& text() const { return text_; }
  bool setText(QByteArrayView text);
  const std::vector<DecodedChar>& chars() const { return chars_; }
  int length() const { return int(chars_.size()); }
  // Counts every change of the text, so that a caller can tell whether an operation changed it.
  std::uint64_t revision() const { return revision_; }

  int byteOffset(int position) const;
  // The first position at or after a byte offset.
  int positionAtByte(int offset) const;

  int caret() const { return caret_; }
  int anchor() const { return anchor_; }
  bool hasSelection() const { return caret_ != anchor_; }
  int selectionStart() const { return std::min(caret_, anchor_); }
  int selectionEnd() const { return std::max(caret_, anchor_); }
  // Moves the caret (clamped to the text); without extendSelection the selection collapses.
  void setCaret(int position, bool extendSelection = false);
  // Word movement for Ctrl+Left and Ctrl+Right: to the start of the current or previous word,
  // and to the start of the next word.
  int previousWordStart(int position) const;
  int nextWordStart(int position) const;

  InputMode mode() const { return mode_; }
  void setMode(InputMode mode) { mode_ = mode; }
  // Ctrl+G (Greek) and Ctrl+S (Symbol): enter the mode from normal, return to normal otherwise.
  void toggleMode(InputMode mode);

  // In MultiLine mode an edit that would give the text more than kMaxLines lines is refused.
  bool multiLine() const { return multiLine_; }
  void setMultiLine(bool multiLine) { multiLine_ = multiLine; }

  // Editing. Each returns whether the text changed; a refused edit changes nothing (except that
  // an accepted typed character always ends a Greek or Symbol mode).
  // A typed Windows-1251 byte under the acceptance rule and the input mode.
  bool type(char byte);
  // Enter in MultiLine mode: a carriage return and line feed.
  bool insertLineBreak();
  // Replaces the selection (or inserts at the caret); used by typing, pasting and callers.
  bool replaceSelection(QByteArrayView bytes);
  bool deleteSelection();
  bool deleteBackward();  // the selection, else the character before the caret
  bool deleteForward();   // the selection, else the character after the caret

  QByteArray selectedText() const;
  // The selection as copying puts it on the clipboard: highlight marks dropped.
  QByteArray copyText() const { return withoutHighlightMarks(selectedText()); }

  bool canUndo() const { return undo_.position >= 0; }
  bool undo();

 private:
  // The last edit: what it removed at position, how many bytes it inserted, where the caret
  // and anchor were before it. position -1: nothing to undo.
  struct UndoRecord {
    int position = -1;
    int insertedLength = 0;
    QByteArray removed;
    int caret = 0;
    int anchor = 0;
  };

  // The one edit primitive: replaces the bytes [from, to) and puts the caret behind the
  // inserted bytes. Refuses what would reach kBufferSize bytes or pass the line cap.
  bool replaceBytes(int from, int to, QByteArrayView bytes);
  void adopt(QByteArray text, std::vector<DecodedChar> chars);
  int lineCount(const std::vector<DecodedChar>& chars) const;

  QByteArray text_;
  std::vector<DecodedChar> chars_;
  std::uint64_t revision_ = 0;
  int caret_ = 0;
  int anchor_ = 0;
  InputMode mode_ = InputMode::Normal;
  bool multiLine_ = false;
  UndoRecord undo_;
};

}  // namespace ztext
