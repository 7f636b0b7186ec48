// The print and export windows on the offscreen platform: the print job through the
// print form onto a PDF printer and in the preview; Retry on an export file that cannot
// be created, and «Отмена» answered No and then Yes, which keeps what was written. With
// TOLVAR_SCREENSHOT_DIR set the preview and the progress window are saved as PNGs.
#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "export_window.h"
#include "output_job.h"
#include "printing.h"
#include "query_doc.h"
#include "string_table.h"
#include "tolvar_app.h"
#include "ui_messages.h"

using namespace tolvar;

namespace {
struct SilentUi : IQueryUi {
  void Message(const QString&) override {}
  bool AskYesNo(const QString&) override { return true; }
  int ShowBuilder(CTolvarDoc&) override { return kNothing; }
};
}  // namespace

class TstFrontendOutputWindows : public QObject {
  Q_OBJECT
  CTolvarApp app_;
  QTemporaryDir dir_;
  QStringList asked_, warnings_;
  SilentUi ui_;

  std::unique_ptr<CTolvarDoc> Reading(const QString& edition, qint32 count) {
    auto doc = std::make_unique<CTolvarDoc>(app_.editions, app_.settings, ui_);
    doc->SetEdition(edition);
    doc->queryMode = false;
    doc->portion = {1, count, doc->recordCount};
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
    app_.settings.dbPath = TOLVAR_BUILD_DIR "/catalog";
    app_.configFolder = TOLVAR_BUILD_DIR "/config";
    app_.formNames = ScanForms(app_.configFolder);
    QCOMPARE(app_.OpenCatalog(), 4);
  }
  void cleanupTestCase() { SetApp(nullptr); }

  // The print form of the settings, the header of the settings on every page.
  void printJob() {
    auto doc = Reading("Поэзия и драматургия", 10);
    doc->marks.Set({5, 2});
    app_.forms.printIndex = int(app_.formNames.indexOf("Для печати")) + 1;
    app_.settings.printHeader = "&b, стр. &p";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir_.filePath("job.pdf"));
    QString error;
    QCOMPARE(PrintDocuments(*doc, 0, &printer, &error), 1);
    QProcess text;
    text.start("pdftotext", {dir_.filePath("job.pdf"), "-"});
    QVERIFY(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY2(out.startsWith("Поэзия и драматургия, стр. 1 © ") && out.contains("\n2. ") &&
                 out.contains("\n5. ") && !out.contains("\n3. "), qPrintable(out));

    doc->marks.Clear();
    QPrintPreviewDialog preview(&printer);
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
            [&](QPrinter* p) { QVERIFY(PrintDocuments(*doc, 0, p, &error) > 0); });
    preview.resize(900, 760);
    preview.show();
    QTest::qWait(100);
    Shot(&preview, "print-preview");
  }

  void retryCreatesTheFile() {
    auto doc = Reading("Поэзия и драматургия", 7);
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
    auto doc = Reading("Русская литература", 2607);
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

QTEST_MAIN(TstFrontendOutputWindows)
#include "tst_frontend_output_windows.moc"
