// ztext-demo: a window with a single-line and a multi-line ZText control; the status bar shows
// the input mode and the Caption bytes of the control last edited.
#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

#include "ztext/ztext.h"

namespace {

QString modeName(int mode) {
  switch (mode) {
    case ZText::Greek:
      return QStringLiteral("Greek (next key)");
    case ZText::Symbol:
      return QStringLiteral("Symbol (next key)");
    default:
      return QStringLiteral("Normal");
  }
}

// The Windows-1251 bytes of a caption, printable ASCII as is and the rest in hex.
QString escapedBytes(const QByteArray& caption) {
  QString out;
  for (const char c : caption) {
    const auto b = static_cast<unsigned char>(c);
    out += b >= 0x20 && b < 0x7F ? QString(QChar(b))
                                 : QStringLiteral("\\x%1").arg(b, 2, 16, QChar('0'));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("ZText demo"));

  auto* single = new ZText;
  single->setCaption(
      "H[2]O a{2} _a_b x{,y} _\xDF"
      "colour_\xFF");
  auto* multi = new ZText;
  multi->setMultiLine(true);
  multi->setCaption(
      "Multi-line: Enter breaks the line, long lines wrap at white space.\r\n"
      "_\xDE"
      "Bold_\xFE, _\xDD"
      "italic_\xFD, E = mc{2}, _S x[i] _\xB3 0\r\n"
      "Ctrl+G then a: _a; Ctrl+S then e: _$");

  auto* form = new QWidget;
  auto* layout = new QFormLayout(form);
  layout->addRow(QStringLiteral("Single line:"), single);
  layout->addRow(QStringLiteral("Multi-line:"), multi);
  layout->addRow(new QLabel(QStringLiteral(
      "Ctrl+G: the next key types a Greek letter. Ctrl+S: the next key types a symbol.")));
  window.setCentralWidget(form);

  auto* mode = new QLabel(modeName(ZText::Normal));
  window.statusBar()->addPermanentWidget(mode);
  for (ZText* control : {single, multi}) {
    QObject::connect(control, &ZText::fontModeChanged, mode,
                     [mode](int m) { mode->setText(modeName(m)); });
    QObject::connect(control, &ZText::changed, &window, [&window, control] {
      window.statusBar()->showMessage(QStringLiteral("Caption: ") +
                                      escapedBytes(control->caption()));
    });
  }
  window.menuBar()->addAction(QStringLiteral("About ZText"), single, &ZText::aboutBox);

  window.resize(560, 260);
  window.show();
  return app.exec();
}
