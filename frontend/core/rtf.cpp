#include "rtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "codec.h"
#include "symbol_encoding.h"

namespace tolvar {

namespace {
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int Hex(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
constexpr int kSymbolByteProperty = QTextFormat::UserProperty + 1;
}  // namespace

RtfToken RtfTokenizer::Next() {
  RtfToken t;
  while (at_ < s_.size() && (s_[at_] == '\r' || s_[at_] == '\n')) ++at_;
  if (at_ >= s_.size()) return t;
  const char c = s_[at_++];
  if (c == '{') t.kind = RtfToken::kOpen;
  else if (c == '}') t.kind = RtfToken::kClose;
  else if (c != '\\') {
    t.kind = RtfToken::kByte;
    t.byte = uchar(c);
  } else if (at_ >= s_.size()) {
    t.kind = RtfToken::kEnd;
  } else if (IsLetter(s_[at_])) {
    t.kind = RtfToken::kWord;
    while (at_ < s_.size() && IsLetter(s_[at_]) && t.word.size() < 32) t.word += s_[at_++];
    const bool negative = at_ < s_.size() && s_[at_] == '-';
    if (negative) ++at_;
    qint64 v = 0;
    while (at_ < s_.size() && IsDigit(s_[at_])) {
      t.hasParam = true;
      if (v < 100000000) v = v * 10 + (s_[at_] - '0');
      ++at_;
    }
    t.param = int(negative ? -v : v);
    if (at_ < s_.size() && s_[at_] == ' ') ++at_;
    if (t.word == "bin" && t.param > 0) at_ = qMin<qsizetype>(s_.size(), at_ + t.param);
  } else if (s_[at_] == '\'') {
    const int hi = at_ + 1 < s_.size() ? Hex(s_[at_ + 1]) : -1;
    const int lo = at_ + 2 < s_.size() ? Hex(s_[at_ + 2]) : -1;
    at_ += 1 + (hi >= 0) + (hi >= 0 && lo >= 0);
    t.kind = RtfToken::kHexByte;
    t.byte = uchar(hi < 0 ? '?' : lo < 0 ? hi : hi * 16 + lo);
  } else {
    t.kind = RtfToken::kSymbol;
    t.word = QByteArray(1, s_[at_++]);
  }
  return t;
}

QString RtfReader::FontName(int f) const {
  const qsizetype i = fontNumbers_.indexOf(f);
  return i < 0 ? QString() : fonts_[i].name;
}

void RtfReader::Byte(unsigned char b) {
  const qsizetype i = fontNumbers_.indexOf(state_.font);
  const int charset = i < 0 ? -1 : fonts_[i].charset;
  if (charset == 2) {
    const QString name = fonts_[i].name.toLower();
    if (name == "symbol") Character(ztext::symbolToUnicode(b), b, state_);
    else if (name == "wingdings") Character((b == 0xA8 || b == 0xFE) ? b : '?', 0, state_);
    else Character(b, 0, state_);
    return;
  }
  const bool cyrillic = charset == 204 || (charset <= 1 && codePage_ == 1251);
  if (cyrillic) Character(toUi(QByteArray(1, char(b))).at(0).unicode(), 0, state_);
  else Character(b, 0, state_);
}

void RtfReader::Read(QByteArrayView rtf) {
  // Each group level: the character state, whether its text is skipped, and what table
  // it belongs to.
  enum Dest { kText, kSkip, kFontTable, kColorTable };
  struct Level {
    RtfCharState state;
    Dest dest;
    int uc;
  };
  QList<Level> stack;
  Dest dest = kText;
  bool starNext = false;
  int skipFallback = 0;
  Font pendingFont;
  int pendingFontNumber = 0;
  int r = 0, g = 0, b = 0;
  static const QList<QByteArray> destinations = {
      "author", "buptim", "comment", "creatim", "doccomm", "footer", "footerf", "footerl",
      "footerr", "footnote", "ftncn", "ftnsep", "ftnsepc", "header", "headerf", "headerl",
      "headerr", "info", "keywords", "operator", "pict", "printim", "private1", "revtim",
      "rxe", "stylesheet", "subject", "title", "txe", "xmlnstbl", "listtable",
      "listoverridetable", "rsidtbl", "generator", "themedata", "colorschememapping",
      "datastore", "latentstyles", "pgdsctbl", "mmathPr", "fldinst"};
  RtfTokenizer tok(rtf);
  for (RtfToken t = tok.Next(); t.kind != RtfToken::kEnd; t = tok.Next()) {
    if (t.kind == RtfToken::kOpen) {
      if (stack.size() > 256) continue;  // absurd nesting: stay where we are
      stack.append({state_, dest, uc_});
      continue;
    }
    if (t.kind == RtfToken::kClose) {
      if (dest == kFontTable && !pendingFont.name.isEmpty()) {
        pendingFont.name = pendingFont.name.trimmed();
        if (pendingFont.name.endsWith(';')) pendingFont.name.chop(1);
        fonts_.append(pendingFont);
        fontNumbers_.append(pendingFontNumber);
        pendingFont = Font();
      }
      if (stack.isEmpty()) continue;
      state_ = stack.last().state;
      dest = stack.last().dest;
      uc_ = stack.last().uc;
      stack.removeLast();
      continue;
    }
    if (dest == kSkip) continue;
    const bool isText = t.kind == RtfToken::kByte || t.kind == RtfToken::kHexByte ||
                        (t.kind == RtfToken::kSymbol && (t.word == "\\" || t.word == "{" || t.word == "}"));
    if (isText && skipFallback > 0) {
      --skipFallback;
      continue;
    }
    if (t.kind != RtfToken::kWord || t.word != "u") skipFallback = 0;
    const unsigned char byte = t.kind == RtfToken::kSymbol ? uchar(t.word[0]) : t.byte;
    if (dest == kFontTable) {
      if (t.kind == RtfToken::kWord && t.word == "f") pendingFontNumber = t.param;
      else if (t.kind == RtfToken::kWord && t.word == "fcharset") pendingFont.charset = t.param;
      else if (isText) {
        pendingFont.name += QChar(byte);
        if (byte == ';') {
          // One group may list several fonts.
          pendingFont.name.chop(1);
          fonts_.append(pendingFont);
          fontNumbers_.append(pendingFontNumber);
          pendingFont = Font();
        }
      }
      continue;
    }
    if (dest == kColorTable) {
      if (t.kind == RtfToken::kWord && t.word == "red") r = t.param;
      else if (t.kind == RtfToken::kWord && t.word == "green") g = t.param;
      else if (t.kind == RtfToken::kWord && t.word == "blue") b = t.param;
      else if (isText && byte == ';') {
        colors_.append(QColor(r, g, b));
        r = g = b = 0;
      }
      continue;
    }
    if (isText) {
      Byte(byte);
      continue;
    }
    if (t.kind == RtfToken::kSymbol) {
      if (t.word == "*") starNext = true;
      else if (t.word == "~") Character(0xA0, 0, state_);
      else if (t.word == "-" || t.word == "_") Character('-', 0, state_);
      continue;
    }
    const QByteArray& w = t.word;
    if (starNext || destinations.contains(w)) {
      starNext = false;
      dest = kSkip;
      continue;
    }
    if (w == "fonttbl") dest = kFontTable;
    else if (w == "colortbl") dest = kColorTable;
    else if (w == "par") Paragraph();
    else if (w == "line" || w == "sect" || w == "page") LineBreak();
    else if (w == "tab") Character('\t', 0, state_);
    else if (w == "ldblquote" || w == "rdblquote") Character('"', 0, state_);
    else if (w == "lquote" || w == "rquote") Character('\'', 0, state_);
    else if (w == "emdash") Character(0x2014, 0, state_);
    else if (w == "endash") Character(0x2013, 0, state_);
    else if (w == "bullet") Character(0x2022, 0, state_);
    else if (w == "ansicpg") codePage_ = t.param;
    else if (w == "uc") uc_ = qBound(0, t.param, 8);
    else if (w == "u") {
      Character(char16_t(t.param < 0 ? t.param + 65536 : t.param), 0, state_);
      skipFallback = uc_;
    } else if (w == "b") state_.bold = !t.hasParam || t.param;
    else if (w == "i") state_.italic = !t.hasParam || t.param;
    else if (w == "ul") state_.underline = !t.hasParam || t.param;
    else if (w == "ulnone") state_.underline = false;
    else if (w == "super" || w == "up") state_.vertical = 1;
    else if (w == "sub" || w == "dn") state_.vertical = -1;
    else if (w == "nosupersub") state_.vertical = 0;
    else if (w == "plain") state_ = RtfCharState{state_.font, false, false, false, 0, 24, 0};
    else if (w == "f") state_.font = t.param;
    else if (w == "fs" && t.param > 0) state_.halfPoints = qMin(t.param, 400);
    else if (w == "cf") state_.color = t.param;
    else ParagraphProperty(w, t.param);
  }
}

namespace {
class DocumentBuilder : public RtfReader {
 public:
  DocumentBuilder(QTextDocument* doc, QString family) : cursor_(doc), family_(std::move(family)) {}
  // Characters of one format are inserted as one run: one insertion per character
  // makes a portion take seconds.
  void Flush() {
    if (!run_.isEmpty()) cursor_.insertText(run_, runFormat_);
    run_.clear();
  }

 protected:
  void Character(char16_t c, unsigned char symbolByte, const RtfCharState& s) override {
    if (!c) return;
    QTextCharFormat f;
    QString face = FontName(s.font);
    if (face.isEmpty() || symbolByte || face.compare("Symbol", Qt::CaseInsensitive) == 0) face = family_;
    f.setFontFamilies({face});
    f.setFontPointSize(s.halfPoints / 2.0);
    f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(s.italic);
    f.setFontUnderline(s.underline);
    f.setVerticalAlignment(s.vertical > 0 ? QTextCharFormat::AlignSuperScript
                           : s.vertical < 0 ? QTextCharFormat::AlignSubScript
                                            : QTextCharFormat::AlignNormal);
    if (s.color > 0 && s.color < Colors().size()) f.setForeground(Colors()[s.color]);
    if (symbolByte) f.setProperty(kSymbolByteProperty, int(symbolByte));
    if (f != runFormat_) Flush();
    runFormat_ = f;
    run_ += QChar(c);
  }
  void Paragraph() override {
    Flush();
    cursor_.setBlockFormat(block_);
    cursor_.insertBlock(block_);
  }
  void LineBreak() override {
    run_ += QChar(0x2028);
  }
  void ParagraphProperty(const QByteArray& w, int param) override {
    if (w == "pard") block_ = QTextBlockFormat();
    else if (w == "qj") block_.setAlignment(Qt::AlignJustify);
    else if (w == "qc") block_.setAlignment(Qt::AlignHCenter);
    else if (w == "qr") block_.setAlignment(Qt::AlignRight);
    else if (w == "ql") block_.setAlignment(Qt::AlignLeft);
    else if (w == "sb") block_.setTopMargin(param / 15.0);
    else if (w == "sa") block_.setBottomMargin(param / 15.0);
    else if (w == "li") block_.setLeftMargin(param / 15.0);
    else return;
    Flush();
    cursor_.setBlockFormat(block_);
  }

 private:
  QTextCursor cursor_;
  QTextBlockFormat block_;
  QTextCharFormat runFormat_;
  QString run_;
  QString family_;
};

class MarkupWriter : public RtfReader {
 public:
  QByteArray out;
  QString plain;

 protected:
  void Character(char16_t c, unsigned char symbolByte, const RtfCharState& s) override {
    if (!c) return;
    SetLevel(s.vertical);
    plain += QChar(c);
    if (symbolByte) out += '_' + QByteArray(1, char(symbolByte));
    else if (c == '\\') out += "~|";
    else if (c == '\t') out += "~t";
    else out += toEngine(QString(QChar(c)));
  }
  void Paragraph() override {
    SetLevel(0);
    out += "\r\n";
    plain += '\n';
  }

 private:
  void SetLevel(int v) {
    if (v == level_) return;
    if (level_ > 0) out += '}';
    if (level_ < 0) out += ']';
    if (v > 0) out += '{';
    if (v < 0) out += '[';
    level_ = v;
  }
  int level_ = 0;

 public:
  void Finish() { SetLevel(0); }
};
}  // namespace

void RtfToDocument(QByteArrayView rtf, QTextDocument* doc, const QString& fallbackFamily) {
  doc->clear();
  DocumentBuilder builder(doc, fallbackFamily);
  builder.Read(rtf);
  builder.Flush();
}

QByteArray RtfToMarkup(QByteArrayView rtf) {
  MarkupWriter w;
  w.Read(rtf);
  w.Finish();
  return w.out;
}

QString RtfToPlainText(QByteArrayView rtf) {
  MarkupWriter w;
  w.Read(rtf);
  return w.plain;
}

QByteArray FragmentToRtf(const QTextDocumentFragment& fragment) {
  QTextDocument doc;
  QTextCursor(&doc).insertFragment(fragment);
  QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Times New Roman;}"
                   "{\\f1\\ftech\\fcharset2 Symbol;}}\\uc1\n";
  bool firstBlock = true;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    if (!firstBlock) rtf += "\\par\n";
    firstBlock = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment frag = it.fragment();
      const QTextCharFormat f = frag.charFormat();
      QByteArray words;
      if (f.fontWeight() >= QFont::Bold) words += "\\b";
      if (f.fontItalic()) words += "\\i";
      if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) words += "\\super";
      if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) words += "\\sub";
      rtf += "{" + words + (words.isEmpty() ? "" : " ");
      const int symbol = f.property(kSymbolByteProperty).toInt();
      for (QChar c : frag.text()) {
        if (symbol) {
          rtf += "{\\f1\\'" + QByteArray::number(symbol, 16) + "}";
          continue;
        }
        const QByteArray bytes = toEngine(QString(c));
        if (c == '\\' || c == '{' || c == '}') rtf += '\\' + bytes;
        else if (c == '\t') rtf += "\\tab ";
        else if (c.unicode() < 0x80) rtf += bytes;
        else if (bytes != "?") rtf += "\\'" + QByteArray::number(uchar(bytes[0]), 16);
        else rtf += "\\u" + QByteArray::number(qint16(c.unicode())) + "?";
      }
      rtf += "}";
    }
  }
  return rtf + "}";
}

}  // namespace tolvar
