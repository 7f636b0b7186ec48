// CTolvarDoc: one query document. Its query state (edition, texts, limits and area, the
// found list, the words' highlighting op-codes), the walk through it in portions, the
// marks, and the query steps: BuildQuery, RunQuery and Execute, which combine a new text
// with the current query and decide what the window shows next.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "marks.h"
#include "query_file.h"

struct EngineHandle;
struct CWordOpCode;
struct DZContext;

namespace tolvar {

class CEditionList;
struct Settings;

// What the query steps ask the user. The widgets implement it, the tests fake it.
class IQueryUi {
 public:
  virtual ~IQueryUi() = default;
  virtual void Message(const QString& text) = 0;
  virtual bool AskYesNo(const QString& text) = 0;
  // Shows the query builder on the document; 1 = "Показать" after a search that found
  // documents, 2 = "Отмена".
  virtual int ShowBuilder(class CTolvarDoc& doc) = 0;
  // A word of the running query (string 33 line) while the builder is open.
  virtual void WordFound(const QString& /*line*/) {}
  virtual void WaitCursor(bool /*on*/) {}
};

enum ExecuteResult { kShowFound = 1, kNothing = 2, kShowReading = 3 };
enum CombineMode { kNoText = 0, kReplace = 1, kOr = 2, kAnd = 3 };

class CTolvarDoc {
 public:
  CTolvarDoc(CEditionList& editions, const Settings& settings, IQueryUi& ui,
             DZContext* morphology = nullptr);
  ~CTolvarDoc();

  // The query state, texts in Windows-1251 as the engine and the files take them.
  QueryFileState state;
  QString editionName;
  EngineHandle* handle = nullptr;
  qint32 recordCount = 0;
  QList<qint32> foundList;
  bool hasFoundList = false;
  QByteArray foundEdition;
  bool changed = false;  // the last combination step changed the query

  QString title;
  bool queryChanged = false;
  bool queryMode = true;
  Portion portion;
  MarkSet marks;
  int formIndex = 0;
  QByteArray selectionText;
  QString historyFolder;
  int historyLimit = 30;
  QString builderCaption;

  QString FoundText() const;
  qint32 Total() const { return queryMode ? qint32(foundList.size()) : recordCount; }
  CWordOpCode* OpCodes() const { return opCodes_.get(); }

  // Sets the edition by short name; false when it is not open.
  bool SetEdition(const QString& shortName);
  QByteArray BuildQuery() const;
  bool RunQuery();
  int Execute(bool* changedOut, bool keepSnapshot, int mode, const QByteArray& text,
              const QString& edition, bool forceQuickSearch = false);
  // Combines a new text with the query as a selection command does (replace, OR, AND):
  // the limits and the area are cleared and the found list dropped. True when the query
  // text changed.
  bool Combine(int mode, const QByteArray& text);
  // Clears the years, the limits texts and the three limit selections.
  void ClearLimits();
  void DropFoundList();
  // Applies an Execute result: the walk's mode, marks dropped on a changed query, the
  // portion back to the first.
  void Apply(int result);

  bool Load(QByteArrayView bytes);
  QByteArray Save() const;

  // Section jump: reading mode from the first record whose contents field begins with
  // the code; false without an engine handle.
  bool JumpToSection(const QByteArray& code);
  // Record number of walk position n (1-based), or -1.
  qint32 RecordOf(qint32 n) const;

  // Marks with the dialog's choices; returns 0, or the number of the string to show
  // (31 when the marks were capped, 99 for more than half an edition in reading mode).
  enum MarkWhat { kMarkAll, kMarkPortion, kMarkList };
  int Mark(bool set, MarkWhat what, const QList<qint32>& list = {});

 private:
  CEditionList& editions_;
  const Settings& settings_;
  IQueryUi& ui_;
  DZContext* morphology_;
  std::unique_ptr<CWordOpCode> opCodes_;
};

// "(" + text + ")" unless the text begins with "(" or ends with ")".
QByteArray WrapQueryText(const QByteArray& text);
// The engine query of a (wrapped or expanded) query text, the limits and the search area,
// each joined with " AND " to what precedes it.
QByteArray ComposeQuery(const QByteArray& query, const QByteArray& limits, const QByteArray& area);

// Quick-search text: empty when it holds only blanks, tabs and line ends.
QByteArray TrimmedQueryText(const QByteArray& text);

}  // namespace tolvar
