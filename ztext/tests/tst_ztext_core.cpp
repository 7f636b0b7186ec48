// The drawing-free core: markup decoding, the two byte tables, the text model's editing rules
// and limits, the small-height rule and the line layout (real font metrics, no painting).
#include <iconv.h>

#include <QGuiApplication>
#include <QTest>

#include "cp1251.h"
#include "font_set.h"
#include "markup.h"
#include "symbol_encoding.h"
#include "text_layout.h"
#include "text_model.h"

using namespace ztext;
using Ints = QList<int>;

namespace {

// Runs space-separated steps on a model: t:B types byte B; G, S are Ctrl+G, Ctrl+S; at:N
// and sel:N move the caret to position N, without and with extending the selection.
void run(TextModel& model, const QByteArray& script) {
  for (const QByteArray& step : script.split(' ')) {
    if (step.startsWith("t:"))
      model.type(step.at(2));
    else if (step == "G" || step == "S")
      model.toggleMode(step == "G" ? InputMode::Greek : InputMode::Symbol);
    else if (step == "bs")
      model.deleteBackward();
    else if (step == "del")
      model.deleteForward();
    else if (step == "undo")
      model.undo();
    else if (step.startsWith("at:") || step.startsWith("sel:"))
      model.setCaret(step.mid(step.indexOf(':') + 1).toInt(), step[0] == 's');
  }
}

QFont testFont() {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(20);
  return f;
}

}  // namespace

class TestCore : public QObject {
  Q_OBJECT

 private slots:
  void decode_data();
  void decode();
  void renderingsOfText();
  void cp1251AgreesWithIconv();
  void symbolTable();
  void editing_data();
  void editing();
  void byteLimitAndLineCap();
  void smallHeight();
  void breaking_data();
  void breaking();
  void lineCapAndBaselines();
};

// Markup is written in Unicode here: the highlight codes 0xDD-0xDF, 0xFD-0xFF are Э Ю Я э ю я.
void TestCore::decode_data() {
  QTest::addColumn<QByteArray>("markup");
  QTest::addColumn<QByteArray>("shown");
  QTest::addColumn<Ints>("attributes");
  auto row = [](const char* name, QStringView markup, QStringView shown, const Ints& attributes) {
    QTest::newRow(name) << *cp1251::fromUnicode(markup) << *cp1251::fromUnicode(shown)
                        << attributes;
  };
  row("superscript, subscript", u"a{2}H[2]O", u"a2H2O", {0, 0x100, 0, 0x20, 0});
  row("literal braces", u"x{,y}", u"x{,y}", {0, 0x200, 0x200, 0x200, 0x200});
  row("literal by apostrophe", u"['a]", u"['a]", {0x40, 0x40, 0x40, 0x40});
  row("doubled, symbol and final underscore", u"___aa_", u"_aa_", {0, 1, 0, 0});
  row("colour, italic, bold", u"_Яa_Эb_яc_Ю_эd_ю", u"abcd", {0x10, 0x12, 0x02, 0x08});
  row("literal [ in a superscript", u"{a[,b]c}", u"a[,b]c",
      {0x100, 0x180, 0x180, 0x180, 0x180, 0x100});
  row("literal { in a subscript", u"[x{'y}z]", u"x{'y}z", {0x20, 0x420, 0x420, 0x420, 0x420, 0x20});
  // A "}" closes the literal level before the real one, whichever opened last.
  row("superscript in a literal {", u"{,a{b}c}", u"{,ab}c",
      {0x200, 0x200, 0x200, 0x300, 0x300, 0x100});
  row("subscript in a superscript", u"{a[b]}c", u"abc", {0x100, 0x120, 0});
  row("stray closers", u"}]", u"}]", {0, 0});
  row("openers and marks at the end", u"a{[_Я", u"a", {0});
  row("literal opener at the end", u"[,", u"[,", {0x80, 0x80});
  row("end mark without a start", u"_яa", u"a", {0});
}

void TestCore::decode() {
  QFETCH(QByteArray, markup);
  QFETCH(QByteArray, shown);
  QFETCH(Ints, attributes);
  QByteArray gotShown;
  Ints gotAttributes;
  for (const DecodedChar& c : decodeMarkup(markup)) {
    gotShown.append(char(c.byte));
    gotAttributes.append(c.attributes);
  }
  QCOMPARE(gotShown, shown);
  QCOMPARE(gotAttributes, attributes);
}

void TestCore::renderingsOfText() {
  // A character starts at its escape; CR LF is one character; hidden markup belongs to none.
  Ints places;
  for (const DecodedChar& c : decodeMarkup("_a\r\nb{2}\n")) places << c.start << c.length;
  QCOMPARE(places, (Ints{0, 2, 2, 2, 4, 1, 6, 1, 8, 1}));
  QCOMPARE(displayText("H[2]O _a_\xE5 \xC0\xFF\r\n\x98"), QStringLiteral("H2O α∑ Ая\n\uFFFD"));
  QCOMPARE(withoutHighlightMarks("_\xDD_\xDE_\xDFw_\xFD_\xFE_\xFF _a __\xDF x_"),
           QByteArray("w _a __\xDF x_"));
}

void TestCore::cp1251AgreesWithIconv() {
  iconv_t cd = iconv_open("UTF-32LE", "CP1251");
  QVERIFY(cd != iconv_t(-1));
  for (int b = 0; b < 256; ++b) {
    char in[1] = {char(b)}, *inPtr = in;
    char32_t out = 0;
    auto* outPtr = reinterpret_cast<char*>(&out);
    size_t inLeft = 1, outLeft = sizeof out;
    const bool has = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1);
    QCOMPARE(int(cp1251::toUnicode(b)), has ? int(out) : 0xFFFD);
    if (has) QCOMPARE(cp1251::fromUnicode(out), std::optional<char>(char(b)));
  }
  iconv_close(cd);
  QCOMPARE(cp1251::fromUnicode(QStringView(u"Дом α")), std::nullopt);
  QCOMPARE(cp1251::fromUnicodeLossy(u"α😀a№"), QByteArray("??a\xB9"));
}

void TestCore::symbolTable() {
  // The Greek letters and signs whose names the plain-text converter spells out.
  const QByteArray codes = "aAyqfW@^\xA3\xA5\xAB\xB0\xB1\xB6\xB9\xC0\xC6\xD1\xD6\xDE\xE5\xF2_";
  QString shown;
  for (const char c : codes) shown += QChar(symbolToUnicode(c));
  QCOMPARE(shown, QStringLiteral("αΑψθφΩ≅⊥≤∞↔°±∂≠ℵ∅∇√⇒∑∫_"));
  for (int code = 0; code < 256; ++code) {
    const bool none = code < 0x20 || (code >= 0x7F && code < 0xA0) || code == 0xF0 || code == 0xFF;
    QCOMPARE(symbolEncodingTable()[code] == 0, none);
  }
}

void TestCore::editing_data() {
  QTest::addColumn<QByteArray>("initial");
  QTest::addColumn<QByteArray>("script");
  QTest::addColumn<QByteArray>("expected");
  QTest::addColumn<int>("caret");
  auto row = [](const char* name, const QByteArray& initial, const QByteArray& script,
                const QByteArray& expected,
                int caret) { QTest::newRow(name) << initial << script << expected << caret; };
  row("accepted bytes", "", "t:a t:\xC0 t:\xFF", "a\xC0\xFF", 3);
  row("refused bytes", "", "t:_ t:\x7F t:\xA8 t:\x1F t:\xBF", "", 0);
  row("Greek mode", "", "G t:a t:b G t:_", "_ab__", 3);
  row("Symbol mode", "", "S t:a S t:e S t:i S t:Z t:z", "_\x22_\x24_\xF2z", 4);
  row("mode keys toggle", "", "G G t:a S G t:b", "ab", 2);
  row("a whole escape or CR LF goes", "x_a\r\ny", "at:2 bs del", "xy", 1);
  row("typing before a superscript character enters it", "a{2}", "at:1 t:3", "a{32}", 2);
  row("typing after it stays outside", "a{2}", "t:b", "a{2}b", 3);
  row("a typed opener shows nothing", "a", "t:{ t:2", "a{2", 2);
  row("typing replaces the selection", "hello", "at:1 sel:4 t:X", "hXo", 2);
  row("undo has one level", "", "t:a t:b undo undo", "a", 1);
}

void TestCore::editing() {
  QFETCH(QByteArray, initial);
  QFETCH(QByteArray, script);
  QFETCH(QByteArray, expected);
  QFETCH(int, caret);
  TextModel model;
  model.setText(initial);
  run(model, script);
  QCOMPARE(model.text(), expected);
  QCOMPARE(model.caret(), caret);
  QCOMPARE(model.mode(), InputMode::Normal);  // every mode is one-shot
}

void TestCore::byteLimitAndLineCap() {
  TextModel model;
  model.setText(QByteArray(TextModel::kMaxLength - 1, 'x'));
  QVERIFY(!model.replaceSelection("ab"));  // would reach 8192 bytes
  QVERIFY(model.type('a'));
  QVERIFY(!model.type('b'));
  run(model, "at:0 sel:1 t:y");  // a replacement that keeps the length
  QCOMPARE(model.text().size(), TextModel::kMaxLength);
  model.setMultiLine(true);
  model.setText(QByteArray(TextModel::kMaxLines - 1, '\n'));
  QVERIFY(!model.insertLineBreak());  // a 257th line
  QVERIFY(model.deleteBackward() && model.insertLineBreak());
  model.setMultiLine(false);
  QVERIFY(model.insertLineBreak());  // a single line counts none
  model.setMultiLine(true);
  QVERIFY(model.type('a'));  // beyond the cap, edits that add no line still work
}

void TestCore::smallHeight() {
  const Ints heights{12, 10, 9, 8, 7, 0, -1, -14, -15, -20};
  const Ints small{8, 6, 7, 6, 6, 6, -9, -9, -9, -14};
  for (int i = 0; i < heights.size(); ++i) QCOMPARE(FontSet::smallHeight(heights[i]), small[i]);
  const FontSet fonts(testFont());
  QCOMPARE(fonts.font(5).pixelSize(), 14);  // a pixel size is a character height
  QVERIFY(fonts.font(10).italic() && fonts.font(10).bold() && fonts.font(11) == fonts.font(10));
}

void TestCore::breaking_data() {
  QTest::addColumn<QByteArray>("markup");
  QTest::addColumn<QString>("fits");  // the widest text that the width holds
  QTest::addColumn<bool>("multiLine");
  QTest::addColumn<QStringList>("lines");
  QTest::newRow("after white space")
      << QByteArray("aaa bbb ccc") << "aaa bbb" << true << QStringList{"aaa bbb ", "ccc"};
  QTest::newRow("white space hangs")
      << QByteArray("aaa    aaa") << "aaa" << true << QStringList{"aaa    ", "aaa"};
  QTest::newRow("before the overflow")
      << QByteArray("abcdefgh") << "abcde" << true << QStringList{"abcde", "fgh"};
  QTest::newRow("wider than the line") << QByteArray("WW") << "" << true << QStringList{"W", "W"};
  QTest::newRow("line breaks") << QByteArray("a\r\nb\nc\rd\n") << "abcd" << true
                               << QStringList{"a|", "b|", "c|", "d|", ""};
  QTest::newRow("single line") << QByteArray("aaa bbb\nccc") << "a" << false
                               << QStringList{"aaa bbb|ccc"};
}

void TestCore::breaking() {
  QFETCH(QByteArray, markup);
  QFETCH(QString, fits);
  QFETCH(bool, multiLine);
  QFETCH(QStringList, lines);
  const FontSet fonts(testFont());
  qreal width = 2.5;  // lines break at the width minus 2 pixels
  for (const QChar c : fits) width += fonts.metrics(0).horizontalAdvance(c);
  TextLayout layout;
  layout.build(decodeMarkup(markup), fonts, width, multiLine);
  QStringList texts;
  for (const LayoutLine& line : layout.lines()) {
    texts << QString();
    for (int i = line.first; i < line.end; ++i)
      texts.back() += layout.glyph(i) ? QChar(layout.glyph(i)) : QChar(u'|');
  }
  QCOMPARE(texts, lines);
}

void TestCore::lineCapAndBaselines() {
  const FontSet fonts(testFont());
  TextLayout layout;
  layout.build(decodeMarkup(QByteArray(300, '\n')), fonts, 500, true);
  QCOMPARE(layout.lineCount(), TextLayout::kMaxLines);  // the last line holds the rest
  layout.build(decodeMarkup("[2]\nH[2]{2}"), fonts, 500, true);
  const qreal base = fonts.metrics(0).height(), small = fonts.metrics(4).height();
  QCOMPARE(layout.lines()[0].height, small);  // the largest character on the line
  QCOMPARE(layout.lines()[1].height, base);
  // Drawn from the line's top: a subscript lowered to the line's bottom, a superscript hanging.
  QCOMPARE(layout.baseline(2), fonts.metrics(0).ascent());
  QCOMPARE(layout.baseline(3), base);
  QCOMPARE(layout.baseline(4), fonts.metrics(4).ascent());
}

QTEST_MAIN(TestCore)
#include "tst_ztext_core.moc"
