// «Выбор каталогов»: the catalog folder of the editions, with the titles found in the
// chosen folder, and the search-history folder.
#pragma once

#include <QDialog>
#include <functional>

class QFileSystemModel;
class QLabel;
class QListWidget;
class QTreeView;

namespace tolvar {

class CCatalogDialog : public QDialog {
  Q_OBJECT
 public:
  CCatalogDialog(const QString& catalog, const QString& history, QWidget* parent = nullptr);
  void accept() override;
  void ShowCatalog(const QString& folder);
  QString catalog, history;
  bool changed = false;
  // Asked before a change when query windows are open; true when they were closed.
  std::function<bool()> closeQueries;

 private:
  QFileSystemModel* model_;
  QTreeView* tree_;
  QLabel *catalogLabel_, *historyLabel_;
  QListWidget* titles_;
  QString initial_;
};

}  // namespace tolvar
