#include "render.h"

#include <string>
#include <string_view>
#include <vector>

#include "client/form_resolver.h"
#include "client/selection.h"
#include "codec.h"
#include "query_doc.h"
#include "zrteng.h"

namespace tolvar {

namespace {

// The document view's answers: the client layer's resolver over the document's own found
// list, with the view's font, numbering style, marks and printing.
class ViewResolver final : public zrt::client::FormResolver {
 public:
  ViewResolver(const RenderContext& c, zrt::client::DocSelection* docs) : FormResolver(c.handle, docs), c_(c) {}

 protected:
  std::string FontFace() const override { return c_.fontFace.toStdString(); }
  int32_t FontSize() const override { return c_.fontSize; }
  std::string NumberingMode() const override {
    return std::string(c_.titleStyle & 1 ? "\\i" : "") + (c_.titleStyle & 2 ? "\\b" : "");
  }
  bool Marked(int32_t position) const override { return c_.marks && c_.marks->contains(position); }
  bool Printing() const override { return c_.printing; }

 private:
  const RenderContext& c_;
};

}  // namespace

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
  const bool listed = ctx.queryMode && ctx.foundList;
  zrt::client::DocSelection docs;
  docs.Adopt(listed, ctx.total, listed ? std::vector<int32_t>(ctx.foundList->begin(), ctx.foundList->end())
                                       : std::vector<int32_t>{},
             ctx.opCodes);
  ViewResolver resolver(ctx, &docs);
  RenderResult r;
  const qint32 wanted = ctx.count;
  for (;;) {
    bool cut = false;
    const std::string out = resolver.Expand(std::string_view(form.constData(), size_t(form.size())),
                                            ctx.start, ctx.count, &cut);
    if (!cut || ctx.count <= 1) {
      r.rtf = QByteArray(out.data(), qsizetype(out.size()));
      r.shown = ctx.count;
      r.cut = ctx.count < wanted || cut;
      ctx.sections.clear();
      for (const std::string& code : resolver.sections()) ctx.sections << QByteArray::fromStdString(code);
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
