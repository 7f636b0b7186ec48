// ZText, the query-entry control: a self-drawn edit control whose text is
// Windows-1251 in the escaped markup (Symbol-font characters, sub- and superscripts, coloured,
// bold and italic runs), with one-shot Greek (Ctrl+G) and Symbol (Ctrl+S) input modes.
//
// The control's ActiveX surface maps onto Qt as follows (registration and the class factory have
// no meaning here: the library, this header and the CMake target `ztext` are the delivery):
//
//   ReadOnly     property readOnly      user edits refused; caret movement and copying work
//   MultiLine    property multiLine     line breaks, word wrap, vertical scrolling
//   FontMode     property fontMode      0 normal, 1 Greek, 2 Symbol
//   Caption      property caption       the whole text: Windows-1251 markup bytes, at most 8191
//                property text          the same text as Unicode (escapes kept: "_a", "[2]")
//   BorderStyle  property borderStyle   0 none, 1 fixed single (the default)
//   AboutBox     slot aboutBox()        the "About ZText Control" dialog
//   Changed      signal changed()       after every change of the text, also through caption
//   SetFocus     signal focusGained()   when the control gains focus (QWidget::setFocus is a
//                                       slot of its own)
//   ChangeMode   signal fontModeChanged(int)  whenever the input mode changes
//
// The front end's replace-selection window message is the slot replaceSelection(), its font
// message QWidget::setFont(): the base font of the sixteen variants is the widget's font().
#pragma once

#include <QByteArray>
#include <QFrame>
#include <QString>
#include <memory>

#include "ztext_export.h"

class ZTEXT_EXPORT ZText : public QFrame {
  Q_OBJECT
  Q_PROPERTY(bool readOnly READ isReadOnly WRITE setReadOnly)
  Q_PROPERTY(bool multiLine READ isMultiLine WRITE setMultiLine)
  Q_PROPERTY(int fontMode READ fontMode WRITE setFontMode NOTIFY fontModeChanged)
  Q_PROPERTY(QByteArray caption READ caption WRITE setCaption NOTIFY changed)
  Q_PROPERTY(QString text READ text WRITE setText NOTIFY changed STORED false)
  Q_PROPERTY(int borderStyle READ borderStyle WRITE setBorderStyle)

 public:
  enum FontMode { Normal = 0, Greek = 1, Symbol = 2 };
  Q_ENUM(FontMode)
  static constexpr int kMaxLength = 8191;  // bytes of Caption

  explicit ZText(QWidget* parent = nullptr);
  ~ZText() override;

  // A caption longer than kMaxLength bytes is cut there; a zero byte ends it.
  QByteArray caption() const;
  void setCaption(const QByteArray& markup);
  // Unicode through Windows-1251; a character that the code page lacks becomes "?".
  QString text() const;
  void setText(const QString& text);
  // The readable Unicode rendering: Symbol characters as Greek letters and signs, the
  // markup of levels and highlights removed. This is also what accessibility reads.
  QString displayText() const;

  bool isReadOnly() const;
  void setReadOnly(bool readOnly);
  bool isMultiLine() const;
  void setMultiLine(bool multiLine);
  int fontMode() const;
  void setFontMode(int mode);  // values other than 0, 1, 2 are ignored
  int borderStyle() const;
  void setBorderStyle(int style);

  // The caret as a byte offset into caption(), and its rectangle in widget coordinates.
  int cursorPosition() const;
  QRect cursorRect() const;
  bool hasSelectedText() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 public Q_SLOTS:
  void aboutBox();
  void copy() const;
  void cut();
  void paste();
  void undo();
  // Replaces the selection (or inserts at the caret) with Windows-1251 markup, as an edit
  // that can be undone; works also when readOnly (it is the caller's edit, not the user's).
  void replaceSelection(const QByteArray& markup);

 Q_SIGNALS:
  void changed();
  void focusGained();
  void fontModeChanged(int mode);

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  class Private;
  std::unique_ptr<Private> d;
};
