// The front end's two timings: start-up to a usable main window (settings, forms, engine
// set-up, catalog opened, the window shown with a first portion rendered), and the
// rendering of one portion of 10 documents through the default form on a large edition.
// Usage: frontend_bench CATALOG_FOLDER LARGE_EDITION_FOLDER QUERY  (offscreen platform)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextDocument>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "codec.h"
#include "main_frame.h"
#include "query_doc.h"
#include "query_window.h"
#include "render.h"
#include "rtf.h"
#include "tolvar_app.h"

using namespace tolvar;

namespace {
struct QuietUi : IQueryUi {
  void Message(const QString&) override {}
  bool AskYesNo(const QString&) override { return true; }
  int ShowBuilder(CTolvarDoc&) override { return 2; }
};
double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qapp(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: frontend_bench CATALOG LARGE_EDITION_FOLDER QUERY\n");
    return 2;
  }
  QElapsedTimer clock;
  clock.start();
  CTolvarApp app;
  SetApp(&app);
  app.Start(QApplication::applicationDirPath() + "/../frontend/app");
  const double settingsAndEngine = clock.nsecsElapsed() / 1e6;
  app.settings.dbPath = QString::fromLocal8Bit(argv[1]);
  app.settings.autoNew = true;
  app.OpenCatalog();
  const double catalog = clock.nsecsElapsed() / 1e6;
  {
    CMainFrame frame;
    frame.show();
    frame.FillEditions();
    QApplication::processEvents();
    const double shown = clock.nsecsElapsed() / 1e6;
    frame.NewQuery();
    QApplication::processEvents();
    std::printf("start-up to a usable window (bundled catalog, %d editions): %.1f ms "
                "(settings, forms, morphology and stop list %.1f ms; editions opened at %.1f ms, window shown at %.1f ms)\n",
                app.editions.Count(), clock.nsecsElapsed() / 1e6, settingsAndEngine, catalog, shown);
  }

  app.settings.dbPath = QString::fromLocal8Bit(argv[2]);
  app.OpenCatalog();
  QuietUi ui;
  CTolvarDoc doc(app.editions, app.settings, ui, app.engine.Morphology());
  doc.SetEdition(app.editions.ShortName(0));
  bool changed = false;
  const int r = doc.Execute(&changed, false, kReplace, toEngine(QString::fromLocal8Bit(argv[3])),
                            doc.editionName, true);
  doc.Apply(r == kNothing ? kShowFound : r);
  QFile form(app.FormPath(app.forms.screenIndex));
  form.open(QIODevice::ReadOnly);
  const QByteArray text = form.readAll();
  std::vector<double> times, shown;
  qint64 bytes = 0;
  for (int run = 0; run < 30; ++run) {
    doc.portion.start = 1 + (run * 10) % qMax(1, doc.Total() - 10);
    clock.restart();
    RenderContext ctx = MakeRenderContext(doc, "Times New Roman", 26, 0, false);
    const QByteArray rtf = RenderForm(text, ctx).rtf;
    bytes = rtf.size();
    times.push_back(clock.nsecsElapsed() / 1e6);
    QTextDocument view;
    RtfToDocument(rtf, &view, "Times New Roman");
    view.setTextWidth(800);
    view.size();  // laid out as the view shows it
    shown.push_back(clock.nsecsElapsed() / 1e6);
  }
  std::printf("one portion of 10 documents, form «%s», edition of %d records, %d found: "
              "median %.2f ms expanded (%lld bytes of RTF), %.2f ms with the document built and laid out\n",
              app.formNames.value(app.forms.screenIndex).toUtf8().constData(), doc.recordCount,
              doc.Total(), Median(times), static_cast<long long>(bytes), Median(shown));
  SetApp(nullptr);
  return 0;
}
