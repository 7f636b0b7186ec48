// Rendering one portion of a query document: the output form is expanded by the client
// layer's form resolver, which the document view extends with its own settings (the
// font, the numbering style, the marks, printing).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct EngineHandle;
struct CWordOpCode;

namespace tolvar {

class CTolvarDoc;

struct RenderContext {
  EngineHandle* handle = nullptr;
  const QList<qint32>* foundList = nullptr;  // null in reading mode
  CWordOpCode* opCodes = nullptr;
  const QList<qint32>* marks = nullptr;
  qint32 start = 1, count = 0, total = 0;
  bool queryMode = false, printing = false;
  QByteArray fontFace = "Times New Roman";
  int fontSize = 20;   // half-points
  int titleStyle = 0;  // 1 italic number line, 2 bold
  QList<QByteArray> sections;  // contents code of each document visited
};

// Field codes that the form reads ("$*rec_TI*"), at most 3 characters, in order.
QStringList FormFields(const QByteArray& form);

struct RenderResult {
  QByteArray rtf;
  qint32 shown = 0;     // documents rendered
  bool cut = false;     // fewer documents than asked, for want of room
};
// Expands the form over ctx's portion. When the output would not fit the engine's room,
// the portion is rendered again with fewer documents (never cutting a document's RTF),
// and `cut` says so.
RenderResult RenderForm(const QByteArray& form, RenderContext& ctx);

// The document's render context for its current portion.
RenderContext MakeRenderContext(const CTolvarDoc& doc, const QString& fontFace, int fontSize,
                                int titleStyle, bool printing);

// Document font height (negative: pixels) in half-points.
int HalfPoints(int height, int dpiY);

}  // namespace tolvar
