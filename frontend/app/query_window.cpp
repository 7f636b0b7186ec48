#include "query_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QScreen>

#include "codec.h"
#include "document_dialogs.h"
#include "history.h"
#include "history_window.h"
#include "left_view.h"
#include "printing.h"
#include "query_builder.h"
#include "render.h"
#include "selection.h"
#include "string_table.h"
#include "tolvar_app.h"
#include "tolvar_view.h"
#include "ui_messages.h"

namespace tolvar {

namespace {
int g_untitled = 0;
}

CQueryWindow::CQueryWindow(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
  CTolvarApp& app = App();
  doc_ = std::make_unique<CTolvarDoc>(app.editions, app.settings, *this, app.engine.Morphology());
  doc_->title = QStringLiteral("Query%1").arg(++g_untitled);
  doc_->formIndex = app.forms.screenIndex;
  doc_->historyFolder = app.HistoryFolder();
  doc_->historyLimit = HistoryLimit(app.settings.historySize);
  left_ = new CLeftView(this);
  view_ = new CTolvarView(this);
  addWidget(left_);
  addWidget(view_);
  setStretchFactor(1, 1);
  setChildrenCollapsible(true);
  setAttribute(Qt::WA_DeleteOnClose);
  connect(left_, &CLeftView::sectionOpened, this, [this](const QByteArray& code) {
    doc_->JumpToSection(code);
    Render();
    view_->setFocus();
  });
  connect(view_, &CTolvarView::editQuery, this, &CQueryWindow::EditQuery);
  connect(view_, &CTolvarView::selectionCommand, this, &CQueryWindow::SelectionCommand);
  connect(view_, &CTolvarView::showHistory, this, [this] {
    RunHistory(this, this, [this](const QString& path) { emit openFileRequested(path); });
  });
  connect(view_, &CTolvarView::printMarked, this, [this] { PrintDirect(*doc_, this); });
}

CQueryWindow::~CQueryWindow() = default;

void CQueryWindow::closeEvent(QCloseEvent* e) { e->accept(); }

void CQueryWindow::UpdateCaption() {
  setWindowTitle(doc_->title + " : " + doc_->editionName);
}

bool CQueryWindow::Render() {
  CTolvarApp& app = App();
  CTolvarDoc& d = *doc_;
  d.portion.count = app.settings.count;
  d.portion.total = d.Total();
  QFile form(app.FormPath(d.formIndex));
  if (!form.open(QIODevice::ReadOnly)) return false;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const FontRecord& font = app.settings.documentFont;
  const int dpi = screen() ? int(screen()->logicalDotsPerInchY()) : 96;
  RenderContext ctx = MakeRenderContext(d, font.faceName, HalfPoints(font.height, dpi),
                                        (app.settings.italicTitle ? 1 : 0) | (app.settings.boldTitle ? 2 : 0),
                                        false);
  const RenderResult r = RenderForm(form.readAll(), ctx);
  QGuiApplication::restoreOverrideCursor();
  view_->ShowRtf(r.rtf, font.faceName);
  currentSection = ctx.sections.value(0);
  statusNote = r.cut ? QStringLiteral("Показаны %1 из %2 документов порции: остальные не помещаются")
                           .arg(r.shown).arg(d.portion.Shown())
                     : QString();
  view_->quickSearch = app.settings.quickSearch;
  view_->queryEmpty = d.state.queryText.isEmpty();
  view_->hasMarks = d.marks.Size() > 0;
  LayoutContents();
  emit stateChanged();
  return true;
}

void CQueryWindow::LayoutContents() {
  const bool has = left_->ShowEdition(doc_->editionName, doc_->handle);
  left_->oneClick = App().settings.oneClickContent;
  left_->MarkCurrent(currentSection);
  if (!contentsToggled_)
    contentsOpen_ = has && (!doc_->queryMode || !App().settings.autoCloseContent);
  const int w = qMax(width(), 300);
  const int left = contentsOpen_ ? qMax(100, w / 3) : 0;
  setSizes({left, w - left});
}

void CQueryWindow::ToggleContents() {
  contentsToggled_ = true;
  contentsOpen_ = sizes().value(0) == 0;
  LayoutContents();
}

void CQueryWindow::ApplyResult(int result) {
  doc_->Apply(result);
  UpdateCaption();
  Render();
}

void CQueryWindow::First() { doc_->portion.First(), Render(); }
void CQueryWindow::Previous() { doc_->portion.Previous(), Render(); }
void CQueryWindow::Next() {
  if (doc_->portion.CanNext()) doc_->portion.Next(), Render();
}
void CQueryWindow::Last() {
  if (doc_->portion.CanNext()) doc_->portion.Last(), Render();
}

void CQueryWindow::GoTo() {
  const qint32 total = doc_->Total();
  if (total < 1) return;
  bool ok = false;
  const int n = QInputDialog::getInt(this, "Перейти к...", "Введите номер документа:",
                                     doc_->portion.start, 1, total, 1, &ok);
  if (!ok) return;
  doc_->portion.start = n;
  Render();
}

void CQueryWindow::MarkDialog() {
  CMarkDialog dlg(*doc_, this);
  if (dlg.exec() == QDialog::Accepted) Render();
}

void CQueryWindow::EditQuery() {
  const int r = doc_->Execute(&doc_->queryChanged, true, kNoText, {}, {});
  if (r != kNothing) ApplyResult(r);
}

void CQueryWindow::SelectionCommand(int mode) {
  const CTolvarApp& app = App();
  doc_->selectionText = SelectionToQuery(view_->SelectionMarkup(), app.settings.ignorePoint,
                                         app.settings.ignoreOperators);
  CombineWith(mode, doc_->selectionText);
}

void CQueryWindow::CombineWith(int mode, const QByteArray& text) {
  doc_->selectionText = text;
  if (text.isEmpty()) return;
  const int r = doc_->Execute(&doc_->queryChanged, true, mode, text, {});
  if (r != kNothing) ApplyResult(r);
}

void CQueryWindow::SetForm(int index) {
  if (index < 0 || index >= App().formNames.size()) return;
  doc_->formIndex = index;
  Render();
}

bool CQueryWindow::LoadFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly) || !doc_->Load(f.read(1 << 20))) return false;
  path_ = path;
  doc_->title = QFileInfo(path).fileName();
  const int r = doc_->Execute(&doc_->queryChanged, false, kNoText, {}, {});
  if (r == kNothing) return false;
  const QList<qint32> marks = doc_->marks.List();
  ApplyResult(r);
  // Marks of the file survive the opening; those beyond the walk are dropped.
  doc_->marks.Set(marks);
  doc_->marks.DropBeyond(doc_->Total());
  Render();
  return true;
}

bool CQueryWindow::SaveTo(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(doc_->Save()) < 0 || !f.flush()) return false;
  path_ = path;
  doc_->title = QFileInfo(path).fileName();
  UpdateCaption();
  return true;
}

void CQueryWindow::Message(const QString& text) { ui::Warning(this, text); }
bool CQueryWindow::AskYesNo(const QString& text) { return ui::AskYesNo(this, text); }

int CQueryWindow::ShowBuilder(CTolvarDoc& doc) {
  CQueryTab sheet(doc, this);
  builder_ = &sheet;
  const int r = sheet.exec() == QDialog::Accepted ? kShowFound : kNothing;
  builder_ = nullptr;
  // The frame opens it once the step is over (its connection is queued).
  if (!sheet.openAfterClose.isEmpty()) emit openFileRequested(sheet.openAfterClose);
  return r;
}

void CQueryWindow::WordFound(const QString& line) {
  if (builder_) builder_->AddWord(line);
}

void CQueryWindow::WaitCursor(bool on) {
  if (on) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  else QGuiApplication::restoreOverrideCursor();
}

}  // namespace tolvar
