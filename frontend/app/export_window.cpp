#include "export_window.h"

#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "codec.h"
#include "output_job.h"
#include "query_doc.h"
#include "render.h"
#include "string_table.h"
#include "tolvar_app.h"
#include "ui_messages.h"

namespace tolvar {

CExportProgress::CExportProgress(ExportJob& job, QWidget* parent) : QDialog(parent), job_(job) {
  setWindowTitle(Str(56));
  bar_ = new QProgressBar;
  bar_->setRange(0, 100);
  bar_->setTextVisible(false);
  percent_ = new QLabel("0%");
  percent_->setMinimumWidth(fontMetrics().horizontalAdvance("100%") + 8);
  percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  whole_ = new QLabel(ClockText(0));
  remaining_ = new QLabel(ClockText(0));
  auto* cancel = new QPushButton(Str(114));
  connect(cancel, &QPushButton::clicked, this, &CExportProgress::reject);
  auto* grid = new QGridLayout(this);
  grid->addWidget(bar_, 0, 0, 1, 4);
  grid->addWidget(percent_, 0, 4);
  grid->addWidget(new QLabel("Примерное время общее:"), 1, 0);
  grid->addWidget(whole_, 1, 1);
  grid->addWidget(new QLabel("осталось:"), 1, 2, Qt::AlignRight);
  grid->addWidget(remaining_, 1, 3);
  grid->addWidget(cancel, 2, 4);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  setMinimumWidth(440);
  connect(&timer_, &QTimer::timeout, this, &CExportProgress::Tick);
  timer_.start(5);
}

void CExportProgress::Tick() {
  // A slice of about 30 ms per tick: one document per tick would idle through minutes
  // on a large export, while the window still answers between slices.
  const int percent = job_.Step(30);
  if (percent < 0) {
    timer_.stop();
    accept();
    return;
  }
  if (percent == shown_) return;
  shown_ = percent;
  bar_->setValue(percent);
  percent_->setText(QString::asprintf("%d%%", percent));
  const ExportTimes t = job_.Times();
  whole_->setText(ClockText(t.whole));
  remaining_->setText(ClockText(t.remaining));
}

void CExportProgress::reject() {
  timer_.stop();
  if (ui::AskYesNo(this, Str(66))) {
    cancelled_ = true;
    QDialog::reject();
  } else {
    timer_.start(5);
  }
}

bool ExportTo(CTolvarDoc& doc, const QString& path, int format, QWidget* parent) {
  CTolvarApp& app = App();
  QList<qint32> records;
  for (qint32 n : JobDocuments(doc, JobKind::kExport))
    if (const qint32 r = doc.RecordOf(n); r > 0) records << r;
  if (records.isEmpty()) return false;
  // The fields that the window's form shows, in its order.
  QFile form(app.FormPath(doc.formIndex));
  const QStringList fields = form.open(QIODevice::ReadOnly) ? FormFields(form.readAll()) : QStringList();
  ExportJob job(doc.handle, format, toEngine(fields.join(',')), records);
  while (!job.Open(path))
    if (!ui::AskRetry(parent, Str(54))) return false;
  CExportProgress progress(job, parent);
  progress.exec();
  const bool writeFailed = job.Failed();
  const bool closed = job.Close();
  if (writeFailed || !closed) {
    ui::Warning(parent, ExportFailureText(job.Written(), job.Total(), !writeFailed));
    return false;
  }
  return !progress.Cancelled();
}

void ExportDocuments(CTolvarDoc& doc, QWidget* parent) {
  // String 57 in the file dialog's own notation; the chosen filter is the format.
  const QStringList filters = Str(57).split('|', Qt::SkipEmptyParts);
  QStringList qtFilters;
  for (qsizetype i = 0; i + 1 < filters.size(); i += 2)
    qtFilters << filters[i].trimmed();
  QString chosen;
  QString path = QFileDialog::getSaveFileName(parent, Str(58), ProposedExportName(doc.title),
                                              qtFilters.join(";;"), &chosen);
  if (path.isEmpty()) return;
  const int format = qMax(0, int(qtFilters.indexOf(chosen)));
  ExportTo(doc, ExportPath(path, format), format, parent);
}

}  // namespace tolvar
