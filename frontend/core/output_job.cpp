#include "output_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "query_doc.h"
#include "render.h"
#include "string_table.h"
#include "zrteng.h"

namespace tolvar {

QList<qint32> JobDocuments(const CTolvarDoc& doc, JobKind kind) {
  if (doc.marks.Size() > 0) return doc.marks.List();
  const qint32 total = doc.Total();
  if (!doc.queryMode)
    return Range(doc.portion.start, qMin(total, doc.portion.start + doc.portion.count - 1));
  return Range(1, kind == JobKind::kPrint ? qMin(total, kMaxPrintWalk) : total);
}

QList<QByteArray> RenderForPrint(const QByteArray& form, const RenderContext& base,
                                 QList<qint32> positions) {
  // Few enough that a piece's RTF fits the expander's room; a piece walks only from its
  // first to its last document, so marks scattered over a long found list stay cheap.
  constexpr qsizetype kPiece = 200;
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  QList<QByteArray> pieces;
  qsizetype at = 0;
  while (at < positions.size()) {
    const QList<qint32> piece = positions.mid(at, kPiece);
    RenderContext ctx = base;
    ctx.printing = true;
    ctx.marks = &piece;
    ctx.start = piece.first();
    ctx.count = piece.last() - piece.first() + 1;
    const RenderResult r = RenderForm(form, ctx);
    pieces << r.rtf;
    // A cut rendering stopped before start + shown: the rest comes in the next piece.
    const qint32 next = ctx.start + qMax(1, r.shown);
    while (at < positions.size() && positions[at] < next) ++at;
  }
  return pieces;
}

QString PageHeader(const QString& format, const PageHeaderValues& v, int page) {
  QString out;
  for (qsizetype i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c != '&' || i + 1 == format.size()) {
      out += c;
      continue;
    }
    switch (format[i + 1].unicode()) {
      case '&': out += '&'; break;
      case 'b': out += v.edition; break;
      case 'd': out += v.date; break;
      case 'p': out += QString::number(page); break;
      case 'q': out += v.query; break;
      default: out += c; continue;  // not a place-holder: both characters stay
    }
    ++i;
  }
  if (out.size() >= 108) out = out.left(105) + "...";
  if (!v.copyright.isEmpty()) out += QStringLiteral(" © ") + v.copyright;
  return out;
}

QString ExportPath(const QString& chosen, int format) {
  static const char* const kExtensions[] = {".txt", ".iso", ".csv"};
  // The file's own name decides: folders such as "/home/j.smith" have points too.
  if (QFileInfo(chosen).fileName().contains('.') || format < 0 || format > 2) return chosen;
  return chosen + kExtensions[format];
}

QString ProposedExportName(const QString& title) {
  // A saved query's title is its file name: proposing "name.cdq" would offer to
  // overwrite the query itself with the export.
  QString name = title.section(' ', 0, 0);
  if (name.endsWith(".cdq", Qt::CaseInsensitive)) name.chop(4);
  return name;
}

ExportTimes EstimateTimes(qint64 elapsedSeconds, qint64 done, qint64 total) {
  if (elapsedSeconds < 1 || done < 1) return {};
  const qint64 whole = elapsedSeconds * total / done;
  return {whole, whole - elapsedSeconds};
}

QString ClockText(qint64 seconds) {
  const qint64 s = qMax<qint64>(0, seconds);
  return QString::asprintf("%02u:%02u:%02u", unsigned(s / 3600), unsigned(s / 60 % 60),
                           unsigned(s % 60));
}

ExportJob::ExportJob(EngineHandle* handle, int format, QByteArray fieldList,
                     QList<qint32> records)
    : handle_(handle), format_(format), fields_(std::move(fieldList)),
      records_(std::move(records)) {}

ExportJob::~ExportJob() {
  if (fd_ >= 0) ZRT_CloseFile(fd_);
}

bool ExportJob::Open(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  fd_ = ZRT_OpenFile(name.constData(), O_CREAT | O_TRUNC | O_RDWR, 0666);
  return fd_ >= 0;
}

bool ExportJob::WriteOne(qint32 record) {
  if (ZRT_GotoRecord(handle_, record) != 0) return false;
  const char* fields = fields_.constData();
  switch (format_) {
    case kExportIso:
      return ZRT_IsoWrite(handle_, fd_, fields) == 0;
    case kExportCsv:
      return ZRT_CsvWrite(handle_, fd_, "^", fields, 1) == 0;
    default: {
      const QByteArray header = Str(82)
                                    .replace("%d from", QString::number(written_ + 1) + " from")
                                    .replace("%d", QString::number(Total()))
                                    .toLatin1();
      return ZRT_TxtWrite(handle_, fd_, header.constData(), 1, fields, 1) == 0;
    }
  }
}

int ExportJob::Step(int budgetMs) {
  if (fd_ < 0 || failed_ || written_ >= Total()) return -1;
  if (!started_.isValid()) started_.start();
  QElapsedTimer slice;
  slice.start();
  do {
    if (!WriteOne(records_[written_])) {
      failed_ = true;
      // The document that failed may be half in the file: cut it off, so that the file
      // holds exactly the documents the message counts.
      if (ftruncate(fd_, kept_) == 0) lseek(fd_, kept_, SEEK_SET);
      return -1;
    }
    ++written_;
    kept_ = lseek(fd_, 0, SEEK_CUR);
  } while (written_ < Total() && slice.elapsed() < budgetMs);
  return int(qint64(written_) * 100 / Total());
}

bool ExportJob::Close() {
  if (fd_ < 0) return true;
  const int rc = ZRT_CloseFile(fd_);
  fd_ = -1;
  if (rc != 0) failed_ = true;
  return rc == 0;
}

ExportTimes ExportJob::Times() const {
  return EstimateTimes(started_.isValid() ? started_.elapsed() / 1000 : 0, written_, Total());
}

QString ExportFailureText(qint32 written, qint32 total, bool atClose) {
  if (atClose)
    return QStringLiteral("Ошибка при закрытии файла (диск переполнен или недоступен): "
                          "записанные документы (%1 из %2) могли не сохраниться.")
        .arg(written)
        .arg(total);
  return QStringLiteral("Ошибка записи файла (диск переполнен или недоступен). "
                        "Экспорт остановлен: записано документов %1 из %2.")
      .arg(written)
      .arg(total);
}

}  // namespace tolvar
