#pragma once

#include <functional>

#include <QRect>
#include <QString>
#include <QWidget>

#include "widgets/ClickTracker.h"
#include "widgets/Colors.h"
#include "widgets/Label3DDrawing.h"
#include "widgets/Label3DTypes.h"

class QPainter;

namespace velm {

// An angle in degrees brought into 0..360: 360 is added while it is negative,
// subtracted while it is above 360 (so 360 stays 360 and 720 becomes 360).
int normalisedEscapement(int degrees);

// A caption label that draws its text raised, recessed or shadowed: one or two
// offset copies in contrasting colours beneath the text itself. It can also
// rotate the text, draw a border, render colour and style markup, and act as
// a web or e-mail link. The text font is the widget's font (Arial by
// default), its colour FontColor.
class TLabel3D : public QWidget {
    Q_OBJECT

public:
    explicit TLabel3D(QWidget* parent = nullptr);

    // --- Ordinary label properties ---
    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    TColor FontColor() const { return fontColor_; }
    void setFontColor(TColor color);
    // Background colour, filled when the label is not Transparent.
    TColor Color() const { return color_; }
    void setColor(TColor color);
    TAlignment Alignment() const { return alignment_; }
    void setAlignment(TAlignment alignment);
    TTextLayout Layout() const { return layout_; }
    void setLayout(TTextLayout layout);
    using QWidget::setLayout;
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool wordWrap);
    bool Transparent() const { return transparent_; }
    void setTransparent(bool transparent);
    // "&" marks the accelerator letter (underlined); off, "&" is drawn as it is.
    bool ShowAccelChar() const { return showAccelChar_; }
    void setShowAccelChar(bool show);
    // On, the label takes the size its text needs whenever the text, font,
    // word wrap or rotation change (a right-aligned label keeps its right edge).
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool autoSize);

    // --- Its own properties ---
    TTextStyle TextStyle() const { return textStyle_; }
    void setTextStyle(TTextStyle style);
    int Shift() const { return shift_; }
    void setShift(int shift);
    int Escapement() const { return escapement_; }
    void setEscapement(int degrees);
    bool Border() const { return border_; }
    void setBorder(bool border);
    int BorderWidth() const { return borderWidth_; }
    void setBorderWidth(int width);
    TColor BorderColor() const { return borderColor_; }
    void setBorderColor(TColor color);
    TPenStyle BorderPenStyle() const { return borderPenStyle_; }
    void setBorderPenStyle(TPenStyle style);
    TBorderType BorderType() const { return borderType_; }
    void setBorderType(TBorderType type);
    TEllipsesStyle EllipsesStyle() const { return ellipsesStyle_; }
    void setEllipsesStyle(TEllipsesStyle style);
    TLabelStyle LabelStyle() const { return labelStyle_; }
    void setLabelStyle(TLabelStyle style);
    QString Address() const { return address_; }
    void setAddress(const QString& address);
    bool Colored() const { return colored_; }
    void setColored(bool colored);

    void SetColorRR(TColor recessColor, TColor raiseColor);
    TColor RecessColor() const { return recessColor_; }
    TColor RaiseColor() const { return raiseColor_; }

    // The link action (for the link styles with an address), then OnClick.
    void Click();

    // The text drawing step: the effect copies and the text into `rect`. With
    // `calculateOnly` nothing is drawn (`painter` may be null) and the result
    // is the rectangle the text needs.
    QRect DoDrawText(QPainter* painter, const QRect& rect, int flags, bool calculateOnly);

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseExit;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void paintLabel(QPainter& painter);
    void paintBorder(QPainter& painter);
    void drawCopy(QPainter& painter, const QString& text, const QRect& rect,
                  const PlainTextFormat& format, TTintMode tint);
    // The Qt text flags of WordWrap and Alignment, tabs expanded.
    int textFlags() const;
    void adjustBounds();
    void textChanged();
    bool isLink() const { return labelStyle_ == lsWWWAddress || labelStyle_ == lsEMailAddress; }

    QString caption_;
    TColor fontColor_ = clWindowText;
    TColor color_ = clBtnFace;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    bool autoSize_ = true;

    TTextStyle textStyle_ = tsRaised;
    int shift_ = 1;
    int escapement_ = 0;
    bool border_ = false;
    int borderWidth_ = 1;
    TColor borderColor_ = clRed;
    TPenStyle borderPenStyle_ = psSolid;
    TBorderType borderType_ = btDefault;
    TEllipsesStyle ellipsesStyle_ = esNone;
    TLabelStyle labelStyle_ = lsDefault;
    QString address_;
    bool colored_ = false;

    TColor recessColor_ = clBtnShadow;
    TColor raiseColor_ = clBtnHighlight;
    // The font colour while the mouse is over a link, restored when it leaves.
    TColor savedFontColor_ = clWindowText;
    ClickTracker clicks_;
};

}  // namespace velm
