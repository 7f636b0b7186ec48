// The dialogs' validation, the view's context menu enabling and the builder's main page,
// on the offscreen platform; with TOLVAR_SCREENSHOT_DIR set the dialogs are saved as PNGs.
#include <QCheckBox>
#include <QFile>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "builder_pages.h"
#include "catalog_dialog.h"
#include "dictionary_window.h"
#include "history_window.h"
#include "codec.h"
#include "query_builder.h"
#include "query_doc.h"
#include "settings_dialogs.h"
#include "tolvar_app.h"
#include "tolvar_view.h"
#include "ui_messages.h"
#include "ztext/ztext.h"
#include "zrteng.h"

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
    QVERIFY(app_.classification.Load(app_.configFolder + "/classification.txt"));
    CDat_SetQParam('$', 1, 1, 0);
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
    CTolvarDoc doc(app_.editions, app_.settings, fake_);
    QVERIFY(doc.SetEdition(app_.editions.ShortName(0)));
    CQueryTab sheet(doc);
    QVERIFY(!sheet.ShowButton()->isEnabled());
    sheet.QueryField()->setCaption("RL025$");
    sheet.Search();
    QVERIFY(sheet.ShowButton()->isEnabled());
    QCOMPARE(doc.state.foundCount, 53);
    Shot(&sheet, "builder-main");
  }

  // Hand-edited limits on the way to the limits page: Cancel stays, No starts afresh,
  // Yes keeps the ticks; leaving the page writes the limits from the ticks.
  void builderLimitsQuestion_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("limits");  // the main page's text afterwards
    QTest::newRow("cancel") << int(ui::kCancel) << int(CQueryTab::kMainPage) << "(01) IN DT";
    QTest::newRow("no") << int(ui::kNo) << int(CQueryTab::kLimitsPage) << "";
    QTest::newRow("yes") << int(ui::kYes) << int(CQueryTab::kLimitsPage) << "(06) IN DT";
  }
  void builderLimitsQuestion() {
    QFETCH(int, answer);
    QFETCH(int, page);
    QFETCH(QString, limits);
    CTolvarDoc doc(app_.editions, app_.settings, fake_);
    QVERIFY(doc.SetEdition(app_.editions.ShortName(0)));
    doc.state.docTypeSel = QByteArray("\x04");
    doc.state.limitsText = "(06) IN DT";
    CQueryTab sheet(doc);
    QStringList asked;
    ui::SetChoiceHook([&](const QString& t) { asked << t; return ui::Answer(answer); });
    sheet.LimitsField()->setText("(01) IN DT");
    sheet.Tabs()->setCurrentIndex(CQueryTab::kLimitsPage);
    ui::SetChoiceHook({});
    QCOMPARE(asked.size(), 1);
    QCOMPARE(sheet.Tabs()->currentIndex(), page);
    sheet.Tabs()->setCurrentIndex(CQueryTab::kMainPage);
    QCOMPARE(sheet.LimitsField()->text(), limits);
    QCOMPARE(doc.state.limitsText, limits.toLatin1());
  }

  // Years that do not read keep the limits page; an area ticked on its page shows on the
  // main page and «Показать» runs the changed query before it closes.
  void builderPages() {
    CTolvarDoc doc(app_.editions, app_.settings, fake_);
    QVERIFY(doc.SetEdition(app_.editions.ShortName(app_.editions.Count() - 1)));
    doc.state.queryText = toEngine(QString::fromUtf8("РУС"));
    CQueryTab sheet(doc);
    sheet.Tabs()->setCurrentIndex(CQueryTab::kLimitsPage);
    sheet.LimitsPage()->years->setText("1999-1998");
    warnings_.clear();
    sheet.Tabs()->setCurrentIndex(CQueryTab::kAreaPage);
    QCOMPARE(sheet.Tabs()->currentIndex(), int(CQueryTab::kLimitsPage));
    QCOMPARE(warnings_, QStringList{QString::fromUtf8("Ошибка при вводе годов публикации")});
    Shot(&sheet, "builder-limits");
    sheet.LimitsPage()->years->clear();
    sheet.Tabs()->setCurrentIndex(CQueryTab::kAreaPage);
    QListWidget* sections = sheet.AreaPage()->sections;
    QCOMPARE(sections->count(), 3);
    sections->item(1)->setCheckState(Qt::Checked);
    sections->item(2)->setCheckState(Qt::Checked);
    Shot(&sheet, "builder-area");
    sheet.Tabs()->setCurrentIndex(CQueryTab::kMainPage);
    QCOMPARE(sheet.AreaField()->text(), QString("02.00 OR 03.00"));
    QVERIFY(!sheet.ShowButton()->isEnabled());
    sheet.ShowFound();
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    QCOMPARE(doc.state.foundCount, 132);
    QCOMPARE(doc.state.pageFlag, 0);
    // Another edition clears the area and the search.
    CQueryTab again(doc);
    QVERIFY(again.ShowButton()->isEnabled());
    again.Tabs()->setCurrentIndex(CQueryTab::kAreaPage);
    again.AreaPage()->editions->setCurrentIndex(0);
    QVERIFY(!again.ShowButton()->isEnabled());
    QVERIFY(doc.state.areaText.isEmpty() && doc.state.areaSel.isEmpty());
    QCOMPARE(again.AreaPage()->sections->item(0)->checkState(), Qt::Unchecked);
  }

  void dictionaryWindow() {
    Settings s = app_.settings;
    s.dictionaryPrefix = QString::fromUtf8("ЛЮБОВ");
    s.ignorePoint = true;
    EngineHandle* h = app_.editions.Handle(app_.editions.Count() - 1);
    CDictionaryDialog dlg(h, s);
    QVERIFY(dlg.list->topLevelItemCount() > 1);
    QVERIFY(!dlg.insert->isEnabled() && !dlg.fields[0]->isEnabled());
    Shot(&dlg, "dictionary");
    dlg.all->setChecked(false);
    QCOMPARE(dlg.header->text(), QString::fromUtf8("Список слов"));
    dlg.Browse();  // no field ticked: all fields again
    QVERIFY(dlg.all->isChecked() && !dlg.fields[1]->isEnabled());
    dlg.all->setChecked(false);
    dlg.fields[0]->setChecked(true);
    dlg.fields[1]->setChecked(true);
    dlg.Browse();
    QVERIFY(dlg.list->isColumnHidden(1));
    QVERIFY(dlg.list->topLevelItemCount() > 0);
    dlg.list->setCurrentItem(dlg.list->topLevelItem(0));
    QVERIFY(dlg.insert->isEnabled());
    dlg.search->click();
    QCOMPARE(dlg.outcome(), CDictionaryDialog::kSearch);
    QVERIFY(dlg.ChosenWord().endsWith(" in AU,TI"));
  }

  void historyWindow() {
    QTemporaryDir dir;
    QueryFileState a, b;
    a.queryText = toEngine(QString::fromUtf8("бородин$"));
    a.foundCount = 3;
    b.queryText = toEngine(QString::fromUtf8("душа AND мир"));
    b.limitsText = "(06) IN DT";
    b.foundCount = 12;
    const QByteArray files[] = {WriteQueryFile(a), WriteQueryFile(b), "damaged"};
    for (int k = 0; k < 3; ++k) {
      QFile f(dir.filePath(QString("qx%1.cdq").arg(k)));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(files[k]);
    }
    CQueryHistory dlg(dir.path(), true);
    QCOMPARE(dlg.list->topLevelItemCount(), 3);
    QCOMPARE(dlg.list->topLevelItem(2)->text(0), QString("???"));
    QVERIFY(!dlg.open->isEnabled() && !dlg.replace->isEnabled() && dlg.remove->isEnabled());
    Shot(&dlg, "history");
    dlg.remove->click();
    QCOMPARE(dlg.list->topLevelItemCount(), 2);
    QVERIFY(dlg.replace->isEnabled());
    ui::SetQuestionHook([](const QString&) { return false; });
    dlg.clear->click();
    ui::SetQuestionHook([](const QString&) { return true; });
    QCOMPARE(dlg.list->topLevelItemCount(), 2);
    dlg.andButton->click();
    QCOMPARE(dlg.action(), CQueryHistory::kAnd);
    QCOMPARE(toUi(dlg.text()), QString::fromUtf8("((душа AND мир) AND (06) IN DT)"));
    dlg.Reload();
    dlg.clear->click();
    QCOMPARE(dlg.list->topLevelItemCount(), 0);
  }

 private:
  struct FakeUi : IQueryUi {
    void Message(const QString&) override {}
    bool AskYesNo(const QString&) override { return true; }
    int ShowBuilder(CTolvarDoc&) override { return 2; }
  };
  FakeUi fake_;
};

QTEST_MAIN(TstFrontendWidgets)
#include "tst_frontend_widgets.moc"
