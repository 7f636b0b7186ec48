// The front end's export job against `zrt export` on the same records: every record of an
// edition (or the first N) in each format, wall time and documents per second.
//   export_bench EDITION ZRT [N]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "marks.h"
#include "output_job.h"
#include "zrteng.h"

using namespace tolvar;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: export_bench EDITION ZRT [N]\n");
    return 2;
  }
  EngineHandle handle{};
  EngineHandle* h = &handle;
  ZRT_Build(h);
  if (ZRT_Open(h, argv[1], nullptr) != 0) {
    std::fprintf(stderr, "export_bench: cannot open %s\n", argv[1]);
    return 1;
  }
  const qint32 n = argc > 3 ? qMin(atoi(argv[3]), ZRT_GetNumRecords(h)) : ZRT_GetNumRecords(h);
  QTemporaryDir dir;
  const char* names[] = {"txt", "iso", "csv"};
  std::printf("%d documents, fields TI,AU,SO,PY,AB\n%-4s %12s %10s %12s %10s %8s\n", n, "", "job ms",
              "docs/s", "zrt ms", "docs/s", "bytes=");
  for (int format : {kExportText, kExportIso, kExportCsv}) {
    const QString ours = dir.filePath(QString("job.") + names[format]);
    ExportJob job(h, format, "TI,AU,SO,PY,AB", Range(1, n));
    QElapsedTimer t;
    t.start();
    if (!job.Open(ours)) return 1;
    while (job.Step(30) >= 0) {}
    const bool ok = job.Close() && !job.Failed();
    const qint64 jobMs = qMax<qint64>(1, t.elapsed());
    const QString theirs = dir.filePath(QString("zrt.") + names[format]);
    t.restart();
    QProcess zrt;
    zrt.start(argv[2], {"export", argv[1], "--format", names[format], "--fields", "TI,AU,SO,PY,AB",
                        "--records", QString("1-%1").arg(n), "-o", theirs});
    zrt.waitForFinished(-1);
    const qint64 zrtMs = qMax<qint64>(1, t.elapsed());
    // The text layout's header carries its own line end: one more CR LF per document.
    const qint64 extra = format == kExportText ? 2LL * n : 0;
    std::printf("%-4s %12lld %10lld %12lld %10lld %8s\n", names[format], jobMs, n * 1000LL / jobMs,
                zrtMs, n * 1000LL / zrtMs,
                ok && QFileInfo(ours).size() == QFileInfo(theirs).size() + extra ? "yes" : "NO");
  }
  ZRT_Destroy(h);
  return 0;
}
