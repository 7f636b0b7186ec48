// CMainFrame: the main window. Menus, the toolbar and the quick-search bar, the status
// bar's panes and the MDI area of query windows; commands go to the active window.
#pragma once

#include <QMainWindow>

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMenu;
class QToolButton;
class ZText;

namespace tolvar {

class CQueryWindow;

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  CMainFrame();
  ~CMainFrame() override;
  void FillEditions();
  CQueryWindow* Active() const;
  // New query; withQuickText takes the quick-search field's text.
  void NewQuery(bool withQuickText = false, bool forceAutoNew = false);
  bool OpenFile(const QString& path);
  void QuickSearch();
  void Read();
  ZText* QuickField() const { return quickText_; }
  QComboBox* EditionBox() const { return editions_; }
  QMdiArea* Area() const { return mdi_; }
  void UpdatePanes();

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void CreateActions();
  void CreateBars();
  void Activated();
  void SaveAs();
  void Save();
  void AddRecent(const QString& path);
  void FillRecent();
  void FillFormMenu(QMenu* menu);
  void CatalogDialog();
  void SearchSettings();
  void DocumentSettings();
  void PrintSettings();
  void GeneralSettings();
  void ShowHelp(const QString& page);
  void About();
  CQueryWindow* AddWindow();
  // Printing and export (output_commands.cpp): the menu's commands and their enabling.
  void AddOutputCommands(QMenu* menu);
  void EnableOutputCommands(bool on);

  QMdiArea* mdi_;
  QComboBox* editions_;
  ZText* quickText_;
  QLabel *position_, *symbol_;
  QMenu *recentMenu_, *formMenu_, *viewFormMenu_;
  QToolButton* formButton_;
  QAction *read_, *query_, *history_, *print_, *export_;
  QAction *first_, *previous_, *goTo_, *next_, *last_, *mark_, *edit_;
  QAction *save_, *saveAs_, *contents_, *copy_;
  QList<QAction*> outputActions_;
};

}  // namespace tolvar
