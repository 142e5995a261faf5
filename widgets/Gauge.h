#pragma once

#include <QColor>
#include <QWidget>

namespace velm {

// A horizontal percentage bar with its percentage written in it.
class TGauge : public QWidget {
    Q_OBJECT

public:
    explicit TGauge(QWidget* parent = nullptr);

    long long MinValue() const { return minValue_; }
    long long MaxValue() const { return maxValue_; }
    long long Progress() const { return progress_; }
    // Whole percent of the way from MinValue to MaxValue (0 when the range is empty).
    int PercentDone() const;

    void setMinValue(long long value);
    void setMaxValue(long long value);
    void setProgress(long long value);  // kept within MinValue..MaxValue
    void setForeColor(const QColor& color);
    void setBackColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    long long minValue_ = 0;
    long long maxValue_ = 100;
    long long progress_ = 0;
    QColor foreColor_ = Qt::black;
    QColor backColor_ = Qt::white;
};

}  // namespace velm
