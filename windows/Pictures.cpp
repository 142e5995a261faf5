#include "windows/Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace velm {

namespace {

QPixmap transparentPixmap(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

}  // namespace

QPixmap redArrowPicture() {
    QPixmap pixmap = transparentPixmap(19, 20);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(1, 7);
    arrow.lineTo(9, 7);
    arrow.lineTo(9, 2);
    arrow.lineTo(18, 10);
    arrow.lineTo(9, 18);
    arrow.lineTo(9, 13);
    arrow.lineTo(1, 13);
    arrow.closeSubpath();
    QLinearGradient fill(0, 2, 0, 18);
    fill.setColorAt(0, QColor(255, 90, 90));
    fill.setColorAt(1, QColor(170, 0, 0));
    p.setPen(QPen(QColor(110, 0, 0), 1));
    p.setBrush(fill);
    p.drawPath(arrow);
    return pixmap;
}

QPixmap doorPicture() {
    QPixmap pixmap = transparentPixmap(22, 22);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Door frame and the open leaf, seen at an angle.
    p.setPen(QPen(QColor(70, 45, 20), 1));
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(QRectF(11.5, 1.5, 9, 19));
    QPolygonF leaf;
    leaf << QPointF(11.5, 1.5) << QPointF(17.5, 4.5) << QPointF(17.5, 22) << QPointF(11.5, 20.5);
    p.setBrush(QColor(190, 130, 60));
    p.drawPolygon(leaf);
    p.setBrush(QColor(240, 210, 80));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(16, 12), 1, 1);
    // The arrow going in.
    QPainterPath arrow;
    arrow.moveTo(0.5, 9);
    arrow.lineTo(6, 9);
    arrow.lineTo(6, 5.5);
    arrow.lineTo(11.5, 11);
    arrow.lineTo(6, 16.5);
    arrow.lineTo(6, 13);
    arrow.lineTo(0.5, 13);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0, 90, 0), 1));
    p.setBrush(QColor(40, 180, 40));
    p.drawPath(arrow);
    return pixmap;
}

QPixmap doubleTickPicture() {
    QPixmap pixmap = transparentPixmap(18, 19);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0, 0, 160), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.drawPolyline(QPolygonF({QPointF(1.5, 9), QPointF(5, 13), QPointF(11, 3)}));
    pen.setColor(QColor(40, 90, 255));
    p.setPen(pen);
    p.drawPolyline(QPolygonF({QPointF(6.5, 12), QPointF(9.5, 16), QPointF(16.5, 5)}));
    return pixmap;
}

QPixmap glossyBallPicture(const QColor& light, const QColor& dark) {
    QPixmap pixmap = transparentPixmap(16, 16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient body(QPointF(6, 5), 10);
    body.setColorAt(0, light);
    body.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(130), 0.8));
    p.setBrush(body);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    QRadialGradient gloss(QPointF(6, 4.5), 4);
    gloss.setColorAt(0, QColor(255, 255, 255, 230));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawEllipse(QRectF(2.5, 2, 7, 5));
    return pixmap;
}

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap = transparentPixmap(size, size);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        // A blue disc with two circling arrows: "bring up to date".
        QRadialGradient disc(QPointF(12, 10), 22);
        disc.setColorAt(0, QColor(120, 180, 255));
        disc.setColorAt(1, QColor(0, 60, 170));
        p.setPen(QPen(QColor(0, 40, 120), 1));
        p.setBrush(disc);
        p.drawEllipse(QRectF(1, 1, 30, 30));
        QPen arrowPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap);
        p.setPen(arrowPen);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(8, 8, 16, 16), 30 * 16, 150 * 16);
        p.drawArc(QRectF(8, 8, 16, 16), 210 * 16, 150 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(23, 6), QPointF(26, 14), QPointF(18, 12)}));
        p.drawPolygon(QPolygonF({QPointF(9, 26), QPointF(6, 18), QPointF(14, 20)}));
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap backdropPicture() {
    QPixmap pixmap(1100, 600);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 600);
    sky.setColorAt(0, QColor(214, 232, 250));
    sky.setColorAt(1, QColor(176, 206, 238));
    p.fillRect(pixmap.rect(), sky);
    // A pale emblem: two interlocking rings and a gear-like crown.
    p.setPen(QPen(QColor(255, 255, 255, 110), 18));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(560, 300), 150, 150);
    p.drawEllipse(QPointF(700, 300), 150, 150);
    p.setPen(QPen(QColor(255, 255, 255, 70), 6));
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(630, 300);
        p.rotate(i * 30);
        p.drawLine(QPointF(0, -215), QPointF(0, -245));
        p.restore();
    }
    return pixmap;
}

}  // namespace velm
