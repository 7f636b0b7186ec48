#include "query_doc.h"

#include <QFile>
#include <cstring>

#include "codec.h"
#include "editions.h"
#include "history.h"
#include "settings.h"
#include "string_table.h"
#include "zrteng.h"

namespace tolvar {

namespace {
// The engine's word callback carries no context: the document that runs routes it here
// for the length of one query.
IQueryUi* g_wordSink = nullptr;
void OnWord(int32_t index, int32_t documents, int32_t occurrences, const char* word) {
  if (!g_wordSink || index < 0 || !word) return;
  g_wordSink->WordFound(
      Str(33).replace("%s", toUi(word)).replace("%ld док", QString::number(documents) + " док")
          .replace("%ld свп", QString::number(occurrences) + " свп"));
}
}  // namespace

QByteArray TrimmedQueryText(const QByteArray& text) {
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return text;
  return {};
}

CTolvarDoc::CTolvarDoc(CEditionList& editions, const Settings& settings, IQueryUi& ui,
                       DZContext* morphology)
    : editions_(editions), settings_(settings), ui_(ui), morphology_(morphology),
      opCodes_(std::make_unique<CWordOpCode>()) {
  CWordOpCode_build(opCodes_.get());
  portion.count = settings.count;
}

CTolvarDoc::~CTolvarDoc() { CWordOpCode_destroy(opCodes_.get()); }

QString CTolvarDoc::FoundText() const {
  return hasFoundList && state.foundCount > 0 ? QString::number(state.foundCount) : Str(14);
}

bool CTolvarDoc::SetEdition(const QString& shortName) {
  const QString t = editions_.TitleOf(shortName);
  EngineHandle* h = editions_.HandleOfTitle(t);
  if (!h) return false;
  editionName = shortName;
  state.editionTitle = toEngine(t);
  handle = h;
  recordCount = ZRT_GetNumRecords(h);
  return true;
}

QByteArray WrapQueryText(const QByteArray& text) {
  if (text.isEmpty() || text.startsWith('(') || text.endsWith(')')) return text;
  return "(" + text + ")";
}

QByteArray ComposeQuery(const QByteArray& query, const QByteArray& limits, const QByteArray& area) {
  QByteArray q = query;
  if (!limits.isEmpty()) q += (q.isEmpty() ? "" : " AND ") + limits;
  if (!area.isEmpty()) q += (q.isEmpty() ? "(" : " AND (") + area + ") IN DB";
  return q;
}

QByteArray CTolvarDoc::BuildQuery() const {
  QByteArray q = WrapQueryText(state.queryText);
  if (!q.isEmpty() && settings_.morphology && morphology_) {
    QByteArray out(q.size() * DZ_EXPAND_FACTOR + 1, '\0');
    DZExpandQuery(q.constData(), out.data(), morphology_, 0);
    q = QByteArray(out.constData());
  }
  return ComposeQuery(q, state.limitsText, state.areaText);
}

void CTolvarDoc::DropFoundList() {
  foundList.clear();
  hasFoundList = false;
  state.foundCount = -1;
}

bool CTolvarDoc::RunQuery() {
  if (!handle) return false;
  DropFoundList();
  foundEdition = state.editionTitle;
  if (state.queryText.isEmpty()) {
    ui_.Message(Str(21));
    return false;
  }
  ui_.WaitCursor(true);
  CWordOpCode_Clear(opCodes_.get());
  g_wordSink = &ui_;
  const QByteArray q = BuildQuery();
  const int rc = ZRT_SetQueryByString(handle, q.constData(), 0, nullptr, opCodes_.get(), OnWord);
  g_wordSink = nullptr;
  ui_.WaitCursor(false);
  if (rc != 0) {
    ui_.Message(Str(18));
    return false;
  }
  state.foundCount = ZRT_GetNumFoundRecords(handle);
  if (state.foundCount > 0) {
    foundList.resize(state.foundCount);
    const qint32 n = ZRT_BuildList(handle, foundList.data(), state.foundCount);
    foundList.resize(qMax(0, n));
    hasFoundList = true;
  }
  if (changed && !historyFolder.isEmpty()) {
    QFile f(NewHistoryFile(historyFolder, historyLimit, QDateTime::currentDateTime()));
    if (f.open(QIODevice::WriteOnly)) f.write(Save());
    changed = false;
  }
  return true;
}

int CTolvarDoc::Execute(bool* changedOut, bool keepSnapshot, int mode, const QByteArray& text,
                        const QString& edition, bool forceQuickSearch) {
  bool stepChanged = false;
  builderCaption = Str(10) + title;
  const QByteArray snapshot = keepSnapshot ? Save() : QByteArray();
  bool switched = false;
  if (!edition.isEmpty() && edition != editionName && SetEdition(edition)) switched = true;
  const bool quick = forceQuickSearch || settings_.quickSearch;
  const QByteArray oldText = state.queryText;

  int result;
  if (mode == kNoText) {
    if (settings_.autoRun && !state.queryText.isEmpty() && RunQuery() && state.foundCount > 0)
      result = kShowFound;
    else
      result = ui_.ShowBuilder(*this);
  } else {
    if (!text.isEmpty()) stepChanged = Combine(mode, text);
    stepChanged = stepChanged || switched;
    changed = stepChanged;
    // An empty text runs nothing: "Чтение" with an empty field must reach reading mode.
    if (stepChanged && quick && !text.isEmpty()) {
      if (!RunQuery()) {
        result = kNothing;
      } else if (state.foundCount > 0) {
        result = settings_.autoShow ||
                         ui_.AskYesNo(Str(28).replace("%d", QString::number(state.foundCount)))
                     ? kShowFound
                     : kNothing;
      } else {
        ui_.Message(Str(85));
        result = kNothing;
      }
    } else if (quick && !edition.isEmpty() && recordCount > 0) {
      result = (!switched && text == oldText && !text.isEmpty()) ? kNothing : kShowReading;
    } else {
      result = ui_.ShowBuilder(*this);
    }
  }
  if (changedOut) *changedOut = *changedOut || stepChanged;
  if (result == kNothing && keepSnapshot) {
    if (!Load(snapshot) || (state.pageFlag == 1 && !RunQuery())) ui_.Message(Str(17));
  }
  return result;
}

bool CTolvarDoc::Combine(int mode, const QByteArray& text) {
  const QByteArray current = BuildQuery();
  QByteArray formed = text;
  // An empty current query leaves the new text alone for AND as for OR: "() AND x"
  // would not parse.
  if (mode == kOr && !current.isEmpty()) formed = "(" + current + ") OR " + text;
  if (mode == kAnd && !current.isEmpty()) formed = "(" + current + ") AND " + text;
  const bool differs = formed != state.queryText;
  state.queryText = formed;
  ClearLimits();
  state.areaText.clear();
  state.areaExtraText.clear();
  state.areaSel.clear();
  DropFoundList();
  return differs;
}

void CTolvarDoc::ClearLimits() {
  state.yearsText.clear();
  state.limitsText.clear();
  state.limitsExtraText.clear();
  state.docTypeSel.clear();
  state.countrySel.clear();
  state.languageSel.clear();
}

void CTolvarDoc::Apply(int result) {
  if (result == kNothing) return;
  queryMode = result == kShowFound;
  if (queryChanged) marks.Clear();
  queryChanged = false;
  portion.count = settings_.count;
  portion.total = Total();
  portion.First();
}

QByteArray CTolvarDoc::Save() const {
  QueryFileState s = state;
  s.marks = marks.List();
  return WriteQueryFile(s);
}

bool CTolvarDoc::Load(QByteArrayView bytes) {
  std::optional<QueryFileState> s = ReadQueryFile(bytes);
  if (!s) return false;
  const QString t = toUi(s->editionTitle);
  EngineHandle* h = editions_.HandleOfTitle(t);
  QString name = editions_.ShortNameOf(t);
  if (!h) {
    if (editions_.Count() == 0) return false;
    // The saved edition left the catalog: the query moves to the first one, whose
    // sections are not the saved area's.
    h = editions_.Handle(0);
    name = editions_.ShortName(0);
    s->editionTitle = toEngine(editions_.Title(0));
    s->areaSel.clear();
    s->areaText.clear();
    s->areaExtraText.clear();
    s->foundCount = 0;
  }
  const QList<qint32> savedMarks = s->marks;
  state = std::move(*s);
  state.marks.clear();
  editionName = name;
  handle = h;
  foundList.clear();
  hasFoundList = false;
  recordCount = ZRT_GetNumRecords(h);
  marks.Set(savedMarks);
  return true;
}

bool CTolvarDoc::JumpToSection(const QByteArray& code) {
  if (!handle) return false;
  // Restricted to the contents field: a one-number code, truncated, also begins years
  // and ordinals of other fields.
  const QByteArray q = "('" + code + "$') IN G36";
  qint32 first = 1;
  if (ZRT_SetQueryByString(handle, q.constData(), 0, nullptr, nullptr, nullptr) == 0 &&
      ZRT_GetNumFoundRecords(handle) > 0)
    ZRT_BuildList(handle, &first, 1);
  queryMode = false;
  portion.count = settings_.count;
  portion.total = recordCount;
  portion.start = qMax(1, first);
  return true;
}

qint32 CTolvarDoc::RecordOf(qint32 n) const {
  if (n < 1) return -1;
  if (queryMode) return n <= foundList.size() ? foundList[n - 1] : -1;
  return n <= recordCount ? n : -1;
}

int CTolvarDoc::Mark(bool set, MarkWhat what, const QList<qint32>& list) {
  QList<qint32> numbers;
  const qint32 total = Total();
  if (what == kMarkAll) numbers = Range(1, total);
  if (what == kMarkPortion) numbers = Range(portion.start, qMin(total, portion.start + portion.count - 1));
  if (what == kMarkList) {
    numbers = list;
    if (set && !queryMode && numbers.size() > recordCount / 2 - marks.Size()) return 99;
  }
  if (!set) {
    marks.Unset(numbers);
    return 0;
  }
  return marks.Set(numbers) ? 0 : 31;
}

}  // namespace tolvar
