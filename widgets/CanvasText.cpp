#include "widgets/CanvasText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPointF>

namespace velm {

void textOut(QPainter& painter, int x, int y, const QString& text) {
    if (text.isEmpty()) return;
    painter.drawText(QPointF(x, y + painter.fontMetrics().ascent()), text);
}

QSize textExtent(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

}  // namespace velm
