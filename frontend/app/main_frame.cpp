#include "main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "catalog_dialog.h"
#include "codec.h"
#include "history_window.h"
#include "left_view.h"
#include "query_window.h"
#include "settings_dialogs.h"
#include "string_table.h"
#include "tolvar_app.h"
#include "tolvar_view.h"
#include "ui_messages.h"
#include "ztext/ztext.h"

namespace tolvar {

namespace {
const char* kFilter = "Queries (*.cdq);;All Files (*)";
}  // namespace

CMainFrame::CMainFrame() {
  setWindowTitle("Tolvar");
  setWindowIcon(QIcon(":/icons/tolvar.png"));
  mdi_ = new QMdiArea;
  mdi_->setViewMode(QMdiArea::SubWindowView);
  mdi_->setBackground(QColor(0xd8, 0xdc, 0xe2));
  setCentralWidget(mdi_);
  CreateActions();
  CreateBars();
  connect(mdi_, &QMdiArea::subWindowActivated, this, &CMainFrame::Activated);
  auto store = OpenSettingsStore();
  if (!restoreGeometry(store->value("BarState/Geometry").toByteArray())) resize(1180, 820);
  restoreState(store->value("BarState/State").toByteArray());
  UpdatePanes();
}

// The MDI area still activates and deactivates its windows while it is torn down, when
// the panes it would update are gone.
CMainFrame::~CMainFrame() {
  disconnect(mdi_, nullptr, this, nullptr);
  for (QMdiSubWindow* sub : mdi_->subWindowList()) disconnect(sub->widget(), nullptr, this, nullptr);
}

void CMainFrame::CreateActions() {
  QStyle* st = style();
  QMenu* file = menuBar()->addMenu("&Запрос");
  file->addAction("&Новый", QKeySequence::New, this, [this] { NewQuery(); });
  file->addAction("&Открыть...", QKeySequence::Open, this, [this] {
    const QString p = QFileDialog::getOpenFileName(this, "Открыть", {}, kFilter);
    if (!p.isEmpty()) OpenFile(p);
  });
  save_ = file->addAction("&Сохранить", QKeySequence::Save, this, &CMainFrame::Save);
  saveAs_ = file->addAction("Сохранить &как...", QKeySequence(Qt::Key_F12), this, &CMainFrame::SaveAs);
  file->addSeparator();
  AddOutputCommands(file);
  file->addSeparator();
  recentMenu_ = file->addMenu("Последние &файлы");
  file->addSeparator();
  file->addAction("&Выход", QKeySequence::Quit, this, &QWidget::close);
  FillRecent();

  QMenu* edit = menuBar()->addMenu("&Правка");
  copy_ = edit->addAction(Str(98), QKeySequence::Copy, this, [this] {
    if (CQueryWindow* w = Active()) w->View()->copy();
  });

  QMenu* view = menuBar()->addMenu(Str(103));
  contents_ = view->addAction("Содержание", QKeySequence("Ctrl+T"), this, [this] {
    if (CQueryWindow* w = Active()) w->ToggleContents();
  });
  viewFormMenu_ = view->addMenu(Str(104));
  connect(viewFormMenu_, &QMenu::aboutToShow, this, [this] { FillFormMenu(viewFormMenu_); });

  QMenu* docs = menuBar()->addMenu("&Документы");
  read_ = docs->addAction(st->standardIcon(QStyle::SP_FileDialogContentsView), Str(107), this, &CMainFrame::Read);
  read_->setToolTip(Str(33028));
  query_ = docs->addAction(st->standardIcon(QStyle::SP_FileDialogDetailedView), Str(108), this, [this] {
    if (CQueryWindow* w = Active()) w->EditQuery();
    else NewQuery();
  });
  query_->setShortcut(QKeySequence("Ctrl+E"));
  history_ = docs->addAction(st->standardIcon(QStyle::SP_BrowserReload), Str(109), this, [this] {
    RunHistory(this, Active(), [this](const QString& path) { OpenFile(path); });
  });
  docs->addSeparator();
  first_ = docs->addAction(st->standardIcon(QStyle::SP_MediaSkipBackward), "Первый", this, [this] { Active()->First(); });
  previous_ = docs->addAction(st->standardIcon(QStyle::SP_MediaSeekBackward), "Предыдущий", this, [this] { Active()->Previous(); });
  goTo_ = docs->addAction(st->standardIcon(QStyle::SP_ArrowRight), "К номеру...", this, [this] { Active()->GoTo(); });
  next_ = docs->addAction(st->standardIcon(QStyle::SP_MediaSeekForward), "Следующий", this, [this] { Active()->Next(); });
  last_ = docs->addAction(st->standardIcon(QStyle::SP_MediaSkipForward), "Последний", this, [this] { Active()->Last(); });
  first_->setShortcut(QKeySequence("Ctrl+Shift+PgUp"));
  previous_->setShortcut(QKeySequence("Ctrl+PgUp"));
  next_->setShortcut(QKeySequence("Ctrl+PgDown"));
  last_->setShortcut(QKeySequence("Ctrl+Shift+PgDown"));
  goTo_->setShortcut(QKeySequence("Ctrl+G"));
  docs->addSeparator();
  mark_ = docs->addAction("Отметить ...", QKeySequence("Ctrl+M"), this, [this] { Active()->MarkDialog(); });
  edit_ = docs->addAction("Изменить", this, [this] { Active()->EditQuery(); });
  print_->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
  export_->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));

  QMenu* options = menuBar()->addMenu("&Опции");
  options->addAction("Каталоги ...", this, &CMainFrame::CatalogDialog);
  options->addAction("Поиск...", this, &CMainFrame::SearchSettings);
  options->addAction("Документ ...", this, &CMainFrame::DocumentSettings);
  options->addAction("Печать ...", this, &CMainFrame::PrintSettings);
  options->addAction("Общие...", this, &CMainFrame::GeneralSettings);

  QMenu* window = menuBar()->addMenu("&Окно");
  window->addAction("Каскадом", mdi_, &QMdiArea::cascadeSubWindows);
  window->addAction("Мозаикой", mdi_, &QMdiArea::tileSubWindows);

  QMenu* help = menuBar()->addMenu("По&мощь");
  help->addAction("Содержание", QKeySequence::HelpContents, this, [this] { ShowHelp("index.html"); });
  help->addAction("Использование помощи", this, [this] { ShowHelp("using_help.html"); });
  help->addSeparator();
  help->addAction("О программе...", this, &CMainFrame::About);
}

void CMainFrame::CreateBars() {
  auto* tools = new QToolBar("Панель инструментов");
  tools->setObjectName("toolbar");
  tools->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  tools->setIconSize(QSize(22, 22));
  tools->addAction(read_);
  tools->addAction(query_);
  tools->addAction(history_);
  tools->addSeparator();
  formMenu_ = new QMenu(this);
  connect(formMenu_, &QMenu::aboutToShow, this, [this] { FillFormMenu(formMenu_); });
  formButton_ = new QToolButton;
  formButton_->setText(Str(110));
  formButton_->setIcon(style()->standardIcon(QStyle::SP_FileDialogListView));
  formButton_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  formButton_->setPopupMode(QToolButton::MenuButtonPopup);
  formButton_->setMenu(formMenu_);
  connect(formButton_, &QToolButton::clicked, this, [this] {
    if (CQueryWindow* w = Active(); w && w->Doc().formIndex != App().forms.screenIndex)
      w->SetForm(App().forms.screenIndex);
  });
  tools->addWidget(formButton_);
  tools->addSeparator();
  tools->addAction(print_);
  tools->addAction(export_);
  tools->addSeparator();
  for (QAction* a : {first_, previous_, goTo_, next_, last_}) tools->addAction(a);

  auto* quick = new QToolBar("Быстрый поиск");
  quick->setObjectName("quicksearch");
  editions_ = new QComboBox;
  editions_->setMinimumWidth(200);
  editions_->setToolTip("Тематика");
  quickText_ = new ZText;
  quickText_->setFont(DialogFont());
  quickText_->setMinimumWidth(360);
  quickText_->installEventFilter(this);
  auto* search = new QPushButton("Поиск");
  search->setToolTip(Str(274));
  connect(search, &QPushButton::clicked, this, &CMainFrame::QuickSearch);
  quick->addWidget(new QLabel(" Тематика: "));
  quick->addWidget(editions_);
  quick->addWidget(new QLabel("  Запрос: "));
  quick->addWidget(quickText_);
  quick->addWidget(search);
  connect(quickText_, &ZText::fontModeChanged, this, [this] { UpdatePanes(); });

  if (App().settings.toolbarFirst) {
    addToolBar(tools);
    addToolBar(quick);
  } else {
    addToolBar(quick);
    addToolBarBreak();
    addToolBar(tools);
  }
  position_ = new QLabel;
  position_->setMinimumWidth(fontMetrics().horizontalAdvance(Str(59142)) + 12);
  symbol_ = new QLabel;
  symbol_->setMinimumWidth(fontMetrics().horizontalAdvance(Str(59144)) + 12);
  statusBar()->addPermanentWidget(position_);
  statusBar()->addPermanentWidget(symbol_);
}

bool CMainFrame::eventFilter(QObject* o, QEvent* e) {
  if (o == quickText_ && IsEnterPress(e)) {
    QuickSearch();
    return true;
  }
  return QMainWindow::eventFilter(o, e);
}

void CMainFrame::FillEditions() {
  editions_->clear();
  for (int i = 0; i < App().editions.Count(); ++i) editions_->addItem(App().editions.ShortName(i));
}

CQueryWindow* CMainFrame::Active() const {
  QMdiSubWindow* sub = mdi_->activeSubWindow();
  if (!sub && !mdi_->subWindowList().isEmpty()) sub = mdi_->subWindowList().last();
  return sub ? qobject_cast<CQueryWindow*>(sub->widget()) : nullptr;
}

CQueryWindow* CMainFrame::AddWindow() {
  auto* w = new CQueryWindow;
  connect(w, &CQueryWindow::stateChanged, this, &CMainFrame::UpdatePanes);
  connect(w, &CQueryWindow::openFileRequested, this, &CMainFrame::OpenFile, Qt::QueuedConnection);
  QMdiSubWindow* sub = mdi_->addSubWindow(w);
  sub->setWindowIcon(windowIcon());
  sub->resize(mdi_->size() * 0.96);
  return w;
}

void CMainFrame::NewQuery(bool withQuickText, bool forceAutoNew) {
  CTolvarApp& app = App();
  if (app.editions.Count() == 0) {
    if (!ui::AskYesNo(this, "Нет открытых изданий. Выбрать каталог сейчас?")) return;
    CatalogDialog();
    if (app.editions.Count() == 0) return;
  }
  const QByteArray text = withQuickText ? TrimmedQueryText(quickText_->caption()) : QByteArray();
  std::unique_ptr<CQueryWindow> w(new CQueryWindow);
  connect(w.get(), &CQueryWindow::openFileRequested, this, &CMainFrame::OpenFile, Qt::QueuedConnection);
  CTolvarDoc& d = w->Doc();
  d.SetEdition(editions_->currentText().isEmpty() ? app.editions.ShortName(0) : editions_->currentText());
  const bool autoNew = forceAutoNew || app.settings.autoNew;
  const int r = autoNew ? d.Execute(&d.queryChanged, false, kReplace, text, d.editionName, true)
                        : d.Execute(&d.queryChanged, false, kNoText, {}, d.editionName);
  if (r == kNothing) return;
  CQueryWindow* window = w.release();
  connect(window, &CQueryWindow::stateChanged, this, &CMainFrame::UpdatePanes);
  QMdiSubWindow* sub = mdi_->addSubWindow(window);
  sub->setWindowIcon(windowIcon());
  sub->showMaximized();
  window->ApplyResult(r);
}

bool CMainFrame::OpenFile(const QString& path) {
  CQueryWindow* w = AddWindow();
  if (!w->LoadFile(path)) {
    mdi_->removeSubWindow(w->parentWidget());
    w->parentWidget()->deleteLater();
    ui::Warning(this, "Файл запроса повреждён или не может быть прочитан: " + path);
    return false;
  }
  w->parentWidget()->showMaximized();
  AddRecent(path);
  return true;
}

void CMainFrame::QuickSearch() {
  CQueryWindow* w = Active();
  if (!w) {
    NewQuery(true, true);
    quickText_->setFocus();
    return;
  }
  CTolvarDoc& d = w->Doc();
  const QByteArray text = TrimmedQueryText(quickText_->caption());
  const int r = d.Execute(&d.queryChanged, false, kReplace, text, editions_->currentText(), true);
  if (r != kNothing) w->ApplyResult(r);
}

void CMainFrame::Read() {
  quickText_->setCaption({});
  QuickSearch();
}

void CMainFrame::Activated() {
  CQueryWindow* w = Active();
  if (w) {
    CTolvarDoc& d = w->Doc();
    quickText_->setCaption(d.queryMode ? d.BuildQuery() : QByteArray());
    editions_->setCurrentText(d.editionName);
  }
  UpdatePanes();
}

void CMainFrame::UpdatePanes() {
  CQueryWindow* w = Active();
  const bool has = w != nullptr;
  for (QAction* a : {save_, saveAs_, mark_, edit_, goTo_, contents_, copy_}) a->setEnabled(has);
  EnableOutputCommands(has && w->Doc().Total() > 0);
  formButton_->setEnabled(has);
  query_->setToolTip(has ? "Изменить запрос" : "Новый запрос");
  if (has) {
    const CTolvarDoc& d = w->Doc();
    first_->setEnabled(d.portion.CanPrevious());
    previous_->setEnabled(d.portion.CanPrevious());
    next_->setEnabled(d.portion.CanNext());
    last_->setEnabled(d.portion.CanNext());
    position_->setText(Str(59143).replace("%ld из", QString::number(d.portion.start) + " из")
                           .replace("из %ld", "из " + QString::number(d.Total()))
                           .replace("%ld", QString::number(d.marks.Size())));
    if (!w->statusNote.isEmpty()) statusBar()->showMessage(w->statusNote);
    else statusBar()->clearMessage();
  } else {
    for (QAction* a : {first_, previous_, next_, last_}) a->setEnabled(false);
    position_->clear();
  }
  symbol_->setText(quickText_->fontMode() != 0 ? Str(59144) : QString());
}

void CMainFrame::FillFormMenu(QMenu* menu) {
  menu->clear();
  CQueryWindow* w = Active();
  const QStringList& forms = App().formNames;
  for (int k = 0; k < forms.size() && k < 21; ++k) {
    QAction* a = menu->addAction(forms[k], this, [this, k] {
      if (CQueryWindow* win = Active()) win->SetForm(k);
    });
    a->setCheckable(true);
    a->setChecked(w && w->Doc().formIndex == k);
    a->setEnabled(w != nullptr);
  }
}

void CMainFrame::Save() {
  CQueryWindow* w = Active();
  if (!w) return;
  if (w->FilePath().isEmpty()) return SaveAs();
  if (!w->SaveTo(w->FilePath())) ui::Warning(this, "Не удалось сохранить запрос.");
}

void CMainFrame::SaveAs() {
  CQueryWindow* w = Active();
  if (!w) return;
  QString p = QFileDialog::getSaveFileName(this, "Сохранить как", w->Doc().title + ".cdq", kFilter);
  if (p.isEmpty()) return;
  if (!p.contains('.')) p += ".cdq";
  if (!w->SaveTo(p)) return ui::Warning(this, "Не удалось сохранить запрос.");
  AddRecent(p);
}

void CMainFrame::AddRecent(const QString& path) {
  auto store = OpenSettingsStore();
  QStringList files = store->value("Recent File List/Files").toStringList();
  files.removeAll(path);
  files.prepend(path);
  store->setValue("Recent File List/Files", files.mid(0, 4));
  FillRecent();
}

void CMainFrame::FillRecent() {
  recentMenu_->clear();
  const QStringList files = OpenSettingsStore()->value("Recent File List/Files").toStringList();
  for (int k = 0; k < files.size(); ++k)
    recentMenu_->addAction(QStringLiteral("&%1 %2").arg(k + 1).arg(files[k]), this,
                           [this, f = files[k]] { OpenFile(f); });
  recentMenu_->setEnabled(!files.isEmpty());
}

void CMainFrame::CatalogDialog() {
  CTolvarApp& app = App();
  CCatalogDialog dlg(app.settings.dbPath, app.HistoryFolder(), this);
  dlg.closeQueries = [this] {
    if (mdi_->subWindowList().isEmpty()) return true;
    if (!ui::AskYesNo(this, Str(73))) return false;
    mdi_->closeAllSubWindows();
    return true;
  };
  if (dlg.exec() != QDialog::Accepted) return;
  app.settings.historyPath = dlg.history;
  for (QMdiSubWindow* sub : mdi_->subWindowList())
    if (auto* w = qobject_cast<CQueryWindow*>(sub->widget())) w->Doc().historyFolder = app.HistoryFolder();
  if (dlg.changed) {
    app.settings.dbPath = dlg.catalog;
    app.OpenCatalog();
    FillEditions();
  }
  app.SaveSettings();
}

void CMainFrame::SearchSettings() {
  CTolvarApp& app = App();
  CSearchDialog dlg(app.settings, this);
  if (!TakeSettings(dlg)) return;
  app.engine.ApplyQueryParameters(app.settings);
  quickText_->setFont(DialogFont());
  app.SaveSettings();
}

void CMainFrame::DocumentSettings() {
  CTolvarApp& app = App();
  CDocumentDialog dlg(app.settings, app.formNames, app.forms.screenIndex, this);
  if (!TakeSettings(dlg)) return;
  app.forms.screenIndex = dlg.formIndex;
  app.SaveSettings();
  for (QMdiSubWindow* sub : mdi_->subWindowList())
    if (auto* w = qobject_cast<CQueryWindow*>(sub->widget())) w->Render();
}

void CMainFrame::PrintSettings() {
  CTolvarApp& app = App();
  CPrintDialog dlg(app.settings, app.formNames, app.forms.printIndex, this);
  if (!TakeSettings(dlg)) return;
  app.forms.printIndex = dlg.printIndex;
  app.SaveSettings();
}

void CMainFrame::GeneralSettings() {
  CGeneralDialog dlg(App().settings, this);
  if (TakeSettings(dlg)) App().SaveSettings();
}

void CMainFrame::ShowHelp(const QString& page) {
  auto* dlg = new QDialog(this);
  dlg->setAttribute(Qt::WA_DeleteOnClose);
  dlg->setWindowTitle("Помощь — Tolvar");
  auto* browser = new QTextBrowser;
  browser->setSearchPaths({":/help"});
  browser->setSource(QUrl("qrc:/help/" + page));
  (new QVBoxLayout(dlg))->addWidget(browser);
  dlg->resize(640, 560);
  dlg->show();
}

void CMainFrame::About() {
  QMessageBox box(this);
  box.setWindowTitle("О системе поиска Tolvar");
  box.setIconPixmap(windowIcon().pixmap(64, 64));
  box.setText("Система поиска Tolvar. Версия 2.0");
  box.exec();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
  auto store = OpenSettingsStore();
  store->setValue("BarState/Geometry", saveGeometry());
  store->setValue("BarState/State", saveState());
  mdi_->closeAllSubWindows();
  e->accept();
}

}  // namespace tolvar
