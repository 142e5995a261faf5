#include "windows/WarningControls.h"

#include "widgets/Fonts.h"
#include "widgets/Gradient.h"
#include "widgets/Label3D.h"

namespace velm {

TGradient* makeWarningBackground(QWidget* window, const QRect& geometry, TColor beginColor) {
    auto* gradient = new TGradient(window);
    gradient->setGeometry(geometry);
    gradient->setBeginColor(beginColor);
    gradient->setEndColor(clBtnFace);
    gradient->setCaption(QStringLiteral(" "));
    gradient->setFont(makeFont(QStringLiteral("MS Sans Serif"), 11, true));
    gradient->setTextTop(5);
    gradient->setTextLeft(12);
    return gradient;
}

TLabel3D* makeWarningCaption(QWidget* window, const QRect& geometry, const QString& caption,
                             int fontPixels, TColor fontColor) {
    auto* label = new TLabel3D(window);
    label->setAutoSize(false);  // sized once all properties are set, as on loading
    label->setGeometry(geometry);
    label->setFont(makeFont(QStringLiteral("Verdana"), fontPixels, true));
    label->setFontColor(fontColor);
    label->setAlignment(taCenter);
    label->setWordWrap(true);
    label->setTransparent(true);
    label->setTextStyle(tsRaised);
    label->setShift(1);
    label->setEscapement(0);
    label->setLabelStyle(lsDefault);
    label->setEllipsesStyle(esNone);
    label->setBorder(false);
    label->setBorderColor(clRed);
    label->setColor(clBlack);
    // Last, as when the window is loaded: the label sizes itself to the
    // caption wrapped within its designed width.
    label->setCaption(caption);
    label->setAutoSize(true);
    // Sizing keeps the left edge, and the substitute font's lines are not the
    // designed font's: keep the caption centred where it was designed.
    label->move(geometry.x() + (geometry.width() - label->width()) / 2, label->y());
    return label;
}

}  // namespace velm
