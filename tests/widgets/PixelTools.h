#pragma once

#include <functional>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QWidget>

#include "widgets/Fonts.h"

namespace velm::test {

// Text without antialiasing, so that every text pixel has exactly the pen colour.
inline QFont crispFont(int pixelHeight, bool bold = true) {
    QFont font = makeFont("DejaVu Sans", pixelHeight, bold);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

inline QImage blankImage(QSize size, QColor background) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(background);
    return image;
}

// The widget as it paints itself over a plain background.
inline QImage renderWidget(QWidget& widget, QColor background = Qt::black) {
    QImage image = blankImage(widget.size(), background);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// An image painted by `paint` on a plain background.
inline QImage paintImage(QSize size, QColor background,
                         const std::function<void(QPainter&)>& paint) {
    QImage image = blankImage(size, background);
    QPainter painter(&image);
    paint(painter);
    return image;
}

inline QColor pixel(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// The smallest rectangle holding every pixel of exactly this colour (empty when none).
inline QRect boundingBoxOf(const QImage& image, QColor color) {
    QRect box;
    const QRgb wanted = color.rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == wanted) box |= QRect(x, y, 1, 1);
    return box;
}

inline int countOf(const QImage& image, QColor color) {
    int count = 0;
    const QRgb wanted = color.rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == wanted) ++count;
    return count;
}

// Where two images of one size differ, as a count of pixels.
inline int differingPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) ++count;
    return count;
}

}  // namespace velm::test
