// The dialogs' validation, the view's context menu enabling and the builder's main page,
// on the offscreen platform; with TOLVAR_SCREENSHOT_DIR set the dialogs are saved as PNGs.
#include <QCheckBox>
#include <QFile>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "catalog_dialog.h"
#include "codec.h"
#include "query_builder.h"
#include "query_doc.h"
#include "settings_dialogs.h"
#include "tolvar_app.h"
#include "tolvar_view.h"
#include "ui_messages.h"
#include "ztext/ztext.h"

using namespace tolvar;

class TstFrontendWidgets : public QObject {
  Q_OBJECT
  CTolvarApp app_;
  QStringList warnings_;

  void Shot(QWidget* w, const char* name) {
    const QString dir = qEnvironmentVariable("TOLVAR_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    w->show();
    QTest::qWait(50);
    w->grab().save(dir + "/" + name + ".png");
  }

 private slots:
  void initTestCase() {
    qputenv("XDG_CONFIG_HOME", QByteArray(TOLVAR_BUILD_DIR "/tests/frontend/widget-config"));
    SetApp(&app_);
    ui::SetWarningHook([this](const QString& t) { warnings_ << t; });
    ui::SetQuestionHook([](const QString&) { return true; });
    app_.settings.dbPath = TOLVAR_BUILD_DIR "/catalog";
    app_.configFolder = TOLVAR_BUILD_DIR "/config";
    app_.formNames = ScanForms(app_.configFolder);
    QCOMPARE(app_.OpenCatalog(), 4);
  }
  void cleanupTestCase() { SetApp(nullptr); }

  // The help pages and the icon are resources of the program's widget library.
  void resources() {
    for (const char* page : {"index", "search", "documents", "contents", "settings", "using_help"})
      QVERIFY2(QFile::exists(QString(":/help/%1.html").arg(page)), page);
    QVERIFY(!QIcon(":/icons/tolvar.png").pixmap(32).isNull());
  }

  void documentCountValidation_data() {
    QTest::addColumn<QString>("count");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("1") << "1" << true;
    QTest::newRow("10000") << "10000" << true;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("10001") << "10001" << false;
    QTest::newRow("text") << "abc" << false;
  }
  void documentCountValidation() {
    QFETCH(QString, count);
    QFETCH(bool, accepted);
    CDocumentDialog dlg(app_.settings, app_.formNames, 0);
    dlg.count->setText(count);
    warnings_.clear();
    dlg.accept();
    QCOMPARE(dlg.result() == QDialog::Accepted, accepted);
    QCOMPARE(warnings_.isEmpty(), accepted);
    if (accepted) QCOMPARE(dlg.settings.count, count.toInt());
  }

  // The dialogs hold the inverted settings inverted, and write them back so.
  void inversions() {
    Settings s;
    s.morphology = false;
    s.autoCloseContent = true;
    CSearchDialog search(s);
    auto* noMorphology = search.findChildren<QCheckBox*>().at(1);
    QVERIFY(noMorphology->isChecked());
    noMorphology->setChecked(false);
    search.accept();
    QVERIFY(search.settings.morphology);
    CGeneralDialog general(s);
    general.findChildren<QCheckBox*>().last()->setChecked(true);
    general.accept();
    QVERIFY(!general.settings.autoCloseContent);
    Shot(&search, "settings-search");
    Shot(&general, "settings-general");
    CDocumentDialog document(app_.settings, app_.formNames, 0);
    Shot(&document, "settings-document");
    CPrintDialog print(app_.settings, app_.formNames, 0);
    Shot(&print, "settings-print");
    CCatalogDialog catalog(app_.settings.dbPath, "/tmp/history");
    Shot(&catalog, "catalog");
  }

  void contextMenu_data() {
    QTest::addColumn<bool>("selection");
    QTest::addColumn<bool>("queryEmpty");
    QTest::addColumn<bool>("quick");
    QTest::addColumn<QString>("enabled");  // one letter per item: y enabled, n disabled
    QTest::newRow("no selection") << false << false << false << "ynnnyn";
    QTest::newRow("selection, empty query") << true << true << false << "yynnyy";
    QTest::newRow("selection and query") << true << false << true << "yyyyyy";
  }
  void contextMenu() {
    QFETCH(bool, selection);
    QFETCH(bool, queryEmpty);
    QFETCH(bool, quick);
    QFETCH(QString, enabled);
    CTolvarView view;
    view.ShowRtf("{\\rtf1\\ansi two words\\par}", "Times New Roman");
    if (selection) view.selectAll();
    QMenu* menu = view.BuildContextMenu(quick, queryEmpty, false);
    QString got;
    for (QAction* a : menu->actions())
      if (!a->isSeparator()) got += a->isEnabled() ? 'y' : 'n';
    QCOMPARE(got, enabled);
    QCOMPARE(menu->actions().at(1)->text(), quick ? QString::fromUtf8("Поиск по выделению")
                                                  : QString::fromUtf8("Заменить запрос на выделение"));
    QCOMPARE(view.SelectionMarkup(), selection ? QByteArray("two words") : QByteArray());
  }

  void builderSearch() {
    CTolvarDoc doc(app_.editions, app_.settings, Fake());
    QVERIFY(doc.SetEdition(app_.editions.ShortName(0)));
    CQueryTab sheet(doc);
    QVERIFY(!sheet.ShowButton()->isEnabled());
    sheet.QueryField()->setCaption("RL025$");
    sheet.Search();
    QVERIFY(sheet.ShowButton()->isEnabled());
    QCOMPARE(doc.state.foundCount, 53);
    Shot(&sheet, "builder-main");
  }

 private:
  struct FakeUi : IQueryUi {
    void Message(const QString&) override {}
    bool AskYesNo(const QString&) override { return true; }
    int ShowBuilder(CTolvarDoc&) override { return 2; }
  };
  FakeUi fake_;
  IQueryUi& Fake() { return fake_; }
};

QTEST_MAIN(TstFrontendWidgets)
#include "tst_frontend_widgets.moc"
