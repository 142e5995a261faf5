#include "widgets/Gradient.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>

#include "platform/EventGuard.h"
#include "widgets/CanvasText.h"
#include "widgets/Property.h"

namespace velm {

void paintGradientBands(QPainter& painter, int width, int height, TColor beginColor,
                        TColor endColor, TFillDirection direction, int numberOfColors) {
    const TColor begin = colorToRgb(beginColor);
    const TColor end = colorToRgb(endColor);
    const TColor start = direction == fdLeftToRight ? begin : end;
    const TColor finish = direction == fdLeftToRight ? end : begin;
    const int dRed = finish.red() - start.red();
    const int dGreen = finish.green() - start.green();
    const int dBlue = finish.blue() - start.blue();
    const int n = numberOfColors;
    for (int i = 0; i <= n; ++i) {
        // The last round's band starts at the right edge: only what lies
        // within the control is filled.
        const int left = MulDiv(i, width, n);
        const int right = std::min(MulDiv(i + 1, width, n), width);
        TColor band = start;
        if (n >= 2)
            band = TColor::rgb(start.red() + MulDiv(i, dRed, n - 1),
                               start.green() + MulDiv(i, dGreen, n - 1),
                               start.blue() + MulDiv(i, dBlue, n - 1));
        if (right > left) painter.fillRect(QRect(left, 0, right - left, height), toQColor(band));
    }
}

TGradient::TGradient(QWidget* parent)
    : QWidget(parent),
      beginColor_(clGray),
      endColor_(clBtnFace),
      fontColor_(clWindowText),
      caption_(QStringLiteral("TGradient")) {
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    resize(400, 25);
}

// Setters: each stores its value and asks for the picture again; Qt paints it
// in the next paint cycle, which shows the same as drawing at once.
void TGradient::setBeginColor(TColor color) {
    storeAndRepaint(*this, beginColor_, color);
}
void TGradient::setEndColor(TColor color) {
    storeAndRepaint(*this, endColor_, color);
}
void TGradient::setFillDirection(TFillDirection direction) {
    if (changeProperty(fillDirection_, direction)) update();
}
void TGradient::setNumberOfColors(int count) {
    storeAndRepaint(*this, numberOfColors_, std::clamp(count, 1, 255));
}
void TGradient::setFontColor(TColor color) {
    storeAndRepaint(*this, fontColor_, color);
}
void TGradient::setCaption(const QString& caption) {
    storeAndRepaint(*this, caption_, caption);
}
void TGradient::setTextLeft(int left) {
    storeAndRepaint(*this, textLeft_, left);
}
void TGradient::setTextTop(int top) {
    storeAndRepaint(*this, textTop_, top);
}
void TGradient::setAutoSize(bool autoSize) {
    storeAndRepaint(*this, autoSize_, autoSize);
}

void TGradient::paintTo(QPainter& painter) const {
    paintGradientBands(painter, width(), height(), beginColor_, endColor_, fillDirection_,
                       numberOfColors_);
    // The caption has a transparent background: only its glyphs show.
    painter.setBrush(Qt::NoBrush);
    painter.setFont(font());
    painter.setPen(toQColor(fontColor_));
    textOut(painter, textLeft_, textTop_, caption_);
}

void TGradient::paintEvent(QPaintEvent*) {
    guarded([&] {
        QPainter painter(this);
        paintTo(painter);
    });
}

void TGradient::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) update();
    QWidget::changeEvent(event);
}

void TGradient::mousePressEvent(QMouseEvent* event) {
    clicks_.press(*event);
    QWidget::mousePressEvent(event);
}

void TGradient::mouseReleaseEvent(QMouseEvent* event) {
    if (clicks_.release(*event, rect()))
        if (OnClick) guarded([&] { OnClick(); });
    QWidget::mouseReleaseEvent(event);
}

void TGradient::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnDblClick) guarded([&] { OnDblClick(); });
    QWidget::mouseDoubleClickEvent(event);
}

}  // namespace velm
