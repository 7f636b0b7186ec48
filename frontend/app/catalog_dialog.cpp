#include "catalog_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "editions.h"
#include "string_table.h"
#include "ui_messages.h"

namespace tolvar {

CCatalogDialog::CCatalogDialog(const QString& cat, const QString& hist, QWidget* parent)
    : QDialog(parent), catalog(cat), history(hist), initial_(cat) {
  setWindowTitle("Выбор каталогов");
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath("/");
  tree_ = new QTreeView;
  tree_->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
  tree_->header()->hide();
  tree_->setWhatsThis("Папка, в которой лежат издания (файлы .cdo).");
  catalogLabel_ = new QLabel;
  catalogLabel_->setWordWrap(true);
  titles_ = new QListWidget;
  titles_->setWhatsThis("Издания, найденные в выбранной папке.");
  historyLabel_ = new QLabel(history);
  historyLabel_->setWordWrap(true);
  auto* change = new QPushButton("Изменить");

  auto* editions = new QGroupBox("Издания");
  auto* e = new QVBoxLayout(editions);
  e->addWidget(new QLabel("Каталог:"));
  e->addWidget(catalogLabel_);
  e->addWidget(new QLabel("Выбор каталога:"));
  e->addWidget(tree_, 2);
  e->addWidget(new QLabel("Тематика"));
  e->addWidget(titles_, 1);
  auto* historyBox = new QGroupBox("История");
  auto* h = new QHBoxLayout(historyBox);
  h->addWidget(new QLabel("Каталог:"));
  h->addWidget(historyLabel_, 1);
  h->addWidget(change);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Cancel)->setText("Отмена");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(editions, 1);
  layout->addWidget(historyBox);
  layout->addWidget(buttons);
  resize(520, 600);

  connect(tree_, &QTreeView::clicked, this,
          [this](const QModelIndex& i) { ShowCatalog(model_->filePath(i)); });
  connect(change, &QPushButton::clicked, this, [this] {
    const QString d = QFileDialog::getExistingDirectory(this, "Выбор каталога", history);
    if (!d.isEmpty()) historyLabel_->setText(history = d);
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &CCatalogDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  ShowCatalog(catalog);
}

void CCatalogDialog::ShowCatalog(const QString& folder) {
  catalog = folder;
  catalogLabel_->setText(folder);
  titles_->clear();
  for (const ScannedEdition& e : ScanCatalog(folder)) titles_->addItem(e.title);
  const QModelIndex index = model_->index(folder);
  if (index.isValid()) {
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
  }
}

void CCatalogDialog::accept() {
  changed = QDir(catalog) != QDir(initial_);
  if (changed && closeQueries && !closeQueries()) return;
  QDialog::accept();
}

}  // namespace tolvar
