#include "print_pages.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "rtf.h"

namespace tolvar {

void BuildPrintDocument(const QList<QByteArray>& pieces, QTextDocument* doc,
                        const QString& fallbackFamily) {
  doc->clear();
  QTextCursor cursor(doc);
  bool first = true;
  for (const QByteArray& rtf : pieces) {
    QTextDocument piece;
    RtfToDocument(rtf, &piece, fallbackFamily);
    if (!first) cursor.insertBlock();
    cursor.insertFragment(QTextDocumentFragment(&piece));
    first = false;
  }
}

int PaintPages(QPagedPaintDevice* device, QTextDocument* body,
               const std::function<QString(int page)>& header) {
  QPainter p;
  if (!p.begin(device)) return 0;
  // The painter's origin is the printable area's corner; sizes are device pixels, so
  // the layout takes the device's resolution for the fonts and the margins alike.
  const QRectF area(QPointF(0, 0),
                    device->pageLayout().paintRectPixels(device->logicalDpiX()).size());
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(9);
  const QFontMetricsF metrics(font, device);
  const qreal lineHeight = metrics.height();
  const qreal ruleY = lineHeight * 1.3;
  const qreal bodyTop = lineHeight * 2;
  body->documentLayout()->setPaintDevice(device);
  body->setDocumentMargin(0);
  body->setPageSize(QSizeF(area.width(), area.height() - bodyTop));
  const int pages = qMax(1, body->pageCount());
  const qreal pageHeight = body->pageSize().height();
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) device->newPage();
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRectF(0, 0, area.width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
               metrics.elidedText(header(page), Qt::ElideRight, area.width()));
    p.setPen(QPen(Qt::black, qMax<qreal>(1, device->logicalDpiY() / 150.0)));
    p.drawLine(QPointF(0, ruleY), QPointF(area.width(), ruleY));
    p.save();
    p.translate(0, bodyTop - (page - 1) * pageHeight);
    body->drawContents(&p, QRectF(0, (page - 1) * pageHeight, area.width(), pageHeight));
    p.restore();
  }
  p.end();
  return pages;
}

}  // namespace tolvar
