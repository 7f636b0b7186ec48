#include "render.h"

#include <cstring>
#include <memory>

#include "codec.h"
#include "contents.h"
#include "query_doc.h"
#include "zrteng.h"

namespace tolvar {

namespace {
intptr_t Integer(int32_t* kind, qint64 v) {
  *kind = ZRT_FORM_INTEGER;
  return intptr_t(v);
}
intptr_t Text(RenderContext& c, int32_t* kind, QByteArray text) {
  *kind = ZRT_FORM_STRING;
  c.answer = std::move(text);
  return reinterpret_cast<intptr_t>(c.answer.constData());
}
QByteArray ToRtf(const QByteArray& markup) {
  QByteArray out(markup.size() * 10 + 1, '\0');
  OrvToRtf(out.data(), markup.constData());
  return QByteArray(out.constData());
}
bool Marked(const RenderContext& c, qint64 n) { return c.marks && c.marks->contains(qint32(n)); }

QByteArray FieldText(RenderContext& c, const char* code) {
  uint8_t no = ZRT_GetNoByField(c.handle, code);
  const char* data = no ? ZRT_GetDataByNo(c.handle, no) : nullptr;
  if (!no) {
    no = ZRT_GetSrcNoByField(c.handle, code);
    data = no ? ZRT_GetDataBySrcNo(c.handle, no) : nullptr;
  }
  if (!data) return {};
  const size_t n = std::strlen(data);
  QByteArray marked(qsizetype(n + ZRT_HIGH_EXTRA), '\0');
  LStrHigh(data, marked.data(), c.opCodes, no, 1, 4, 0, 0);
  return ToRtf(QByteArray(marked.constData()));
}

QByteArray Heading(RenderContext& c) {
  QByteArray title;
  const QByteArray code = SectionOfCurrentRecord(c.handle, &title);
  if (title.isEmpty()) return {};
  const qsizetype n = c.sections.size();
  if (n == 1 || (n >= 2 && c.sections[n - 2] != code)) return ToRtf(title);
  return {};
}
}  // namespace

intptr_t ResolveName(void* context, const char* name, int32_t* kind, const intptr_t* args,
                     int32_t count) {
  RenderContext& c = *static_cast<RenderContext*>(context);
  const qint64 n = count > 0 ? qint64(args[0]) : 0;
  const QByteArrayView v(name);
  if (v == "env_istart") return Integer(kind, c.start);
  if (v == "env_icount") return Integer(kind, c.count);
  if (v == "env_fname") return Text(c, kind, c.fontFace);
  if (v == "env_fsize") return Integer(kind, c.fontSize);
  if (v == "env_nummode") {
    QByteArray mode;
    if (c.titleStyle & 1) mode += "\\i";
    if (c.titleStyle & 2) mode += "\\b";
    return Text(c, kind, mode);
  }
  if (v == "dbs_fnd") return Integer(kind, c.total);
  if (v == "dbs_mark") return Integer(kind, Marked(c, n));
  if (v == "dbs_print") return Integer(kind, !c.printing || Marked(c, n));
  if (v == "dbs_pmark") return Integer(kind, !c.printing);
  if (v == "dbs_rno") return Integer(kind, n);
  if (v == "dbs_go") {
    qint64 record = n;
    if (c.queryMode && c.foundList) record = n >= 1 && n <= c.foundList->size() ? (*c.foundList)[n - 1] : -1;
    if (c.handle && record > 0) ZRT_GotoRecord(c.handle, int32_t(record));
    c.sections << (c.handle ? SectionOfCurrentRecord(c.handle, nullptr) : QByteArray());
    return Text(c, kind, {});
  }
  // A field whose code is "content" wins over the heading, as the field look-up comes first.
  if (v.startsWith("rec_") && c.handle) {
    const char* code = name + 4;
    if (ZRT_GetNoByField(c.handle, code) || ZRT_GetSrcNoByField(c.handle, code))
      return Text(c, kind, FieldText(c, code));
    if (v == "rec_content") return Text(c, kind, Heading(c));
  }
  return Text(c, kind, {});
}

QStringList FormFields(const QByteArray& form) {
  QStringList codes;
  for (qsizetype at = form.indexOf('$'); at >= 0; at = form.indexOf('$', at + 1)) {
    if (at + 5 >= form.size() || (form[at + 1] != '*' && form[at + 1] != '#')) continue;
    if (form.mid(at + 2, 4) != "rec_") continue;
    const qsizetype from = at + 6;
    qsizetype end = from;
    while (end < form.size() && form[end] != '*' && form[end] != '#') ++end;
    if (end < form.size() && end - from <= 3) codes << QString::fromLatin1(form.mid(from, end - from));
  }
  return codes;
}

RenderResult RenderForm(const QByteArray& form, RenderContext& ctx) {
  RenderResult r;
  std::unique_ptr<char[]> out(new char[ZRT_FORM_ROOM]);
  const qint32 wanted = ctx.count;
  for (;;) {
    ctx.sections.clear();
    int32_t loops[ZRT_FORM_LOOPS] = {};
    const int32_t n = PParseForm(form.constData(), 0, int32_t(form.size()), out.get(), &ctx,
                                 loops, -1, ResolveName);
    // The expander stops one byte short of its room when it had to cut.
    if (n < ZRT_FORM_ROOM - 1 || ctx.count <= 1) {
      r.rtf = QByteArray(out.get(), qMax(0, n));
      r.shown = ctx.count;
      r.cut = ctx.count < wanted || n >= ZRT_FORM_ROOM - 1;
      return r;
    }
    ctx.count = qMax(1, ctx.count / 2);
  }
}

int HalfPoints(int height, int dpiY) {
  if (height > 0) return 2 * height;
  if (height < 0) return 2 * (-height * 72 / (dpiY > 0 ? dpiY : 96));
  return 20;
}

RenderContext MakeRenderContext(const CTolvarDoc& doc, const QString& fontFace, int fontSize,
                                int titleStyle, bool printing) {
  RenderContext c;
  c.handle = doc.handle;
  c.foundList = doc.queryMode ? &doc.foundList : nullptr;
  c.opCodes = doc.queryMode ? doc.OpCodes() : nullptr;
  c.marks = &doc.marks.List();
  c.queryMode = doc.queryMode;
  c.total = doc.Total();
  c.start = printing ? 1 : doc.portion.start;
  c.count = printing ? c.total : qMax(0, qMin(doc.portion.count, c.total - c.start + 1));
  c.printing = printing;
  c.fontFace = toEngine(fontFace);
  c.fontSize = fontSize;
  c.titleStyle = titleStyle;
  return c;
}

}  // namespace tolvar
