// Taking documents out of a query window: which documents a print or export job covers,
// the printed pages' header line, and the export to a file through the engine's writers,
// written in slices so that a progress window stays responsive, with its time estimates
// and the accounting of what reached the file.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>

struct EngineHandle;

namespace tolvar {

class CTolvarDoc;
struct RenderContext;

enum class JobKind { kExport, kPrint };
// Printing walks at most this many documents of a found list.
constexpr qint32 kMaxPrintWalk = 100000;

// Walk positions the job covers: the marks in their order; without marks the current
// portion in reading mode, the whole walk in query mode (printing stops at 100,000).
// The job never changes the document's marks, so nothing is left behind.
QList<qint32> JobDocuments(const CTolvarDoc& doc, JobKind kind);

// The print form's RTF over `positions` (walk order), in pieces of a few hundred
// documents each, as the expander's room is bounded; `base` carries the font and the
// walk (printing on).
QList<QByteArray> RenderForPrint(const QByteArray& form, const RenderContext& base,
                                 QList<qint32> positions);

// The header line of printed page `page`: "&b" edition, "&d" date, "&p" page, "&q" query,
// "&&" "&"; any other "&x" stays as it is. 108 characters or more are cut to 105 and
// "..."; a copyright follows as " © " and its text.
struct PageHeaderValues {
  QString edition, date, query, copyright;
};
QString PageHeader(const QString& format, const PageHeaderValues& v, int page);

// ---- Export --------------------------------------------------------------------------

enum ExportFormat { kExportText = 0, kExportIso = 1, kExportCsv = 2 };

// The chosen file name gets the format's extension when its name has no ".".
QString ExportPath(const QString& chosen, int format);
// The proposed file name: the document title up to its first blank, without ".cdq".
QString ProposedExportName(const QString& title);

// The estimated whole and remaining time in seconds; both 0 before a second has passed.
struct ExportTimes {
  qint64 whole = 0, remaining = 0;
  bool operator==(const ExportTimes&) const = default;
};
ExportTimes EstimateTimes(qint64 elapsedSeconds, qint64 done, qint64 total);
QString ClockText(qint64 seconds);  // "%02u:%02u:%02u"

// One export: the records in order into one file. Each document either reaches the file
// whole or, when a write fails, the file is cut back to the documents before it.
class ExportJob {
 public:
  // fieldList: the form's field codes, comma-separated (Windows-1251); empty for all.
  ExportJob(EngineHandle* handle, int format, QByteArray fieldList, QList<qint32> records);
  ~ExportJob();
  ExportJob(const ExportJob&) = delete;
  ExportJob& operator=(const ExportJob&) = delete;

  bool Open(const QString& path);
  // Writes documents for about budgetMs (at least one); the percentage done, or -1 when
  // all are written or a write failed.
  int Step(int budgetMs);
  // Closes the file; false when the close reported that the data could not be kept.
  bool Close();

  bool Failed() const { return failed_; }
  qint32 Written() const { return written_; }
  qint32 Total() const { return qint32(records_.size()); }
  ExportTimes Times() const;

 private:
  bool WriteOne(qint32 record);
  EngineHandle* handle_;
  int format_;
  QByteArray fields_;
  QList<qint32> records_;
  int fd_ = -1;
  qint32 written_ = 0;
  qint64 kept_ = 0;  // file length after the last whole document
  bool failed_ = false;
  QElapsedTimer started_;
};

// What the user reads when the export stopped on a failed write, or when the close
// could not keep the file.
QString ExportFailureText(qint32 written, qint32 total, bool atClose);

}  // namespace tolvar
