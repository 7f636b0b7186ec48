// The printed pages: the print form's RTF pieces become one text document, laid out on
// the printer's pages under a header line with a rule. Any paged device does: a printer,
// the preview's or a PDF writer.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QTextDocument;

namespace tolvar {

// Appends the pieces to `doc` (cleared first) as one flow of paragraphs.
void BuildPrintDocument(const QList<QByteArray>& pieces, QTextDocument* doc,
                        const QString& fallbackFamily);

// Lays `body` out for the device and paints every page: header(page) at the top, a rule
// across the page under it, the page's part of the body below. Returns the page count
// (0 when the device cannot be painted on).
int PaintPages(QPagedPaintDevice* device, QTextDocument* body,
               const std::function<QString(int page)>& header);

}  // namespace tolvar
