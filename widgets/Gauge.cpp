#include "widgets/Gauge.h"

#include <QPainter>
#include <algorithm>

namespace velm {

TGauge::TGauge(QWidget* parent) : QWidget(parent) {}

int TGauge::PercentDone() const {
    const long long range = maxValue_ - minValue_;
    if (range <= 0) return 0;
    return static_cast<int>((progress_ - minValue_) * 100 / range);
}

void TGauge::setMinValue(long long value) {
    minValue_ = value;
    maxValue_ = std::max(maxValue_, minValue_);
    progress_ = std::clamp(progress_, minValue_, maxValue_);
    update();
}

void TGauge::setMaxValue(long long value) {
    maxValue_ = value;
    minValue_ = std::min(minValue_, maxValue_);
    progress_ = std::clamp(progress_, minValue_, maxValue_);
    update();
}

void TGauge::setProgress(long long value) {
    const long long clamped = std::clamp(value, minValue_, maxValue_);
    if (clamped == progress_) return;
    progress_ = clamped;
    update();
}

void TGauge::setForeColor(const QColor& color) {
    foreColor_ = color;
    update();
}

void TGauge::setBackColor(const QColor& color) {
    backColor_ = color;
    update();
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    p.fillRect(inner, backColor_);
    const long long range = maxValue_ - minValue_;
    const int filled =
        range > 0 ? static_cast<int>(inner.width() * (progress_ - minValue_) / range) : 0;
    p.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), foreColor_);
    p.setPen(Qt::black);
    p.drawText(inner, Qt::AlignCenter, QStringLiteral("%1%").arg(PercentDone()));
}

}  // namespace velm
