#include "ztext.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTimer>
#include <cmath>
#include <optional>

#include "cp1251.h"
#include "font_set.h"
#include "text_layout.h"
#include "text_model.h"
#include "ztext_accessible.h"

using ztext::InputMode;
using ztext::TextLayout;
using ztext::TextModel;

namespace {

const QColor kColourRun(0, 0, 255);      // coloured runs: red 0, green 0, blue 255
const QColor kModeCaret(128, 128, 128);  // the grey caret of the Greek and Symbol modes
constexpr int kMargin = 1;               // between the client edge and the text, each side

// A clipboard text as markup bytes: up to a zero character (the text is zero-terminated) and
// only when every character has a Windows-1251 byte.
std::optional<QByteArray> clipboardMarkup(QString text) {
  if (const qsizetype zero = text.indexOf(QChar(0)); zero >= 0) text.truncate(zero);
  return ztext::cp1251::fromUnicode(text);
}

QString htmlRendering(QByteArrayView markup) {
  return ztext::displayText(markup).toHtmlEscaped().replace(u'\n', QLatin1String("<br>"));
}

}  // namespace

// The widget's state beside the model: the fonts and the layout made from them, scrolling,
// the caret's blink phase, and the glue that turns model changes into signals.
class Q_DECL_HIDDEN ZText::Private {
 public:
  explicit Private(ZText* q) : q(q), fonts(q->font()), scrollBar(new QScrollBar(Qt::Vertical, q)) {}

  const TextLayout& layout();
  void invalidateLayout() { layoutStale = true; }
  QRect textArea() const;
  // Where x 0 of the first visible line's top is drawn, in widget coordinates.
  QPointF origin();
  int caretLine() { return layout().lineOf(model.caret(), caretAtLineEnd); }
  int positionAt(QPointF point, bool* atLineEnd);

  // Runs an operation on the model and reports what it changed: Changed for the text,
  // ChangeMode for the input mode; then shows the caret where it went.
  template <class Operation>
  void perform(Operation&& operation);
  void moveCaret(int position, bool extendSelection, bool atLineEnd = false);
  void moveVertically(int lines, bool extendSelection);
  bool handleKey(QKeyEvent* e);
  bool typeText(const QString& text);
  bool isEditingKey(const QKeyEvent* e) const;

  void caretMoved();
  void ensureCaretVisible();
  void updateScrollBar();
  void restartBlink();
  void paint(QPainter& painter);

  ZText* q;
  TextModel model;
  ztext::FontSet fonts;
  TextLayout layoutCache;
  bool layoutStale = true;
  bool readOnly = false;
  int borderStyle = 1;
  int firstLine = 0;            // first visible line (MultiLine)
  qreal xOffset = 0;            // horizontal scroll of the single line
  bool caretAtLineEnd = false;  // the caret ends a wrapped line rather than starting the next
  bool caretOn = false;         // blink phase while focused
  QTimer blink;
  QScrollBar* scrollBar;
};

const TextLayout& ZText::Private::layout() {
  if (layoutStale) {
    layoutCache.build(model.chars(), fonts, textArea().width(), model.multiLine());
    layoutStale = false;
  }
  return layoutCache;
}

QRect ZText::Private::textArea() const {
  QRect area = q->contentsRect();
  if (model.multiLine()) area.setRight(area.right() - scrollBar->sizeHint().width());
  return area;
}

QPointF ZText::Private::origin() {
  const QRect area = textArea();
  const qreal top = layout().lines()[std::min(firstLine, layout().lineCount() - 1)].top;
  return QPointF(area.left() + kMargin - xOffset, area.top() + kMargin - top);
}

int ZText::Private::positionAt(QPointF point, bool* atLineEnd) {
  const TextLayout& l = layout();
  const QPointF p = point - origin();
  const int line = l.lineAt(p.y());
  const int position = l.positionAt(line, p.x());
  const auto& info = l.lines()[line];
  *atLineEnd = position == info.caretEnd && position == info.end && line + 1 < l.lineCount();
  return position;
}

template <class Operation>
void ZText::Private::perform(Operation&& operation) {
  const auto revision = model.revision();
  const InputMode mode = model.mode();
  operation();
  if (model.revision() != revision) {
    invalidateLayout();
    caretAtLineEnd = false;
    if (QAccessible::isActive()) {
      QAccessibleValueChangeEvent event(q, q->displayText());
      QAccessible::updateAccessibility(&event);
    }
    emit q->changed();
  }
  if (model.mode() != mode) emit q->fontModeChanged(int(model.mode()));
  caretMoved();
}

void ZText::Private::moveCaret(int position, bool extendSelection, bool atLineEnd) {
  model.setCaret(position, extendSelection);
  caretAtLineEnd = atLineEnd;
  caretMoved();
}

void ZText::Private::moveVertically(int lines, bool extendSelection) {
  const TextLayout& l = layout();
  const int from = caretLine();
  const int to = from + lines;
  if (to < 0 || to >= l.lineCount()) return;
  const int position = l.positionAt(to, l.x(model.caret(), from));
  const auto& info = l.lines()[to];
  moveCaret(position, extendSelection,
            position == info.caretEnd && position == info.end && to + 1 < l.lineCount());
}

bool ZText::Private::isEditingKey(const QKeyEvent* e) const {
  const bool ctrl = (e->modifiers() & Qt::ControlModifier) && !(e->modifiers() & Qt::AltModifier);
  if (ctrl) {
    switch (e->key()) {
      case Qt::Key_G:
      case Qt::Key_S:
      case Qt::Key_C:
      case Qt::Key_X:
      case Qt::Key_V:
      case Qt::Key_Z:
      case Qt::Key_Insert:
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Home:
      case Qt::Key_End:
        return true;
      default:
        return false;
    }
  }
  switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
      return true;
    default:
      return !e->text().isEmpty() && e->text().front().isPrint();
  }
}

bool ZText::Private::handleKey(QKeyEvent* e) {
  const Qt::KeyboardModifiers mods = e->modifiers();
  const bool shift = mods & Qt::ShiftModifier;
  // AltGr arrives as Ctrl+Alt on some systems: that is typing, not a command.
  const bool ctrl = (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier);
  const int caret = model.caret();
  switch (e->key()) {
    case Qt::Key_Left:
      moveCaret(ctrl ? model.previousWordStart(caret) : caret - 1, shift);
      return true;
    case Qt::Key_Right:
      moveCaret(ctrl ? model.nextWordStart(caret) : caret + 1, shift);
      return true;
    case Qt::Key_Home:
      moveCaret(ctrl ? 0 : layout().lines()[caretLine()].first, shift);
      return true;
    case Qt::Key_End:
      if (ctrl) {
        moveCaret(model.length(), shift);
      } else {
        const auto& line = layout().lines()[caretLine()];
        moveCaret(line.caretEnd, shift, line.caretEnd == line.end);
      }
      return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (!model.multiLine()) return false;
      moveVertically(e->key() == Qt::Key_Up ? -1 : 1, shift);
      return true;
    case Qt::Key_Backspace:
      if (!readOnly) perform([&] { model.deleteBackward(); });
      return true;
    case Qt::Key_Delete:
      if (shift && model.hasSelection())
        q->cut();
      else if (!readOnly)
        perform([&] { model.deleteForward(); });
      return true;
    case Qt::Key_Insert:
      if (ctrl)
        q->copy();
      else if (shift)
        q->paste();
      else
        return false;
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!model.multiLine() || readOnly) return false;  // passed on, e.g. to a default button
      perform([&] { model.insertLineBreak(); });
      return true;
    default:
      break;
  }
  if (!ctrl) return typeText(e->text());
  switch (e->key()) {
    case Qt::Key_G:
    case Qt::Key_S:
      if (!readOnly) {
        const InputMode mode = e->key() == Qt::Key_G ? InputMode::Greek : InputMode::Symbol;
        perform([&] { model.toggleMode(mode); });
      }
      return true;
    case Qt::Key_C:
      q->copy();
      return true;
    case Qt::Key_X:
      q->cut();
      return true;
    case Qt::Key_V:
      q->paste();
      return true;
    case Qt::Key_Z:
      q->undo();
      return true;
    default:
      return false;
  }
}

// Typed characters arrive as Unicode: each is converted to its Windows-1251 byte, to which
// the acceptance rule applies; a character without one is refused.
bool ZText::Private::typeText(const QString& text) {
  if (text.isEmpty() || !text.front().isPrint()) return false;  // Escape, Tab and the like
  if (readOnly) return true;
  for (const char32_t c : text.toUcs4()) {
    if (const auto byte = ztext::cp1251::fromUnicode(c)) perform([&] { model.type(*byte); });
  }
  return true;
}

void ZText::Private::caretMoved() {
  ensureCaretVisible();
  restartBlink();
  q->update();
}

void ZText::Private::ensureCaretVisible() {
  const TextLayout& l = layout();
  const QRect area = textArea();
  const int line = caretLine();
  if (model.multiLine()) {
    xOffset = 0;
    const auto& lines = l.lines();
    const qreal height = area.height() - 2 * kMargin;
    firstLine = std::clamp(firstLine, 0, l.scrollRange(height));
    if (line < firstLine) firstLine = line;
    while (firstLine < line && lines[line].top + lines[line].height - lines[firstLine].top > height)
      ++firstLine;
    updateScrollBar();
    return;
  }
  // A single-line control has no scroll range; the caret is kept in view horizontally
  // instead, so that a long query stays editable.
  firstLine = 0;
  const qreal width = area.width() - 2 * kMargin;
  const qreal x = l.x(model.caret(), line);
  if (x - xOffset < 0)
    xOffset = x;
  else if (x - xOffset > width - 1)
    xOffset = x - width + 1;
  const auto& only = l.lines()[0];
  const qreal textWidth = only.caretEnd > only.first ? l.right(only.caretEnd - 1) : 0;
  xOffset = std::clamp(xOffset, 0.0, std::max(0.0, textWidth - width + 1));
}

void ZText::Private::updateScrollBar() {
  const QSignalBlocker blocker(scrollBar);
  const QRect area = textArea();
  scrollBar->setVisible(model.multiLine());
  scrollBar->setGeometry(area.right() + 1, area.top(), q->contentsRect().right() - area.right(),
                         area.height());
  scrollBar->setRange(0, model.multiLine() ? layout().scrollRange(area.height() - 2 * kMargin) : 0);
  scrollBar->setPageStep(std::max(1, layout().lineCount() - scrollBar->maximum()));
  scrollBar->setValue(firstLine);
}

void ZText::Private::restartBlink() {
  caretOn = q->hasFocus();
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (caretOn && flash > 0)
    blink.start(flash / 2);
  else
    blink.stop();
}

void ZText::Private::paint(QPainter& painter) {
  const QRect area = textArea();
  const QPalette& palette = q->palette();
  painter.fillRect(area, palette.base());
  painter.setClipRect(area);
  const TextLayout& l = layout();
  const QPointF at = origin();
  const int selectionStart = model.selectionStart();
  const int selectionEnd = model.selectionEnd();
  const auto& chars = model.chars();
  for (int line = firstLine; line < l.lineCount(); ++line) {
    const auto& info = l.lines()[line];
    const qreal top = at.y() + info.top;
    if (top >= area.bottom()) break;  // lines below the client area are not drawn
    // Runs of one font, colour and selection state.
    for (int start = info.first; start < info.end;) {
      const auto attributes = chars[start].attributes & ztext::attr::kDrawRun;
      const bool selected = start >= selectionStart && start < selectionEnd;
      int end = start + 1;
      while (end < info.end && (chars[end].attributes & ztext::attr::kDrawRun) == attributes &&
             (end >= selectionStart && end < selectionEnd) == selected)
        ++end;
      if (selected) {
        painter.fillRect(
            QRectF(at.x() + l.left(start), top, l.right(end - 1) - l.left(start), info.height),
            palette.highlight());
      }
      painter.setFont(fonts.font(ztext::fontIndex(attributes)));
      painter.setPen(selected                            ? palette.highlightedText().color()
                     : attributes & ztext::attr::kColour ? kColourRun
                                                         : palette.text().color());
      for (int i = start; i < end; ++i) {
        if (const char16_t glyph = l.glyph(i))
          painter.drawText(QPointF(at.x() + l.left(i), top + l.baseline(i)), QString(QChar(glyph)));
      }
      start = end;
    }
  }
  if (caretOn) {
    const QColor colour = model.mode() == InputMode::Normal ? palette.text().color() : kModeCaret;
    painter.fillRect(q->cursorRect(), colour);
  }
}

// ---------------------------------------------------------------------------------------------

ZText::ZText(QWidget* parent) : QFrame(parent), d(std::make_unique<Private>(this)) {
  static const bool factoryInstalled =
      (QAccessible::installFactory(&ztext::ZTextAccessible::create), true);
  Q_UNUSED(factoryInstalled);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_KeyCompression, false);
  setCursor(Qt::IBeamCursor);
  setBackgroundRole(QPalette::Base);
  setBorderStyle(1);
  setMultiLine(false);
  d->scrollBar->setCursor(Qt::ArrowCursor);
  connect(d->scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
    d->firstLine = value;
    update();
  });
  connect(&d->blink, &QTimer::timeout, this, [this] {
    d->caretOn = !d->caretOn;
    update(cursorRect());
  });
}

ZText::~ZText() = default;

QByteArray ZText::caption() const { return d->model.text(); }

void ZText::setCaption(const QByteArray& markup) {
  d->perform([&] { d->model.setText(markup); });
}

QString ZText::text() const { return ztext::cp1251::toUnicode(d->model.text()); }

void ZText::setText(const QString& text) { setCaption(ztext::cp1251::fromUnicodeLossy(text)); }

QString ZText::displayText() const { return ztext::displayText(d->model.text()); }

bool ZText::isReadOnly() const { return d->readOnly; }

void ZText::setReadOnly(bool readOnly) {
  d->readOnly = readOnly;
  if (QAccessible::isActive()) {
    QAccessible::State changed;
    changed.readOnly = changed.editable = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
  }
}

bool ZText::isMultiLine() const { return d->model.multiLine(); }

void ZText::setMultiLine(bool multiLine) {
  d->model.setMultiLine(multiLine);
  setSizePolicy(QSizePolicy::Expanding, multiLine ? QSizePolicy::Expanding : QSizePolicy::Fixed);
  d->firstLine = 0;
  d->xOffset = 0;
  d->invalidateLayout();
  d->updateScrollBar();
  d->caretMoved();
  updateGeometry();
}

int ZText::fontMode() const { return int(d->model.mode()); }

void ZText::setFontMode(int mode) {
  if (mode < Normal || mode > Symbol) return;
  d->perform([&] { d->model.setMode(InputMode(mode)); });
}

int ZText::borderStyle() const { return d->borderStyle; }

void ZText::setBorderStyle(int style) {
  d->borderStyle = style ? 1 : 0;
  setFrameStyle(d->borderStyle ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
  d->invalidateLayout();
  d->updateScrollBar();
}

int ZText::cursorPosition() const { return d->model.byteOffset(d->model.caret()); }

QRect ZText::cursorRect() const {
  const TextLayout& l = d->layout();
  const int line = d->caretLine();
  const QPointF at = d->origin();
  return QRectF(at.x() + l.x(d->model.caret(), line), at.y() + l.lines()[line].top, 1,
                l.lines()[line].height)
      .toAlignedRect();
}

bool ZText::hasSelectedText() const { return d->model.hasSelection(); }

QSize ZText::sizeHint() const {
  const QFontMetricsF& m = d->fonts.metrics(0);
  const int lines = isMultiLine() ? 4 : 1;
  const int frame = 2 * frameWidth() + 2 * kMargin;
  int width = int(m.averageCharWidth() * 24) + frame;
  if (isMultiLine()) width += d->scrollBar->sizeHint().width();
  return {width, int(std::ceil(m.height() * lines)) + frame};
}

QSize ZText::minimumSizeHint() const {
  const QFontMetricsF& m = d->fonts.metrics(0);
  const int frame = 2 * frameWidth() + 2 * kMargin;
  return {int(m.averageCharWidth() * 4) + frame, int(std::ceil(m.height())) + frame};
}

void ZText::aboutBox() {
  QMessageBox::about(
      this, tr("About ZText Control"),
      tr("<p><b>ZText Control</b></p>"
         "<p>The query-entry control of Tolvar: Windows-1251 text with Greek "
         "letters, symbols, sub- and superscripts.</p>"
         "<p>Ctrl+G: next key as a Greek letter. Ctrl+S: next key as a symbol.</p>"));
}

void ZText::copy() const {
  if (!d->model.hasSelection()) return;
  const QByteArray markup = d->model.copyText();
  auto* data = new QMimeData;
  data->setText(ztext::cp1251::toUnicode(markup));  // the escaped bytes
  data->setHtml(htmlRendering(markup));             // and the Unicode rendering beside them
  QGuiApplication::clipboard()->setMimeData(data);
}

void ZText::cut() {
  if (d->readOnly || !d->model.hasSelection()) return;
  copy();
  d->perform([&] { d->model.deleteSelection(); });
}

void ZText::paste() {
  if (d->readOnly) return;
  const auto markup = clipboardMarkup(QGuiApplication::clipboard()->text());
  if (markup && !markup->isEmpty()) d->perform([&] { d->model.replaceSelection(*markup); });
}

void ZText::undo() {
  if (!d->readOnly) d->perform([&] { d->model.undo(); });
}

void ZText::replaceSelection(const QByteArray& markup) {
  const qsizetype zero = markup.indexOf('\0');
  d->perform([&] { d->model.replaceSelection(zero < 0 ? markup : markup.first(zero)); });
}

bool ZText::event(QEvent* e) {
  // Let the control's own keys win over window shortcuts (Edit > Copy and the like).
  if (e->type() == QEvent::ShortcutOverride && d->isEditingKey(static_cast<QKeyEvent*>(e))) {
    e->accept();
    return true;
  }
  return QFrame::event(e);
}

void ZText::paintEvent(QPaintEvent* e) {
  QFrame::paintEvent(e);
  QPainter painter(this);
  d->paint(painter);
}

void ZText::keyPressEvent(QKeyEvent* e) {
  if (d->handleKey(e))
    e->accept();
  else
    e->ignore();
}

void ZText::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QFrame::mousePressEvent(e);
  bool atLineEnd = false;
  const int position = d->positionAt(e->position(), &atLineEnd);
  d->moveCaret(position, e->modifiers() & Qt::ShiftModifier, atLineEnd);
}

void ZText::mouseMoveEvent(QMouseEvent* e) {
  if (!(e->buttons() & Qt::LeftButton)) return QFrame::mouseMoveEvent(e);
  bool atLineEnd = false;
  const int position = d->positionAt(e->position(), &atLineEnd);
  d->moveCaret(position, true, atLineEnd);
}

void ZText::wheelEvent(QWheelEvent* e) {
  if (!isMultiLine()) return QFrame::wheelEvent(e);
  const int lines = -e->angleDelta().y() / 120 * QApplication::wheelScrollLines();
  d->scrollBar->setValue(d->scrollBar->value() + lines);
}

void ZText::focusInEvent(QFocusEvent* e) {
  QFrame::focusInEvent(e);
  d->restartBlink();
  update();
  emit focusGained();
}

// Losing focus hides the caret, collapses the selection to the caret and ends a Greek or
// Symbol mode.
void ZText::focusOutEvent(QFocusEvent* e) {
  QFrame::focusOutEvent(e);
  d->perform([&] {
    d->model.setCaret(d->model.caret());
    d->model.setMode(InputMode::Normal);
  });
}

void ZText::resizeEvent(QResizeEvent* e) {
  QFrame::resizeEvent(e);
  d->invalidateLayout();
  d->updateScrollBar();
  d->ensureCaretVisible();
}

void ZText::changeEvent(QEvent* e) {
  QFrame::changeEvent(e);
  if (e->type() == QEvent::FontChange) {
    d->fonts = ztext::FontSet(font());
    d->invalidateLayout();
    d->ensureCaretVisible();
    updateGeometry();
  }
}
