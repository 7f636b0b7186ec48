// Printing and export: the page header, the export's paths and time estimates, the
// export files against `zrt export` of the same records, a write that fails part way,
// printed PDF pages read back by pdftotext; and on the offscreen platform the print
// preview, Retry on an export file that cannot be created, and «Отмена» answered No and
// then Yes, which keeps what was written. With TOLVAR_SCREENSHOT_DIR set the preview and
// the progress window are saved as PNGs.
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <csignal>

#include "codec.h"
#include "config_folder.h"
#include "editions.h"
#include "export_window.h"
#include "output_job.h"
#include "print_pages.h"
#include "printing.h"
#include "query_doc.h"
#include "render.h"
#include "rtf.h"
#include "settings.h"
#include "string_table.h"
#include "tolvar_app.h"
#include "ui_messages.h"

using namespace tolvar;

namespace {
const QString kBuild = TOLVAR_BUILD_DIR;
struct SilentUi : IQueryUi {
  void Message(const QString&) override {}
  bool AskYesNo(const QString&) override { return true; }
  int ShowBuilder(CTolvarDoc&) override { return kNothing; }
};
QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}
}  // namespace

class TstFrontendOutput : public QObject {
  Q_OBJECT
  CTolvarApp app_;
  SilentUi ui_;
  QTemporaryDir dir_;
  QStringList asked_, warnings_;

  std::unique_ptr<CTolvarDoc> Reading(const QString& edition, qint32 start, qint32 count) {
    auto doc = std::make_unique<CTolvarDoc>(app_.editions, app_.settings, ui_);
    doc->SetEdition(edition);
    doc->queryMode = false;
    doc->portion = {start, count, doc->recordCount};
    return doc;
  }

  static void Shot(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("TOLVAR_SCREENSHOT_DIR");
    if (!dir.isEmpty()) w->grab().save(dir + "/" + name + ".png");
  }
  static void PressCancel(int ms) {
    QTimer::singleShot(ms, [] {
      if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
  }

 private slots:
  void initTestCase() {
    SetApp(&app_);
    ui::SetWarningHook([this](const QString& t) { warnings_ << t; });
    app_.settings.dbPath = kBuild + "/catalog";
    app_.configFolder = kBuild + "/config";
    app_.formNames = ScanForms(app_.configFolder);
    QCOMPARE(app_.OpenCatalog(), 4);
  }
  void cleanupTestCase() { SetApp(nullptr); }

  void pageHeader_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("copyright");
    QTest::addColumn<QString>("expected");
    QTest::newRow("all") << "&b, &d, стр. &p: &q" << "" << "Проза, 08.12.2026, стр. 7: война$";
    QTest::newRow("amp, unknown, end") << "&&x &z 100%&" << "" << "&x &z 100%&";
    QTest::newRow("copyright") << "&p" << "ORVANT" << "7 © ORVANT";
    QTest::newRow("107 stays") << QString(107, 'a') << "" << QString(107, 'a');
    QTest::newRow("108 cut") << QString(108, 'a') << "C" << QString(105, 'a') + "... © C";
    QTest::newRow("cut after expansion") << QString("&q").repeated(20) << ""
                                         << QString("война$").repeated(20).left(105) + "...";
  }
  void pageHeader() {
    QFETCH(QString, format);
    QFETCH(QString, copyright);
    QFETCH(QString, expected);
    QCOMPARE(PageHeader(format, {"Проза", "08.12.2026", "война$", copyright}, 7), expected);
  }

  void exportNamesAndTimes() {
    QCOMPARE(QStringList({ExportPath("/tmp/a", kExportText), ExportPath("/tmp/a", kExportIso),
                          ExportPath("/tmp/a", kExportCsv), ExportPath("/tmp/a.dat", kExportCsv),
                          ExportPath("/j.smith/a", kExportCsv), ProposedExportName("Query1 : Проза"), ProposedExportName("война.cdq")}),
             QStringList({"/tmp/a.txt", "/tmp/a.iso", "/tmp/a.csv", "/tmp/a.dat", "/j.smith/a.csv", "Query1", "война"}));
    const struct {
      qint64 elapsed, done, total;
      const char *whole, *remaining;
    } times[] = {{0, 5, 10, "00:00:00", "00:00:00"},
                 {3, 1, 7, "00:00:21", "00:00:18"},
                 {100, 1, 100, "02:46:40", "02:45:00"},
                 {59, 10, 10, "00:00:59", "00:00:00"}};
    for (const auto& t : times) {
      const ExportTimes got = EstimateTimes(t.elapsed, t.done, t.total);
      QCOMPARE(ClockText(got.whole) + " " + ClockText(got.remaining), QString(t.whole) + " " + t.remaining);
    }
  }

  // The same records through the front end's job and through zrt export give the same
  // files; the text header's own line end adds an empty line after it.
  void exportMatchesZrt() {
    auto doc = Reading("Поэзия и драматургия", 5, 7);
    QList<qint32> records;
    for (qint32 n : JobDocuments(*doc, JobKind::kExport)) records << doc->RecordOf(n);
    const QByteArray fields =
        toEngine(FormFields(ReadAll(kBuild + "/config/Библиография с рефератом.tpl")).join(','));
    QCOMPARE(fields, QByteArray("BIB,AB,KW"));
    const char* formats[] = {"txt", "iso", "csv"};
    for (int format : {kExportText, kExportIso, kExportCsv}) {
      const QString ours = dir_.filePath(QString("ours.") + formats[format]);
      const QString theirs = dir_.filePath(QString("zrt.") + formats[format]);
      ExportJob job(doc->handle, format, fields, records);
      QVERIFY(job.Open(ours));
      int percent = 0, steps = 0;
      while ((percent = job.Step(0)) >= 0) QCOMPARE(percent, 100 * ++steps / 7);
      QVERIFY(job.Close() && !job.Failed());
      QCOMPARE(job.Written(), 7);
      QProcess zrt;
      zrt.start(kBuild + "/tools/zrt/zrt", {"export", kBuild + "/catalog/poetry", "--format",
                                            formats[format], "--fields", "BIB,AB,KW", "--records",
                                            "5-11", "-o", theirs});
      QVERIFY(zrt.waitForFinished(30000) && zrt.exitCode() == 0);
      QByteArray mine = ReadAll(ours);
      if (format == kExportText) {
        QCOMPARE(mine.count("*** Document 3 from 7 ***\r\n\r\n"), 1);
        mine.replace(" ***\r\n\r\n", " ***\r\n");
      }
      if (format == kExportCsv) QCOMPARE(mine.count("\r\n"), 7);
      QCOMPARE(mine, ReadAll(theirs));
    }
  }

  // A write that fails part way stops the job; the file holds exactly the documents it
  // counts as written, whole, and /dev/full takes none.
  void failedWrite() {
    auto doc = Reading("Русская литература", 1, 400);
    QList<qint32> records = Range(1, 400);
    const QString full = dir_.filePath("full.txt"), cut = dir_.filePath("cut.txt");
    ExportJob all(doc->handle, kExportText, "TI,AU", records);
    QVERIFY(all.Open(full));
    while (all.Step(1000) >= 0) {}
    QVERIFY(all.Close() && all.Written() == 400);
    const QByteArray whole = ReadAll(full);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = whole.size() / 3;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    ExportJob job(doc->handle, kExportText, "TI,AU", records);
    QVERIFY(job.Open(cut));
    while (job.Step(1000) >= 0) {}
    setrlimit(RLIMIT_FSIZE, &saved);
    QVERIFY(job.Failed());
    QVERIFY(job.Written() > 10 && job.Written() < 400);
    const QByteArray kept = ReadAll(cut);
    const QByteArray next = QString("*** Document %1 from 400 ***").arg(job.Written() + 1).toLatin1();
    QCOMPARE(kept, whole.left(whole.indexOf(next)));

    ExportJob none(doc->handle, kExportCsv, "TI", records);
    QVERIFY(none.Open("/dev/full"));
    QCOMPARE(none.Step(1000), -1);
    QVERIFY(none.Failed());
    QCOMPARE(none.Written(), 0);
    QVERIFY(!ExportFailureText(0, 400, false).isEmpty());
  }

  // Pieces of the print walk cover every document once, in walk order, however the
  // positions are spread; only the job's documents are printed.
  void printPieces() {
    auto doc = Reading("Русская литература", 1, 10);
    QList<qint32> positions = Range(1, 450) + QList<qint32>({2000, 1200, 3});
    const RenderContext base = MakeRenderContext(*doc, "Arial", 20, 0, true);
    const QList<QByteArray> pieces = RenderForPrint(ReadAll(kBuild + "/config/Для печати.tpl"), base, positions);
    QVERIFY(pieces.size() >= 3);
    QList<qint32> printed;
    static const QRegularExpression number("^(\\d+)\\. ", QRegularExpression::MultilineOption);
    for (const QByteArray& rtf : pieces)
      for (const auto& m : number.globalMatch(RtfToPlainText(rtf))) printed << m.captured(1).toInt();
    QCOMPARE(printed, Range(1, 450) + QList<qint32>({1200, 2000}));
  }

  // The printed PDF: every page under its own header line, the marked documents only.
  void printedPdf() {
    auto doc = Reading("Поэзия и драматургия", 1, 10);
    doc->marks.Set({40, 12, 3, 70, 55, 20});
    const RenderContext base = MakeRenderContext(*doc, "Times New Roman", 24, 2, true);
    QTextDocument body;
    BuildPrintDocument(RenderForPrint(ReadAll(kBuild + "/config/Полное описание.tpl"), base,
                                      JobDocuments(*doc, JobKind::kPrint)),
                       &body, "Times New Roman");
    const QString pdf = dir_.filePath("print.pdf");
    QPdfWriter writer(pdf);
    const int pages = PaintPages(&writer, &body, [](int page) { return PageHeader("Проза, стр. &p", {}, page); });
    QVERIFY(pages >= 2);
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    QVERIFY(text.waitForFinished(30000) && text.exitCode() == 0);
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    for (int page = 1; page <= pages; ++page) QCOMPARE(out.count(QString("Проза, стр. %1\n").arg(page)), 1);
    QCOMPARE(out.count(QRegularExpression("Документ \\d+ из 89")), 6);
    QVERIFY(out.contains("Документ 12 из 89") && out.contains("Документ 40 из 89"));
  }

  // The preview paints the job of the window's default set.
  void printPreview() {
    auto doc = Reading("Поэзия и драматургия", 1, 10);
    QPrintPreviewDialog preview;
    int pages = 0;
    QString error;
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
            [&](QPrinter* p) { pages = PrintDocuments(*doc, 0, p, &error); });
    preview.resize(900, 760);
    preview.show();
    QTest::qWait(100);
    QVERIFY2(pages > 1, qPrintable(error));
    Shot(&preview, "print-preview");
  }

  void retryCreatesTheFile() {
    auto doc = Reading("Поэзия и драматургия", 1, 7);
    const QString folder = dir_.filePath("later");
    ui::SetQuestionHook([&](const QString& t) {
      asked_ << t;
      return QDir().mkpath(folder);  // the user frees the way, then «Повтор»
    });
    QVERIFY(ExportTo(*doc, folder + "/out.csv", kExportCsv, nullptr));
    QCOMPARE(asked_, QStringList{Str(54)});
    QFile f(folder + "/out.csv");
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count("\r\n"), 7);
  }

  void cancelAskedTwice() {
    auto doc = Reading("Русская литература", 1, 2607);
    asked_.clear();
    warnings_.clear();
    ui::SetQuestionHook([&](const QString& t) {
      asked_ << t;
      if (asked_.size() == 1) {
        Shot(QApplication::activeModalWidget(), "export-progress");
        PressCancel(0);  // No: the export goes on, and is cancelled again
      }
      return asked_.size() == 2;
    });
    PressCancel(20);
    const QString path = dir_.filePath("cancelled.txt");
    QVERIFY(!ExportTo(*doc, path, kExportText, nullptr));
    QCOMPARE(asked_, QStringList({Str(66), Str(66)}));
    QVERIFY(warnings_.isEmpty());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const qsizetype documents = f.readAll().count("*** Document ");
    QVERIFY2(documents > 0 && documents < 2607, qPrintable(QString::number(documents)));
  }
};

QTEST_MAIN(TstFrontendOutput)
#include "tst_frontend_output.moc"
