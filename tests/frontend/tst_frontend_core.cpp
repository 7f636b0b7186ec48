// The front end's core against the bundled catalog and configuration of the build tree.
#include <QJsonDocument>
#include <QJsonObject>
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
#include "dictionary.h"
#include "history.h"
#include "query_limits.h"
#include "editions.h"
#include "query_doc.h"
#include "render.h"
#include "rtf.h"
#include "selection.h"
#include "settings.h"
#include "client/word_listing.h"
#include "zrteng.h"

using namespace tolvar;

namespace {
const QString kCatalog = TOLVAR_BUILD_DIR "/catalog";
const QString kConfig = TOLVAR_BUILD_DIR "/config";

// Answers the questions as scripted and records what was asked.
struct FakeUi : IQueryUi {
  QStringList said;
  bool yes = true;
  int builderShown = 0;
  void Message(const QString& t) override { said << t; }
  bool AskYesNo(const QString& t) override {
    said << t;
    return yes;
  }
  int ShowBuilder(CTolvarDoc&) override {
    ++builderShown;
    return kNothing;  // the builder closed without a search
  }
};

QByteArray E(const char* utf8) { return toEngine(QString::fromUtf8(utf8)); }

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}
}  // namespace

class TstFrontendCore : public QObject {
  Q_OBJECT
  CEditionList editions_;
  Settings settings_;

 private slots:
  void initTestCase() {
    QCOMPARE(editions_.OpenEditions(kCatalog), 4);
    CDat_SetQParam('$', 1, 1, 0);  // the program's defaults: dotted codes are words
  }

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
    auto write = [&](const QString& name, const QByteArray& bytes) { WriteFile(dir.filePath(name), bytes); };
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
    CTolvarDoc doc(editions_, settings_, ui);
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
    QTest::addColumn<bool>("snapshot");  // kept before and restored when nothing comes of it
    QTest::newRow("quick, found, yes") << 1 << QByteArray() << E("бородин$") << true << true << 1 << E("бородин$") << 0 << false;
    QTest::newRow("quick, found, no") << 1 << QByteArray() << E("бородин$") << true << false << 2 << E("бородин$") << 0 << false;
    QTest::newRow("quick, nothing found") << 1 << QByteArray() << QByteArray("qqqzzz") << true << true << 2 << QByteArray("qqqzzz") << 0 << false;
    QTest::newRow("quick, empty text reads") << 1 << QByteArray() << QByteArray() << true << true << 3 << QByteArray() << 0 << false;
    QTest::newRow("quick, same text again") << 1 << E("бородин$") << E("бородин$") << true << true << 2 << E("бородин$") << 0 << false;
    QTest::newRow("OR with empty current") << 2 << QByteArray() << E("мир") << false << true << 2 << E("мир") << 1 << false;
    QTest::newRow("AND with empty current") << 3 << QByteArray() << E("мир") << false << true << 2 << E("мир") << 1 << false;
    QTest::newRow("AND") << 3 << E("война") << E("мир") << false << true << 2 << E("((война)) AND мир") << 1 << false;
    QTest::newRow("OR") << 2 << E("война") << E("мир") << false << true << 2 << E("((война)) OR мир") << 1 << false;
    QTest::newRow("edit shows the builder") << 0 << E("война") << QByteArray() << false << true << 2 << E("война") << 1 << false;
    QTest::newRow("builder cancelled") << 1 << QByteArray("old") << QByteArray("new") << false << true << 2 << QByteArray("old") << 1 << true;
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
    QFETCH(bool, snapshot);
    FakeUi ui;
    ui.yes = yes;
    CTolvarDoc doc(editions_, settings_, ui);
    QVERIFY(doc.SetEdition(editions_.ShortName(editions_.Count() - 1)));
    doc.state.queryText = current;
    bool changed = false;
    QCOMPARE(doc.Execute(&changed, snapshot, mode, text, doc.editionName, quick), result);
    QCOMPARE(doc.state.queryText, query);
    QCOMPARE(ui.builderShown, builderShown);
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
    CTolvarDoc doc(editions_, settings_, ui);
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

  void years_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("years");  // "-": refused (string 35)
    const QString next = QString::number(LastAcceptedYear());
    QTest::newRow("one") << "2020" << "2020";
    QTest::newRow("range") << "1995-1996" << "1995 1996";
    QTest::newRow("separators") << "1836;1840, 1909  1910-1911" << "1836 1840 1909 1910 1911";
    QTest::newRow("first accepted") << "1000" << "1000";
    QTest::newRow("next year") << next << next;
    QTest::newRow("after next year") << QString::number(LastAcceptedYear() + 1) << "-";
    QTest::newRow("range end after next year") << "2000-" + QString::number(LastAcceptedYear() + 1) << "-";
    QTest::newRow("before 1000") << "999" << "-";
    QTest::newRow("backwards") << "1999-1998" << "-";
    QTest::newRow("more years than a query holds") << "1700-1850 1900-1950" << "-";
    QTest::newRow("no number") << "abc" << "-";
    QTest::newRow("open range") << "1995-" << "-";
    QTest::newRow("trailing letters") << "1995x" << "-";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("128 characters") << QString("1995,").repeated(25) + "199" << "-";
  }
  void years() {
    QFETCH(QString, text);
    QFETCH(QString, years);
    const auto got = ParseYears(text, LastAcceptedYear());
    QString shown = "-";
    if (got) {
      QStringList l;
      for (int y : *got) l << QString::number(y);
      shown = l.join(' ');
    }
    QCOMPARE(shown, years);
  }

  void limitsText_data() {
    QTest::addColumn<QByteArray>("docTypes");
    QTest::addColumn<QByteArray>("countries");
    QTest::addColumn<QByteArray>("languages");
    QTest::addColumn<QString>("years");
    QTest::addColumn<QString>("text");
    QTest::newRow("example") << QByteArray("\x00\x01", 2) << QByteArray() << QByteArray("\x0c")
                             << "1995-1996" << "(01 OR 02) IN DT AND (РУС) IN LA AND (1995 OR 1996) IN PY";
    QTest::newRow("countries only") << QByteArray() << QByteArray("\x0f\x19") << QByteArray() << ""
                                    << "(RU OR JP) IN CC";
    QTest::newRow("last entries") << QByteArray("\x0a") << QByteArray("\x19") << QByteArray("\x0e\x14")
                                  << "1909" << "(14) IN DT AND (JP) IN CC AND (СЕРБ.-ХОРВ OR ЯП) IN LA AND (1909) IN PY";
    QTest::newRow("nothing") << QByteArray() << QByteArray() << QByteArray() << "" << "";
  }
  void limitsText() {
    QFETCH(QByteArray, docTypes);
    QFETCH(QByteArray, countries);
    QFETCH(QByteArray, languages);
    QFETCH(QString, years);
    QFETCH(QString, text);
    QCOMPARE(toUi(LimitsText(docTypes, countries, languages, *ParseYears(years, 2030))), text);
  }

  // Limits and area against an independent count of the edition's source records.
  void limitsAndAreaFind_data() {
    QTest::addColumn<QByteArray>("docTypes");
    QTest::addColumn<QString>("years");
    QTest::addColumn<QList<quint16>>("area");
    QTest::newRow("books") << QByteArray("\x04") << "" << QList<quint16>{};
    QTest::newRow("books and articles of years") << QByteArray("\x00\x04") << "1836-1841,1909" << QList<quint16>{};
    QTest::newRow("two sections") << QByteArray() << "" << QList<quint16>{1, 2};
    QTest::newRow("section and years") << QByteArray() << "1850-1880" << QList<quint16>{0};
  }
  void limitsAndAreaFind() {
    QFETCH(QByteArray, docTypes);
    QFETCH(QString, years);
    QFETCH(QList<quint16>, area);
    FakeUi ui;
    CTolvarDoc doc(editions_, settings_, ui);
    QVERIFY(doc.SetEdition(editions_.ShortName(editions_.Count() - 1)));
    ClassificationTable table;
    QVERIFY(table.Load(kConfig + "/classification.txt"));
    const QList<AreaSection> sections = AreaSections(doc.handle, table);
    QCOMPARE(sections.size(), 3);
    QCOMPARE(sections[0].line, QString::fromUtf8("Художественная литература (01.00)"));
    const QList<int> yearList = *ParseYears(years, 2030);
    doc.state.queryText = E("РУС");
    doc.state.limitsText = LimitsText(docTypes, {}, {}, yearList);
    doc.state.areaText = AreaText(sections, area);
    QVERIFY(doc.RunQuery());
    QStringList types, codes;
    for (char t : docTypes) types << Limits(kDocTypes).entries[int(t)].code;
    for (quint16 a : area) codes << QString::fromLatin1(sections[a].code);
    QFile f(TOLVAR_SOURCE_DIR "/samples/ruslit/editions/ruslit.jsonl");
    QVERIFY(f.open(QIODevice::ReadOnly));
    int expected = 0;
    while (!f.atEnd()) {
      const QJsonObject r = QJsonDocument::fromJson(f.readLine()).object();
      const QStringList db = r["DB"].toString().split(' ');
      expected += r["LA"].toString() == QString::fromUtf8("РУС") && (types.isEmpty() || types.contains(r["DT"].toString())) &&
                  (yearList.isEmpty() || yearList.contains(r["PY"].toString().toInt())) &&
                  (codes.isEmpty() || std::any_of(codes.begin(), codes.end(),
                                                  [&](const QString& c) { return db.contains(c); }));
    }
    QVERIFY(expected > 0);
    QCOMPARE(doc.state.foundCount, expected);
  }

  void historyList() {
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& bytes) { WriteFile(dir.filePath(name), bytes); };
    QueryFileState a;
    a.queryText = "a OR b";
    a.limitsText = "(04) IN DT";
    a.areaText = "01.00 OR 02.00";
    a.foundCount = 12;
    QueryFileState b;
    b.queryText = "(c)";
    b.foundCount = 3;
    write("qx2.cdq", WriteQueryFile(b));
    write("qx1.cdq", WriteQueryFile(a));
    write("qx3.cdq", "damaged");
    write("other.cdq", WriteQueryFile(a));
    const QList<HistoryEntry> list = ReadHistory(dir.path());
    QCOMPARE(list.size(), 3);
    QCOMPARE(list[0].text, QByteArray("(a OR b) AND (04) IN DT AND (01.00 OR 02.00) IN DB"));
    QCOMPARE(list[0].found, 12);
    QCOMPARE(list[1].text, QByteArray("(c)"));
    QVERIFY(!list[2].readable);
    QCOMPARE(list[2].text, QByteArray("???"));
    QVERIFY(ClearHistory(dir.path()));
    QVERIFY(ReadHistory(dir.path()).isEmpty());
    QVERIFY(QFile::exists(dir.filePath("other.cdq")));
    // AND and OR enclose what one pair of parentheses does not enclose already.
    QCOMPARE(CombinedHistoryText("a OR b", false), QByteArray("a OR b"));
    QCOMPARE(CombinedHistoryText("(a OR b)", true), QByteArray("(a OR b)"));
    QCOMPARE(CombinedHistoryText("(a) OR (b)", true), QByteArray("((a) OR (b))"));
  }

  // With size 30 the 61st file prunes to the 30 newest; names follow each other within
  // a second and keep increasing across the turn of a year.
  void historyNamesAndPruning() {
    QTemporaryDir dir;
    const QDateTime now(QDate(2026, 12, 31), QTime(23, 59, 59));
    for (int k = 0; k < 61; ++k) {
      QFile f(dir.filePath(QString("qx%1.cdq").arg(k, 3, 10, QChar('0'))));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.setFileTime(now.addSecs(k - 100), QFileDevice::FileModificationTime);
    }
    const QString first = NewHistoryFile(dir.path(), HistoryLimit(0), now);
    QStringList left = QDir(dir.path()).entryList({"qx*.cdq"}, QDir::Files, QDir::Name);
    QCOMPARE(left.size(), 30);
    QCOMPARE(left.first(), QString("qx031.cdq"));
    QVERIFY(QFile(first).open(QIODevice::WriteOnly));
    const QString second = NewHistoryFile(dir.path(), 30, now);
    const QString stem = QFileInfo(first).completeBaseName().mid(2);
    QCOMPARE(QFileInfo(second).completeBaseName().mid(2), ToBase36(stem.toULongLong(nullptr, 36) + 1));
    const QString nextYear = QFileInfo(NewHistoryFile(dir.path(), 30, now.addSecs(2))).fileName();
    QVERIFY(nextYear > QFileInfo(second).fileName());
    QCOMPARE(HistoryLimit(250), 100);
    QCOMPARE(HistoryLimit(-3), 30);
  }

  void dictionaryRules_data() {
    QTest::addColumn<unsigned>("mask");
    QTest::addColumn<bool>("ignorePoint");
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<QByteArray>("list");
    QTest::newRow("all fields") << 0u << true << QByteArray("WORD") << QByteArray();
    QTest::newRow("AU TI, ignore point") << 3u << true << QByteArray("WORD in AU,TI") << QByteArray("AU,TI,");
    QTest::newRow("AU TI") << 3u << false << QByteArray("WORD.AU,TI") << QByteArray("AU,TI,");
    QTest::newRow("every box") << 63u << false << QByteArray("WORD.AU,TI,SO,KW,AB,CL")
                               << QByteArray("AU,TI,SO,KW,AB,CL,");
  }
  void dictionaryRules() {
    QFETCH(unsigned, mask);
    QFETCH(bool, ignorePoint);
    QFETCH(QByteArray, word);
    QFETCH(QByteArray, list);
    QCOMPARE(ChosenWord("WORD\t12\t30", mask, ignorePoint), word);
    QCOMPARE(DictionaryFieldList(mask), list);
  }

  // The roots under the truncation settings, and the listing against ZRT_ListWords.
  void dictionaryListing_data() {
    QTest::addColumn<bool>("autoCut");
    QTest::addColumn<bool>("autoCutDict");
    QTest::addColumn<QByteArray>("root");
    QTest::addColumn<bool>("prefix");  // lists every word that begins with the root
    QTest::newRow("dictionary cut") << false << true << E("ЛЮБОВ$") << true;
    QTest::newRow("no cut") << false << false << E("ЛЮБОВЬ") << false;
    QTest::newRow("query cut only") << true << false << E("ЛЮБОВЬ") << false;
    QTest::newRow("both") << true << true << E("ЛЮБОВ") << true;
  }
  void dictionaryListing() {
    QFETCH(bool, autoCut);
    QFETCH(bool, autoCutDict);
    QFETCH(QByteArray, root);
    QFETCH(bool, prefix);
    Settings s = settings_;
    s.autoCut = autoCut;
    s.autoCutDict = autoCutDict;
    const QByteArray typed = prefix ? E("ЛЮБОВ") : E("ЛЮБОВЬ");
    QCOMPARE(PrepareRoot(typed, s).root, root);
    CDat_SetQParam('$', 1, 1, autoCut);
    EngineHandle* h = editions_.Handle(editions_.Count() - 1);
    const QList<DictionaryRow> rows = ListDictionary(h, typed, 0, s);
    char cut;
    int32_t point, operators, auto_;
    CDat_GetQParam(&cut, &point, &operators, &auto_);
    QCOMPARE(auto_, int32_t(autoCut));
    std::vector<zrt::client::WordRow> all;
    std::string error;
    QVERIFY(zrt::client::ListAllWords(h, typed.toStdString(), &all, &error));
    if (!prefix) std::erase_if(all, [&](const auto& r) { return QByteArray::fromStdString(r.word) != typed; });
    QCOMPARE(rows.size(), qsizetype(all.size()));
    QVERIFY(rows.size() > 0);
    for (qsizetype k = 0; k < rows.size(); ++k) {
      QCOMPARE(rows[k].word, QByteArray::fromStdString(all[k].word));
      QCOMPARE(rows[k].documents, all[k].documents);
      QCOMPARE(rows[k].frequency, all[k].occurrences);
    }
    // Restricted to titles: only words that occur in the title field.
    const uint8_t title = ZRT_GetSrcNoByField(h, "TI");
    const auto inTitle = [&](const auto& w) { return w.fieldMask >> (title - 1) & 1; };
    QCOMPARE(ListDictionary(h, typed, 2, s).size(), std::count_if(all.begin(), all.end(), inTitle));
    CDat_SetQParam('$', 1, 1, 0);
  }
};

QTEST_GUILESS_MAIN(TstFrontendCore)
#include "tst_frontend_core.moc"
