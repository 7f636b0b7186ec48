// The front end's core against the bundled catalog and configuration of the build tree.
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include "codec.h"
#include "config_folder.h"
#include "contents.h"
#include "editions.h"
#include "query_doc.h"
#include "render.h"
#include "rtf.h"
#include "selection.h"
#include "settings.h"
#include "zrteng.h"

using namespace tolvar;

namespace {
const QString kCatalog = TOLVAR_BUILD_DIR "/catalog";
const QString kConfig = TOLVAR_BUILD_DIR "/config";

// Answers the questions as scripted and records what was asked.
struct FakeUi : IQueryUi {
  QStringList said;
  bool yes = true;
  int builder = 2;
  int builderShown = 0;
  void Message(const QString& t) override { said << t; }
  bool AskYesNo(const QString& t) override {
    said << t;
    return yes;
  }
  int ShowBuilder(CTolvarDoc&) override {
    ++builderShown;
    return builder;
  }
};

QByteArray E(const char* utf8) { return toEngine(QString::fromUtf8(utf8)); }
}  // namespace

class TstFrontendCore : public QObject {
  Q_OBJECT
  CEditionList editions_;
  Settings settings_;

 private slots:
  void initTestCase() { QCOMPARE(editions_.OpenEditions(kCatalog), 4); }

  void queryFileRoundTripAndDamage() {
    QueryFileState s;
    s.editionTitle = E("Русская классическая литература");
    s.foundCount = 12;
    s.pageFlag = 1;
    s.queryText = E("война AND мир");
    s.limitsText = "(04) IN DT";
    s.docTypeSel = QByteArray("\x03", 1);
    s.yearsText = "1869";
    s.areaSel = {0, 2, 65535};
    s.marks = {1, 5, 7};
    const QByteArray bytes = WriteQueryFile(s);
    QCOMPARE(bytes.left(6), QByteArray("\x04\x00" "ASDQ", 6));
    QCOMPARE(*ReadQueryFile(bytes), s);
    QCOMPARE(WriteQueryFile(*ReadQueryFile(bytes)), bytes);
    // Every cut either fails or yields a state whose own file is a prefix-consistent
    // subset: never a crash, never marks out of range.
    // A cut file reads once the area count is there: the lists after it keep what is left.
    const qsizetype marksAt = bytes.size() - 4 - 3 * 4;
    const qsizetype areaAt = marksAt - 4 - 3 * 4;
    for (qsizetype n = 0; n < bytes.size(); ++n)
      QCOMPARE(ReadQueryFile(bytes.left(n)).has_value(), n >= areaAt + 4);
    QRandomGenerator rng(7);
    for (int round = 0; round < 3000; ++round) {
      QByteArray d = bytes;
      for (int k = 0; k < 4; ++k) d[rng.bounded(int(d.size()))] = char(rng.bounded(256));
      if (const auto r = ReadQueryFile(d)) {
        QVERIFY(r->marks.size() <= kMaxMarks);
        for (qint32 m : r->marks) QVERIFY(m >= 1);
      }
    }
    // A marks count far beyond the file and one beyond the cap.
    QByteArray huge = bytes.left(marksAt - 4);
    huge += QByteArray("\xff\xff\xff\x7f", 4) + QByteArray(4 * 20000, '\x01');
    QCOMPARE(ReadQueryFile(huge)->marks.size(), 1);  // all equal: one mark
    QByteArray negative = bytes;
    negative[6] = char(0xff), negative[7] = char(0xff);  // title length -1
    QVERIFY(!ReadQueryFile(negative));
  }

  void intervals_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("count");  // -1: refused
    QTest::newRow("list") << "1,3,5-12" << 25 << 10;
    QTest::newRow("separators") << "1; 2\t3 4" << 25 << 4;
    QTest::newRow("range cut at total") << "20-40" << 25 << 6;
    QTest::newRow("all of a small walk") << "1-20000" << 9000 << 9000;
    QTest::newRow("over 10000") << "1-20000" << 15000 << -1;
    QTest::newRow("zero") << "0" << 25 << -1;
    QTest::newRow("beyond total") << "26" << 25 << -1;
    QTest::newRow("backward") << "5-3" << 25 << -1;
    QTest::newRow("not a number") << "a" << 25 << -1;
    QTest::newRow("empty") << "" << 25 << 0;
  }
  void intervals() {
    QFETCH(QString, text);
    QFETCH(int, total);
    QFETCH(int, count);
    const auto r = ParseInterval(text, total);
    QCOMPARE(r ? int(r->size()) : -1, count);
  }

  void portions() {
    Portion p{1, 10, 25};
    QVERIFY(p.CanNext() && !p.CanPrevious());
    p.Next();
    QVERIFY(p.CanNext() && p.CanPrevious());
    p.Next();
    QVERIFY(!p.CanNext());
    QCOMPARE(p.Shown(), 5);
    p.First();
    p.Last();
    QCOMPARE(p.start, 16);
  }

  void catalogScan() {
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& bytes) {
      QFile f(dir.filePath(name));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(bytes);
    };
    // title, second text, field list, empty text, then the short name (or none).
    write("a.cdo", QByteArray("ASDO" "T1\0X\0\x01ID\0\x02TI\0\0Short\0", 24));
    write("b.cdo", QByteArray("ASDO" "T2\0X\0\0\0", 12));
    write("c.cdo", QByteArray("ASDO" "T3\0X\0\0Next\0", 15));  // list ends at once
    write("d.cdo", "ASDX-not-a-description");
    write("e.cdo", "AS");
    const QList<ScannedEdition> found = ScanCatalog(dir.path());
    QCOMPARE(found.size(), 3);
    QCOMPARE(found[0].shortName, "Short");
    QCOMPARE(found[1].shortName, "T2");
    QCOMPARE(found[2].shortName, "Next");
    for (int k = 0; k < 40; ++k) write(QString("z%1.cdo").arg(k, 2, 10, QChar('0')), "ASDO" "Z\0\0\0\0");
    QCOMPARE(ScanCatalog(dir.path()).size(), kMaxEditions);
  }

  void buildQuery() {
    FakeUi ui;
    Settings s = settings_;
    s.morphology = false;
    CTolvarDoc doc(editions_, s, ui);
    doc.state.queryText = "(a) b";
    QCOMPARE(doc.BuildQuery(), QByteArray("(a) b"));
    doc.state.queryText = "a";
    doc.state.limitsText = "(04) IN DT";
    doc.state.areaText = "01.10";
    QCOMPARE(doc.BuildQuery(), QByteArray("(a) AND (04) IN DT AND (01.10) IN DB"));
  }

  // Execute's decision table: mode, the text, the quick-search setting, the answer.
  void execute_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("current");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("quick");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<int>("builderShown");
    QTest::newRow("quick, found, yes") << 1 << QByteArray() << E("бородин$") << true << true << 1 << E("бородин$") << 0;
    QTest::newRow("quick, found, no") << 1 << QByteArray() << E("бородин$") << true << false << 2 << E("бородин$") << 0;
    QTest::newRow("quick, nothing found") << 1 << QByteArray() << QByteArray("qqqzzz") << true << true << 2 << QByteArray("qqqzzz") << 0;
    QTest::newRow("quick, empty text reads") << 1 << QByteArray() << QByteArray() << true << true << 3 << QByteArray() << 0;
    QTest::newRow("quick, same text again") << 1 << E("бородин$") << E("бородин$") << true << true << 2 << E("бородин$") << 0;
    QTest::newRow("OR with empty current") << 2 << QByteArray() << E("мир") << false << true << 2 << E("мир") << 1;
    QTest::newRow("AND with empty current") << 3 << QByteArray() << E("мир") << false << true << 2 << E("мир") << 1;
    QTest::newRow("AND") << 3 << E("война") << E("мир") << false << true << 2 << E("((война)) AND мир") << 1;
    QTest::newRow("OR") << 2 << E("война") << E("мир") << false << true << 2 << E("((война)) OR мир") << 1;
    QTest::newRow("edit shows the builder") << 0 << E("война") << QByteArray() << false << true << 2 << E("война") << 1;
  }
  void execute() {
    QFETCH(int, mode);
    QFETCH(QByteArray, current);
    QFETCH(QByteArray, text);
    QFETCH(bool, quick);
    QFETCH(bool, yes);
    QFETCH(int, result);
    QFETCH(QByteArray, query);
    QFETCH(int, builderShown);
    FakeUi ui;
    ui.yes = yes;
    Settings s = settings_;
    s.morphology = false;
    CTolvarDoc doc(editions_, s, ui);
    QVERIFY(doc.SetEdition(editions_.ShortName(editions_.Count() - 1)));
    doc.state.queryText = current;
    bool changed = false;
    QCOMPARE(doc.Execute(&changed, false, mode, text, doc.editionName, quick), result);
    QCOMPARE(doc.state.queryText, query);
    QCOMPARE(ui.builderShown, builderShown);
  }

  void snapshotRestoredOnCancel() {
    FakeUi ui;
    ui.builder = 2;
    CTolvarDoc doc(editions_, settings_, ui);
    QVERIFY(doc.SetEdition(editions_.ShortName(0)));
    doc.state.queryText = "old";
    bool changed = false;
    QCOMPARE(doc.Execute(&changed, true, kReplace, "new", {}, false), int(kNothing));
    QCOMPARE(doc.state.queryText, QByteArray("old"));
  }

  void marks() {
    FakeUi ui;
    CTolvarDoc doc(editions_, settings_, ui);
    QVERIFY(doc.SetEdition(editions_.ShortName(0)));
    doc.queryMode = false;
    doc.portion = {11, 10, doc.recordCount};
    QCOMPARE(doc.Mark(true, CTolvarDoc::kMarkPortion), 0);
    QCOMPARE(doc.marks.List(), Range(11, 20));
    QCOMPARE(doc.Mark(true, CTolvarDoc::kMarkList, Range(1, doc.recordCount / 2)), 99);
    QCOMPARE(doc.Mark(false, CTolvarDoc::kMarkList, {12, 13}), 0);
    QCOMPARE(doc.marks.Size(), 8);
    // A saved file brings its marks back.
    CTolvarDoc other(editions_, settings_, ui);
    QVERIFY(other.Load(doc.Save()));
    QCOMPARE(other.marks.List(), doc.marks.List());
    QCOMPARE(other.editionName, doc.editionName);
  }

  void unknownEditionMovesToFirst() {
    FakeUi ui;
    CTolvarDoc doc(editions_, settings_, ui);
    QueryFileState s;
    s.editionTitle = "gone";
    s.areaText = "01.10";
    s.areaSel = {1};
    QVERIFY(doc.Load(WriteQueryFile(s)));
    QCOMPARE(doc.editionName, editions_.ShortName(0));
    QVERIFY(doc.state.areaText.isEmpty() && doc.state.areaSel.isEmpty());
  }

  // The default form over a found portion: fields, highlighted words, one heading per
  // section, and the RTF readable by unrtf as by our reader.
  void renderPortion() {
    FakeUi ui;
    Settings s = settings_;
    s.morphology = false;
    CTolvarDoc doc(editions_, s, ui);
    QVERIFY(doc.SetEdition(editions_.ShortName(editions_.Count() - 1)));
    bool changed = false;
    QCOMPARE(doc.Execute(&changed, false, kReplace, E("бородин$"), doc.editionName, true), 1);
    doc.Apply(1);
    QFile form(kConfig + "/" + QString::fromUtf8("Библиография с рефератом.tpl"));
    QVERIFY(form.open(QIODevice::ReadOnly));
    const QByteArray text = form.readAll();
    QVERIFY(FormFields(text).contains("BIB"));
    RenderContext ctx = MakeRenderContext(doc, "Times New Roman", 24, 2, false);
    const RenderResult r = RenderForm(text, ctx);
    QVERIFY(r.rtf.startsWith("{\\rtf1"));
    QCOMPARE(r.shown, doc.portion.Shown());
    QVERIFY(r.rtf.contains("\\cf2"));  // the highlighted query word
    const QString plain = RtfToPlainText(r.rtf);
    QVERIFY(plain.contains(QString::fromUtf8("Бородин"), Qt::CaseInsensitive));
    // unrtf, the independent reader, one document at a time on the full form (it stops
    // early on longer texts); it drops raw 8-bit letters, so the ASCII words are compared.
    QFile full(kConfig + "/" + QString::fromUtf8("Полное описание.tpl"));
    QVERIFY(full.open(QIODevice::ReadOnly));
    const QByteArray fullForm = full.readAll();
    QTemporaryDir dir;
    int compared = 0;
    for (qint32 k = 1; k <= 3; ++k) {
      RenderContext fctx = MakeRenderContext(doc, "Times New Roman", 24, 2, false);
      fctx.start = k, fctx.count = 1;
      const QByteArray fullRtf = RenderForm(fullForm, fctx).rtf;
      QFile out(dir.filePath("p.rtf"));
      QVERIFY(out.open(QIODevice::WriteOnly));
      out.write(fullRtf);
      out.close();
      QProcess unrtf;
      unrtf.start("unrtf", {"--text", out.fileName()});
      if (!unrtf.waitForFinished(20000) || unrtf.exitCode() != 0) QSKIP("unrtf is not installed");
      const QString independent = QString::fromUtf8(unrtf.readAllStandardOutput());
      for (const QString& w : RtfToPlainText(fullRtf).split(QRegularExpression("[^A-Za-z0-9]+"), Qt::SkipEmptyParts)) {
        QVERIFY2(independent.contains(w), qPrintable(w));
        ++compared;
      }
    }
    QVERIFY(compared > 20);
    QTextDocument shown;
    RtfToDocument(r.rtf, &shown, "Times New Roman");
    QCOMPARE(shown.toPlainText().simplified(), QString(plain).replace(QChar(0x2028), '\n').simplified());
  }

  void headingsOncePerSection() {
    RenderContext ctx;
    ctx.handle = editions_.Handle(0);
    ctx.start = 1;
    ctx.count = 3;
    ctx.total = 3;
    const QByteArray form = "${for(1,3,1)}$*dbs_go(_LV0)*[$*rec_content*]${}";
    const QByteArray out = RenderForm(form, ctx).rtf;
    QCOMPARE(ctx.sections.size(), 3);
    QCOMPARE(out.count("[]"), ctx.sections[0] == ctx.sections[1] ? 1 + (ctx.sections[1] == ctx.sections[2]) : 0 + (ctx.sections[1] == ctx.sections[2]));
  }

  void contentsTree() {
    const QList<ContentsEntry> entries = ReadContents(editions_.Handle(0));
    QVERIFY(entries.size() > 30);
    for (const ContentsEntry& e : entries)
      if (e.parent >= 0) QVERIFY(e.code.startsWith(entries[e.parent].code + "."));
    FakeUi ui;
    CTolvarDoc doc(editions_, settings_, ui);
    QVERIFY(doc.SetEdition(editions_.ShortName(0)));
    QVERIFY(doc.JumpToSection(entries[0].code));
    QVERIFY(!doc.queryMode);
    QVERIFY(ZRT_GotoRecord(doc.handle, doc.portion.start) == 0);
    QVERIFY(QByteArray(ZRT_GetDataBySrcNo(doc.handle, ZRT_GetSrcNoByField(doc.handle, "G36"))).startsWith(entries[0].code));
  }

  void selectionText_data() {
    QTest::addColumn<QByteArray>("markup");
    QTest::addColumn<bool>("ignorePoint");
    QTest::addColumn<QByteArray>("query");
    QTest::newRow("word") << QByteArray("word") << true << QByteArray("word");
    QTest::newRow("words") << QByteArray("two words") << true << QByteArray("(two words)");
    QTest::newRow("inner bracket") << QByteArray("f(x)") << true << QByteArray("'f(x)'");
    QTest::newRow("leading bracket") << QByteArray("(x)") << true << QByteArray("(x)");
    QTest::newRow("point counts") << QByteArray("a.b") << false << QByteArray("'a.b'");
    QTest::newRow("point ignored") << QByteArray("a.b") << true << QByteArray("a.b");
    QTest::newRow("symbol escape") << QByteArray("_(x") << true << QByteArray("_(x");
  }
  void selectionText() {
    QFETCH(QByteArray, markup);
    QFETCH(bool, ignorePoint);
    QFETCH(QByteArray, query);
    QCOMPARE(SelectionToQuery(markup, ignorePoint, true), query);
  }

  // Foreign RTF: Unicode escapes with fallbacks, a symbol font, skipped destinations,
  // super- and subscripts, and the way back through the clipboard's RTF.
  void rtfReader() {
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\ftech\\fcharset2 Symbol;}}"
        "{\\info{\\title hidden}}{\\*\\generator x;}\\uc1 \\u1052?\\u1080?\\u1088? {\\f1 a} x{\\super 2}"
        "H{\\sub 2}O a\\\\b\\par next\\tab t}";
    QCOMPARE(RtfToMarkup(rtf), E("Мир _a x{2}H[2]O a~|b\r\nnext~tt"));
    QTextDocument doc;
    RtfToDocument(rtf, &doc, "Times New Roman");
    QCOMPARE(doc.toPlainText(), QString::fromUtf8("Мир α x2H2O a\\b\nnext\tt"));
    QTextCursor all(&doc);
    all.select(QTextCursor::Document);
    QCOMPARE(RtfToMarkup(FragmentToRtf(all.selection())), RtfToMarkup(rtf));
  }

  void settingsDefaultsAndInversions() {
    QTemporaryDir dir;
    QSettings store(dir.filePath("t.ini"), QSettings::IniFormat);
    store.setValue("Settings/QuickSearch", 1);
    Settings s;
    s.Read(store);
    QVERIFY(s.quickSearch && s.morphology && s.autoCloseContent && s.count == 10);
    QCOMPARE(s.screenTemplate, QString::fromUtf8("Библиография с рефератом"));
    s.Write(store);
    QCOMPARE(store.value("Query/Quick Search").toInt(), 1);
    QCOMPARE(FontDescription(s.dialogFont, 96), QString("Arial Cyrillic, 9 pt"));
    ClassificationTable t;
    t.Parse("2003004 0601\n1001001 0111\n");
    QCOMPARE(t.CodeOf("2.3.4"), QString("06.01"));
    QCOMPARE(t.CodeOf("1.1.1"), QString("01.11"));
    QCOMPARE(ChooseForms({"a", "b"}, "x", "b").screenIndex, 0);
    QCOMPARE(ChooseForms({"a", "b"}, "x", "b").printIndex, 2);
  }
};

QTEST_GUILESS_MAIN(TstFrontendCore)
#include "tst_frontend_core.moc"
