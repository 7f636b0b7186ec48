#include "printing.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTextDocument>
#include <cstdio>

#include "codec.h"
#include "output_job.h"
#include "print_pages.h"
#include "query_doc.h"
#include "render.h"
#include "tolvar_app.h"
#include "ui_messages.h"
#include "zrteng.h"

namespace tolvar {

namespace {
// A4 with a binding margin on the left; the page set-up changes it for the session.
void SetDefaultPage(QPrinter& printer) {
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageMargins(QMarginsF(20, 15, 15, 15), QPageLayout::Millimeter);
}
}  // namespace

QPrinter& SessionPrinter() {
  static QPrinter printer(QPrinter::HighResolution);
  static const bool prepared = (SetDefaultPage(printer), true);
  Q_UNUSED(prepared);
  return printer;
}

int PrintDocuments(CTolvarDoc& doc, int formIndex, QPrinter* printer, QString* error) {
  CTolvarApp& app = App();
  const QList<qint32> positions = JobDocuments(doc, JobKind::kPrint);
  if (positions.isEmpty()) {
    *error = QStringLiteral("Нет документов для печати.");
    return -1;
  }
  // The print form of the settings, or "Как на экране": the window's own form.
  const int form = app.forms.printIndex > 0 ? app.forms.printIndex - 1 : formIndex;
  QFile file(app.FormPath(form));
  if (!file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("Форма вывода не найдена: ") + file.fileName();
    return -1;
  }
  const FontRecord& font = app.settings.documentFont;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int dpi = screen ? int(screen->logicalDotsPerInchY()) : 96;
  const RenderContext base =
      MakeRenderContext(doc, font.faceName, HalfPoints(font.height, dpi),
                        (app.settings.italicTitle ? 1 : 0) | (app.settings.boldTitle ? 2 : 0), true);
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  QTextDocument body;
  BuildPrintDocument(RenderForPrint(file.readAll(), base, positions), &body, font.faceName);
  PageHeaderValues values;
  values.edition = doc.editionName;
  values.date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
  values.query = toUi(doc.BuildQuery());
  if (doc.handle)
    if (const char* c = ZRT_GetCopyright(doc.handle)) values.copyright = toUi(c);
  const QString format = app.settings.printHeader;
  const int pages = PaintPages(printer, &body, [&](int page) { return PageHeader(format, values, page); });
  QGuiApplication::restoreOverrideCursor();
  if (pages == 0) {
    *error = printer->outputFileName().isEmpty()
                 ? QStringLiteral("Принтер недоступен.")
                 : QStringLiteral("Не удалось записать файл ") + printer->outputFileName();
    return -1;
  }
  return pages;
}

namespace {
void Print(CTolvarDoc& doc, QPrinter* printer, QWidget* parent) {
  QString error;
  if (PrintDocuments(doc, doc.formIndex, printer, &error) < 0) ui::Warning(parent, error);
}
}  // namespace

void PageSetup(QWidget* parent) {
  QPageSetupDialog dlg(&SessionPrinter(), parent);
  dlg.setWindowTitle(QStringLiteral("Параметры печати"));
  dlg.exec();
}

void PrintWithDialog(CTolvarDoc& doc, QWidget* parent) {
  QPrintDialog dlg(&SessionPrinter(), parent);
  dlg.setWindowTitle(QStringLiteral("Печать"));
  // The job prints its documents whole; a page range would be silently ignored.
  dlg.setOption(QAbstractPrintDialog::PrintPageRange, false);
  if (dlg.exec() == QDialog::Accepted) Print(doc, &SessionPrinter(), parent);
}

void PrintDirect(CTolvarDoc& doc, QWidget* parent) {
  // Without a printer to print on, the dialog lets the user choose a PDF file instead.
  QPrinter& printer = SessionPrinter();
  if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty())
    return PrintWithDialog(doc, parent);
  Print(doc, &printer, parent);
}

void PrintPreview(CTolvarDoc& doc, QWidget* parent) {
  QPrintPreviewDialog dlg(&SessionPrinter(), parent);
  dlg.setWindowTitle(QStringLiteral("Просмотр печати"));
  QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg,
                   [&](QPrinter* printer) { Print(doc, printer, &dlg); });
  dlg.resize(900, 760);
  dlg.exec();
}

bool IsPrintCommand(const QStringList& args) {
  return args.contains("--print") || args.contains("--pdf");
}

namespace {
// Answers of a print without windows: messages go to stderr, questions are declined.
struct ConsoleUi : IQueryUi {
  void Message(const QString& text) override {
    std::fprintf(stderr, "tolvar: %s\n", text.toLocal8Bit().constData());
  }
  bool AskYesNo(const QString&) override { return false; }
  int ShowBuilder(CTolvarDoc&) override { return kNothing; }
};

int Fail(int status, const QString& text) {
  std::fprintf(stderr, "tolvar: %s\n", text.toLocal8Bit().constData());
  return status;
}
}  // namespace

int PrintFromCommandLine(const QStringList& args, const QString& programFolder) {
  QString file, pdf;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == "--print" || a == "--pdf") {
      if (i + 1 >= args.size() || args[i + 1].startsWith("--"))
        return Fail(2, a + " wants a file name");
      (a == "--print" ? file : pdf) = args[++i];
    } else {
      return Fail(2, "unexpected argument '" + a + "' (tolvar --print FILE.cdq [--pdf OUT.pdf])");
    }
  }
  if (file.isEmpty()) return Fail(2, "--pdf goes with --print FILE.cdq");
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) return Fail(1, "cannot read " + file + ": " + in.errorString());
  const QByteArray bytes = in.read(1 << 20);

  ui::SetWarningHook([](const QString& text) { Fail(1, text); });
  CTolvarApp app;
  SetApp(&app);
  struct Reset {
    ~Reset() { SetApp(nullptr); }
  } reset;
  if (!app.Start(programFolder)) return 1;
  if (app.OpenCatalog() <= 0) return Fail(1, "no edition opens in the catalog " + app.settings.dbPath);
  ConsoleUi console;
  CTolvarDoc doc(app.editions, app.settings, console, app.engine.Morphology());
  if (!doc.Load(bytes)) return Fail(1, file + " is not a query file");
  doc.formIndex = app.forms.screenIndex;
  doc.queryMode = !doc.state.queryText.isEmpty();
  if (doc.queryMode && !doc.RunQuery()) return 1;
  doc.portion.count = app.settings.count;
  doc.portion.total = doc.Total();
  doc.marks.DropBeyond(doc.Total());
  if (doc.Total() == 0) return Fail(1, "the query of " + file + " finds no documents");

  QPrinter printer(QPrinter::HighResolution);
  SetDefaultPage(printer);
  if (!pdf.isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
  } else if (QPrinterInfo::defaultPrinter().isNull()) {
    return Fail(1, "there is no default printer; --pdf OUT.pdf writes a PDF file");
  }
  QString error;
  const int pages = PrintDocuments(doc, doc.formIndex, &printer, &error);
  app.editions.CloseEditions();
  if (pages < 0) return Fail(1, error);
  std::printf("tolvar: %lld documents, %d pages printed%s\n",
              static_cast<long long>(JobDocuments(doc, JobKind::kPrint).size()), pages,
              pdf.isEmpty() ? "" : (" to " + pdf).toLocal8Bit().constData());
  return 0;
}

}  // namespace tolvar
