#pragma once

#include <functional>

#include <QString>
#include <QWidget>

#include "widgets/ClickTracker.h"
#include "widgets/Colors.h"

class QPainter;

namespace velm {

enum TFillDirection { fdLeftToRight, fdRightToLeft };

// A horizontal colour gradient of vertical bands with a one-line caption over
// it; the windows put one at the back as their background. It paints on its
// parent like a window-less control (no background fill of its own). The
// caption font is the widget's font (bold by default), its colour FontColor.
class TGradient : public QWidget {
    Q_OBJECT

public:
    explicit TGradient(QWidget* parent = nullptr);

    TColor BeginColor() const { return beginColor_; }
    void setBeginColor(TColor color);
    TColor EndColor() const { return endColor_; }
    void setEndColor(TColor color);
    TFillDirection FillDirection() const { return fillDirection_; }
    void setFillDirection(TFillDirection direction);
    // 1..255 (held in one byte); values outside are brought to the nearest end.
    int NumberOfColors() const { return numberOfColors_; }
    void setNumberOfColors(int count);
    TColor FontColor() const { return fontColor_; }
    void setFontColor(TColor color);
    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    int TextLeft() const { return textLeft_; }
    void setTextLeft(int left);
    int TextTop() const { return textTop_; }
    void setTextTop(int top);
    // Stored only: it changes neither the size nor the drawing.
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool autoSize);

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;

    // The whole picture: bands, then the caption.
    void paintTo(QPainter& painter) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TColor beginColor_;
    TColor endColor_;
    TFillDirection fillDirection_ = fdLeftToRight;
    int numberOfColors_ = 255;
    TColor fontColor_;
    QString caption_;
    int textLeft_ = 12;
    int textTop_ = 5;
    bool autoSize_ = false;
    ClickTracker clicks_;
};

// The bands alone: N colours over `width` pixels (N + 1 rounds, band i from
// MulDiv(i, W, N) to MulDiv(i + 1, W, N)), each channel start + MulDiv(i,
// difference, N − 1) kept to its low 8 bits.
void paintGradientBands(QPainter& painter, int width, int height, TColor beginColor,
                        TColor endColor, TFillDirection direction, int numberOfColors);

}  // namespace velm
