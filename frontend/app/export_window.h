// «Экспорт в...»: the file dialog, the file's creation with Retry/Cancel, and the progress
// window (bar, percentage, estimated whole and remaining time, «Отмена») that drives an
// ExportJob from a timer until it ends or the user cancels.
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;

namespace tolvar {

class CTolvarDoc;
class ExportJob;

class CExportProgress : public QDialog {
  Q_OBJECT
 public:
  CExportProgress(ExportJob& job, QWidget* parent = nullptr);
  bool Cancelled() const { return cancelled_; }

 protected:
  void reject() override;  // «Отмена» and Escape ask first

 private:
  void Tick();
  ExportJob& job_;
  QTimer timer_;
  QProgressBar* bar_;
  QLabel *percent_, *whole_, *remaining_;
  int shown_ = -1;
  bool cancelled_ = false;
};

// The whole command on the active document.
void ExportDocuments(CTolvarDoc& doc, QWidget* parent);
// The command after the file dialog; false when the file was not created or the export
// did not write every document.
bool ExportTo(CTolvarDoc& doc, const QString& path, int format, QWidget* parent);

}  // namespace tolvar
