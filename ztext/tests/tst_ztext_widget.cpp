// The widget through its public surface and real key events (editing keys in both modes, the
// input modes, the clipboard, ReadOnly, limits, focus, accessibility, a fuzz run), and a
// rendering of a sample text whose geometry is checked and whose picture is kept in
// screenshots/ztext.png of the build folder.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QKeySequence>
#include <QLineEdit>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "ztext/ztext.h"

using Ints = QList<int>;

namespace {

// Sends a script of key events: "<...>" is one key combination in QKeySequence's notation
// ("<Ctrl+Shift+Left>", "<Backspace>"), every other character is typed as it is, the way a
// keyboard layout delivers it (a key event whose text is the character).
void press(QWidget* w, const QString& script) {
  for (qsizetype i = 0; i < script.size(); ++i) {
    if (script[i] == u'<' && script.indexOf(u'>', i) > i + 1) {
      const qsizetype end = script.indexOf(u'>', i);
      const QKeyCombination key = QKeySequence(script.mid(i + 1, end - i - 1))[0];
      QTest::keyClick(w, key.key(), key.keyboardModifiers());
      i = end;
    } else {
      QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(script[i]), Qt::NoModifier);
    }
  }
}

void setClipboardText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

}  // namespace

class TestZTextWidget : public QObject {
  Q_OBJECT

 private slots:
  void keys_data();
  void keys();
  void modesAndSignals();
  void clipboard();
  void readOnly();
  void limits();
  void focus();
  void accessibilityAndProperties();
  void fuzzKeys();
  void rendering();
};

void TestZTextWidget::keys_data() {
  QTest::addColumn<bool>("multiLine");
  QTest::addColumn<QByteArray>("caption");
  QTest::addColumn<QString>("keys");
  QTest::addColumn<QByteArray>("expected");
  QTest::addColumn<int>("cursor");  // byte offset in the caption
  auto row = [](const char* name, bool multiLine, const QByteArray& caption, const QString& keys,
                const QByteArray& expected, int cursor) {
    QTest::newRow(name) << multiLine << caption << keys << expected << cursor;
  };
  row("typing Unicode", false, "", "aДαЁ_b",
      "a\xC4"
      "b",
      3);  // α has no byte; Ё, _ refused
  row("Backspace, Delete", false, "abcd", "<Backspace><Home><Delete>", "bc", 0);
  row("Backspace on a selection", false, "abc", "<Shift+Left><Shift+Left><Backspace>", "a", 1);
  row("Delete on a selection", false, "abc", "<Home><Shift+Right><Delete>", "bc", 0);
  row("Home and End", false, "abc", "<Home>x<End>y", "xabcy", 5);
  row("Ctrl+Left with Shift", false, "one two three", "<Ctrl+Left><Ctrl+Shift+Left><Backspace>",
      "one three", 4);
  row("Ctrl+Right with Shift", false, "one two", "<Ctrl+Home><Ctrl+Shift+Right>X", "Xtwo", 1);
  row("Ctrl+Home and Ctrl+End", true, "ab\r\ncd", "<Ctrl+Home>x<Ctrl+End>y", "xab\r\ncdy", 8);
  row("Home, End and Up on lines", true, "ab\r\ncd", "<Home>x<Up><End>y", "aby\r\nxcd", 3);
  row("Shift+Home", true, "ab\r\ncd", "<Shift+Home><Delete>", "ab\r\n", 4);
  row("Up and Down keep the x", true, "ab\r\ncd", "<Ctrl+Home><Right><Down>x", "ab\r\ncxd", 6);
  row("Up and Down in a single line", false, "abc", "<Left><Up>x<Down>y", "abxyc", 4);
  row("Enter in a single line", false, "ab", "<Left><Return>", "ab", 1);
  row("Enter in MultiLine", true, "ab", "<Left><Return>", "a\r\nb", 3);
  row("Backspace over a line break", true, "a\r\nb", "<Left><Backspace>", "ab", 1);
  row("Greek and Symbol modes", false, "", "<Ctrl+G>a<Ctrl+S>a<Ctrl+S><Ctrl+S>a",
      "_a_\x22"
      "a",
      5);
  row("caret over an escape", false, "_a_b", "<Left>x", "_ax_b", 3);
  row("undo", false, "abc", "<Shift+Left><Backspace><Ctrl+Z>x", "abx", 3);
  row("Ctrl+X, Ctrl+V", false, "abc", "<Shift+Left><Ctrl+X><Home><Ctrl+V>", "cab", 1);
  row("Shift+Delete, Shift+Insert", false, "abc",
      "<Shift+Left><Shift+Delete><Home><Shift+Insert><Shift+Delete>", "cb", 1);
  row("Ctrl+Insert", false, "abc", "<Shift+Left><Ctrl+Insert><Home><Ctrl+V>", "cabc", 1);
}

void TestZTextWidget::keys() {
  QFETCH(bool, multiLine);
  QFETCH(QByteArray, caption);
  QFETCH(QString, keys);
  QFETCH(QByteArray, expected);
  QFETCH(int, cursor);
  ZText w;
  w.resize(300, 100);
  w.setMultiLine(multiLine);
  w.setCaption(caption);
  press(&w, keys);
  QCOMPARE(w.caption(), expected);
  QCOMPARE(w.cursorPosition(), cursor);
}

void TestZTextWidget::modesAndSignals() {
  ZText w;
  QSignalSpy changed(&w, &ZText::changed);
  QSignalSpy modes(&w, &ZText::fontModeChanged);
  press(&w, "<Ctrl+G>a<Ctrl+S><Ctrl+S><Ctrl+S>Z<Ctrl+G>αb<Home><Backspace>");
  w.setFontMode(ZText::Symbol);
  w.setFontMode(7);      // ignored
  w.setCaption("_a_b");  // the same text: no Changed
  Ints sequence;
  for (const auto& args : modes) sequence << args.at(0).toInt();
  // Z is no Symbol key: nothing inserted, mode over; α is refused: the Greek mode stays.
  QCOMPARE(sequence, (Ints{1, 0, 2, 0, 2, 0, 1, 0, 2}));
  QCOMPARE(w.caption(), QByteArray("_a_b"));
  QCOMPARE(changed.count(), 2);
}

void TestZTextWidget::clipboard() {
  ZText w;
  w.setCaption(
      "x _\xDF"
      "word_\xFF _a");
  press(&w, "<Ctrl+Home><Ctrl+Shift+End><Ctrl+C><End>");
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  QCOMPARE(data->text(), QStringLiteral("x word _a"));  // highlight marks dropped
  QVERIFY(data->html().contains(QStringLiteral("x word α")));
  QSignalSpy changed(&w, &ZText::changed);
  setClipboardText(QStringLiteral("yαz"));  // no byte for α: refused whole
  press(&w, "<Ctrl+V>");
  setClipboardText(QString::fromUtf8("Дом\0tail", 11));  // a zero ends the text
  press(&w, "<Ctrl+V>");
  QVERIFY(w.caption().endsWith("_a\xC4\xEE\xEC"));
  w.setCaption(QByteArray(ZText::kMaxLength - 2, 'x'));
  setClipboardText(QStringLiteral("abc"));  // would reach 8192 bytes
  press(&w, "<Ctrl+V>");
  QCOMPARE(w.caption().size(), ZText::kMaxLength - 2);
  QCOMPARE(changed.count(), 2);
}

void TestZTextWidget::readOnly() {
  ZText w;
  w.setMultiLine(true);
  w.setCaption("abc");
  w.setReadOnly(true);
  QSignalSpy changed(&w, &ZText::changed);
  QSignalSpy modes(&w, &ZText::fontModeChanged);
  setClipboardText(QStringLiteral("pasted"));
  press(&w,
        "x<Backspace><Delete><Ctrl+V><Shift+Insert><Ctrl+Z><Ctrl+G>y<Home><Shift+Right><Ctrl+X>");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  QApplication::sendEvent(&w, &enter);
  QVERIFY(!enter.isAccepted());  // passed on
  QCOMPARE(w.caption(), QByteArray("abc"));
  QCOMPARE(changed.count() + modes.count(), 0);
  press(&w, "<End><Shift+Left><Ctrl+C>");  // caret movement and copying still work
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("c"));
  QCOMPARE(w.cursorPosition(), 2);
  w.replaceSelection("Z");  // the caller's edit is not the user's
  QCOMPARE(w.caption(), QByteArray("abZ"));
}

void TestZTextWidget::limits() {
  ZText w;
  w.resize(300, 200);
  w.setCaption(QByteArray(9000, 'x') + "tail");
  QCOMPARE(w.caption(), QByteArray(ZText::kMaxLength, 'x'));
  w.setCaption(QByteArray(ZText::kMaxLength - 1, 'x'));
  press(&w, "ab<Ctrl+G>c");
  QVERIFY(w.caption().endsWith("xa") && w.caption().size() == ZText::kMaxLength);
  QCOMPARE(w.fontMode(), int(ZText::Normal));
  w.setMultiLine(true);
  QByteArray lines;
  for (int i = 1; i < 256; ++i) lines += "l\r\n";
  w.setCaption(lines + "last");
  press(&w, "<Return><Ctrl+Home><Delete><Delete><Ctrl+End><Return>");  // 257: no; 256: yes
  QCOMPARE(w.caption(), lines.mid(3) + "last\r\n");
  w.setCaption(lines + lines + "end");  // beyond the cap, the rest is on the 256th line
  press(&w, "<Ctrl+Home><Ctrl+End>!");
  QVERIFY(w.caption().endsWith("end!") && w.cursorPosition() == w.caption().size());
}

void TestZTextWidget::focus() {
  QWidget window;
  auto* control = new ZText;
  auto* other = new QLineEdit;
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(control);
  layout->addWidget(other);
  window.show();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QSignalSpy gained(control, &ZText::focusGained);
  QSignalSpy modes(control, &ZText::fontModeChanged);
  other->setFocus();
  control->setFocus();
  QTRY_COMPARE(gained.count(), 1);
  control->setCaption("abc");
  press(control, "<Shift+Left><Ctrl+S>");
  const QRect caret = control->cursorRect();  // grey while a mode is active
  QCOMPARE(control->grab().toImage().pixelColor(caret.x(), caret.center().y()),
           QColor(128, 128, 128));
  press(control, "<Tab>");  // Tab moves the focus on
  QTRY_VERIFY(other->hasFocus());
  QVERIFY(!control->hasSelectedText());  // collapsed to the caret
  QCOMPARE(control->cursorPosition(), 2);
  QCOMPARE(modes.count(), 2);  // into Symbol mode and back to normal
}

void TestZTextWidget::accessibilityAndProperties() {
  ZText w;
  QVERIFY(w.setProperty("caption", QByteArray("H[2]O _a_\xE5 \xC4\xEE\xEC")));
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&w);
  QCOMPARE(iface->role(), QAccessible::EditableText);
  QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("H2O α∑ Дом"));
  QCOMPARE(w.property("text").toString(), QStringLiteral("H[2]O _a_\u0435 Дом"));  // 0xE5: е
  QVERIFY(w.setProperty("readOnly", true) && iface->state().readOnly);
  QVERIFY(w.setProperty("multiLine", true) && iface->state().multiLine);
  w.setText(QStringLiteral("α Дом"));  // no Windows-1251 byte: "?"
  QCOMPARE(w.caption(), QByteArray("? \xC4\xEE\xEC"));
  QVERIFY(w.setProperty("borderStyle", 0) && w.frameWidth() == 0);
}

// Random key sequences in both modes and read-only, from random markup near the limit and
// with large pastes: the caret never leaves the text, which never passes 8191 bytes.
void TestZTextWidget::fuzzKeys() {
  const quint32 seed = 20240613u;
  QRandomGenerator random(seed);
  const QString typed = QStringLiteral("ae z_{}[],'9ДяΣ\t");
  const Qt::Key keys[] = {Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Up,        Qt::Key_Down,
                          Qt::Key_Home,   Qt::Key_End,    Qt::Key_Backspace, Qt::Key_Delete,
                          Qt::Key_Insert, Qt::Key_Return, Qt::Key_G,         Qt::Key_S,
                          Qt::Key_C,      Qt::Key_X,      Qt::Key_V,         Qt::Key_Z};
  const QByteArray pool = "ab _{}[],'\r\n\xDD\xDF\xFD\xFF\xC0";
  ZText w;
  int longest = 0;
  for (int i = 0; i < 12000; ++i) {
    if (i % 500 == 0) {
      w.setMultiLine(random.bounded(2));
      w.setReadOnly(random.bounded(5) == 0);
      w.resize(40 + random.bounded(300), 20 + random.bounded(120));
      setClipboardText(QString(1 + random.bounded(2500), u'x') + QStringLiteral("_a{2}\r\n"));
      QByteArray markup(ZText::kMaxLength - random.bounded(200), 'x');
      for (char& c : markup) c = pool[random.bounded(int(pool.size()))];
      if (i % 1000 == 0) w.setCaption(markup);
    }
    if (random.bounded(100) < 40) {
      press(&w, QString(typed[random.bounded(typed.size())]));
    } else {
      QTest::keyClick(&w, keys[random.bounded(16)], Qt::KeyboardModifiers(random.bounded(4) << 25));
    }
    if (i % 250 == 0) w.grab();  // layout and paint whatever the keys made
    const int size = int(w.caption().size());
    longest = std::max(longest, size);
    QVERIFY2(size <= ZText::kMaxLength && w.cursorPosition() >= 0 && w.cursorPosition() <= size,
             qPrintable(QString("seed %1, step %2").arg(seed).arg(i)));
  }
  QCOMPARE(longest, ZText::kMaxLength);
}

// Geometry, not pixels: ink boxes per character, between the caret's x before and after it.
void TestZTextWidget::rendering() {
  ZText w;
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(32);
  w.setFont(font);
  w.setBorderStyle(0);
  w.setCaption(
      "H[2]O a{2} _a_b x{,y} _\xDF"
      "colour_\xFF");  // shown: H2O a2 αβ x{,y} colour
  w.resize(w.sizeHint().width() * 2, w.sizeHint().height());
  QPalette palette = w.palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  w.setPalette(palette);
  Ints edges;
  for (press(&w, "<Home>"); edges.size() < 23; press(&w, "<Right>")) edges << w.cursorRect().x();
  const QImage image = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
  QVERIFY(QDir().mkpath(ZTEXT_SCREENSHOT_DIR) && image.save(ZTEXT_SCREENSHOT_DIR "/ztext.png"));
  // The ink's box over characters [first, end); blue counts blue ink, other the rest.
  int blue = 0, other = 0;
  auto ink = [&](int first, int end) {
    QRect box;
    blue = other = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = edges[first]; x < edges[end]; ++x) {
        const QRgb p = image.pixel(x, y);
        if (qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200) continue;  // background
        box |= QRect(x, y, 1, 1);
        ++(qBlue(p) > std::max(qRed(p), qGreen(p)) + 40 ? blue : other);
      }
    }
    return box;
  };
  const QRect h = ink(0, 1), sub = ink(1, 2), o = ink(2, 3), sup = ink(5, 6);
  QVERIFY(sub.bottom() > h.bottom() + 2 && sub.bottom() > o.bottom() + 2 && sub.top() > h.top());
  QVERIFY(sup.height() < h.height() && sup.bottom() < h.bottom());  // small, raised
  QVERIFY(!ink(7, 8).isEmpty() && !ink(8, 9).isEmpty());            // α and β drawn
  ink(16, 22);                                                      // "colour"
  QVERIFY(blue > 20 && other == 0);
  ink(0, 3);  // "H2O"
  QVERIFY(blue == 0 && other > 20);
}

QTEST_MAIN(TestZTextWidget)
#include "tst_ztext_widget.moc"
