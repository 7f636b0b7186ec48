// One RTF tokenizer with its consumers: a QTextDocument builder for display, a writer of
// the edition's text markup (selection -> query text), and a small RTF writer for what
// the view copies to the clipboard.
//
// Characters of fonts with the symbol character set are drawn through the Adobe Symbol
// table as Unicode, and keep their Symbol byte in the character format so that the
// markup writer can give back "_" + byte.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>

class QTextDocument;
class QTextDocumentFragment;

namespace tolvar {

struct RtfToken {
  enum Kind { kOpen, kClose, kWord, kSymbol, kHexByte, kByte, kEnd } kind = kEnd;
  QByteArray word;  // control word, or the control symbol's character
  int param = 0;
  bool hasParam = false;
  unsigned char byte = 0;  // kHexByte, kByte
};

class RtfTokenizer {
 public:
  explicit RtfTokenizer(QByteArrayView rtf) : s_(rtf) {}
  RtfToken Next();

 private:
  QByteArrayView s_;
  qsizetype at_ = 0;
};

// The character state that RTF properties change.
struct RtfCharState {
  int font = 0;
  bool bold = false, italic = false, underline = false;
  int vertical = 0;  // 1 super, -1 sub
  int halfPoints = 24;
  int color = 0;
};

// Walks the tokens with groups, destinations, font and colour tables, \u and \'hh, and
// hands characters to the consumer.
class RtfReader {
 public:
  virtual ~RtfReader() = default;
  void Read(QByteArrayView rtf);

 protected:
  // c is Unicode; symbolByte the Symbol-font byte behind it, or 0.
  virtual void Character(char16_t c, unsigned char symbolByte, const RtfCharState& s) = 0;
  virtual void Paragraph() = 0;
  virtual void LineBreak() { Character('\n', 0, state_); }
  virtual void ParagraphProperty(const QByteArray& /*word*/, int /*param*/) {}
  const QList<QColor>& Colors() const { return colors_; }
  QString FontName(int f) const;
  RtfCharState state_;

 private:
  struct Font {
    QString name;
    int charset = -1;
  };
  void Byte(unsigned char b);
  QList<Font> fonts_;
  QList<int> fontNumbers_;
  QList<QColor> colors_;
  int codePage_ = 1252;
  int uc_ = 1;
};

// Display: paragraphs, bold, italic, underline, super- and subscript, sizes, colours.
void RtfToDocument(QByteArrayView rtf, QTextDocument* doc, const QString& fallbackFamily);
// The edition's text markup (Windows-1251): "_" + byte for Symbol characters, "{...}"
// superscript, "[...]" subscript, "~|" a backslash, "~t" a tab, CR LF between paragraphs.
QByteArray RtfToMarkup(QByteArrayView rtf);
// Plain text, one line per paragraph.
QString RtfToPlainText(QByteArrayView rtf);
// A selection as RTF (Windows-1251 with \u for the rest, Symbol characters in font 1).
QByteArray FragmentToRtf(const QTextDocumentFragment& fragment);

}  // namespace tolvar
