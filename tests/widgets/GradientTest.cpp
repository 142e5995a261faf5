#include "widgets/Gradient.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "PixelTools.h"

namespace velm {
namespace {

using test::pixel;
using test::renderWidget;

QColor rgbOf(TColor color) {
    return toQColor(colorToRgb(color));
}

// The colour band i of n should have: start + MulDiv(i, difference, n − 1).
QColor bandColor(QColor start, QColor end, int i, int n) {
    if (n < 2) return start;
    return QColor(start.red() + MulDiv(i, end.red() - start.red(), n - 1),
                  start.green() + MulDiv(i, end.green() - start.green(), n - 1),
                  start.blue() + MulDiv(i, end.blue() - start.blue(), n - 1));
}

class GradientTest : public ::testing::Test {
protected:
    GradientTest() { gradient.setCaption(""); }
    TGradient gradient;
};

TEST_F(GradientTest, StartsWithItsDocumentedValues) {
    TGradient fresh;
    EXPECT_EQ(fresh.size(), QSize(400, 25));
    EXPECT_EQ(fresh.BeginColor(), clGray);
    EXPECT_EQ(fresh.EndColor(), clBtnFace);
    EXPECT_EQ(fresh.FillDirection(), fdLeftToRight);
    EXPECT_EQ(fresh.NumberOfColors(), 255);
    EXPECT_EQ(fresh.Caption(), "TGradient");
    EXPECT_EQ(fresh.TextLeft(), 12);
    EXPECT_EQ(fresh.TextTop(), 5);
    EXPECT_FALSE(fresh.AutoSize());
    EXPECT_TRUE(fresh.font().bold());
    EXPECT_EQ(fresh.FontColor(), clWindowText);
    EXPECT_FALSE(fresh.autoFillBackground());  // paints on its parent only
}

TEST_F(GradientTest, OneColourFillsWithTheStartColour) {
    gradient.setBeginColor(TColor::rgb(147, 73, 0));
    gradient.setEndColor(clBtnFace);
    gradient.setNumberOfColors(1);
    QImage image = renderWidget(gradient);
    EXPECT_EQ(test::countOf(image, QColor(147, 73, 0)), 400 * 25);

    gradient.setFillDirection(fdRightToLeft);  // the end colour starts
    image = renderWidget(gradient);
    EXPECT_EQ(test::countOf(image, rgbOf(clBtnFace)), 400 * 25);
}

TEST_F(GradientTest, TwoHundredFiftyFiveBandsOnFourHundredPixels) {
    const QImage image = renderWidget(gradient);  // clGray to clBtnFace, 255 colours
    const QColor start = rgbOf(clGray);
    const QColor end = rgbOf(clBtnFace);
    EXPECT_EQ(pixel(image, 0, 0), QColor(128, 128, 128));
    EXPECT_EQ(pixel(image, 399, 24), end);
    int x = 0;
    for (int i = 0; i < 255; ++i) {
        const int left = MulDiv(i, 400, 255);
        const int right = MulDiv(i + 1, 400, 255);
        ASSERT_EQ(left, x) << "bands leave no gap";
        ASSERT_TRUE(right - left == 1 || right - left == 2) << "band " << i;
        for (; x < right; ++x) {
            ASSERT_EQ(pixel(image, x, 0), bandColor(start, end, i, 255)) << "x " << x;
            ASSERT_EQ(pixel(image, x, 24), pixel(image, x, 0)) << "bands are vertical";
        }
    }
    EXPECT_EQ(x, 400);
    // Hand-checked edges: 128 to 240 in 255 bands. Band 1 (x 2) still rounds
    // to 128; band 2 starts at x 3 (MulDiv(2, 400, 255) = 3) with 129.
    gradient.setEndColor(TColor::rgb(240, 240, 240));
    const QImage explicitEnd = renderWidget(gradient);
    EXPECT_EQ(pixel(explicitEnd, 2, 0), QColor(128, 128, 128));
    EXPECT_EQ(pixel(explicitEnd, 3, 0), QColor(129, 129, 129));
    EXPECT_EQ(pixel(explicitEnd, 398, 0), QColor(240, 240, 240));  // band 254: x 398 and 399
    EXPECT_EQ(pixel(explicitEnd, 397, 0), QColor(240, 240, 240));  // band 253: 128 + 111.56
    EXPECT_EQ(pixel(explicitEnd, 396, 0), QColor(239, 239, 239));  // band 252: 128 + 111.12
}

TEST_F(GradientTest, RightToLeftIsTheMirrorImage) {
    // Even differences per channel: every band colour mirrors exactly.
    gradient.setBeginColor(TColor::rgb(10, 20, 30));
    gradient.setEndColor(TColor::rgb(200, 120, 60));
    const QImage leftToRight = renderWidget(gradient);
    gradient.setFillDirection(fdRightToLeft);
    const QImage rightToLeft = renderWidget(gradient);
    EXPECT_EQ(rightToLeft, leftToRight.mirrored(true, false));
    EXPECT_EQ(pixel(rightToLeft, 0, 0), QColor(200, 120, 60));
    EXPECT_EQ(pixel(rightToLeft, 399, 0), QColor(10, 20, 30));

    // clGray to the button face: the same band edges; a band whose colour
    // step is an exact half rounds the other way, by one level at most.
    gradient.setBeginColor(clGray);
    gradient.setEndColor(clBtnFace);
    gradient.setFillDirection(fdLeftToRight);
    const QImage grayLeft = renderWidget(gradient);
    gradient.setFillDirection(fdRightToLeft);
    const QImage grayRight = renderWidget(gradient).mirrored(true, false);
    int differing = 0;
    for (int x = 0; x < 400; ++x) {
        const QColor a = pixel(grayLeft, x, 0), b = pixel(grayRight, x, 0);
        EXPECT_LE(std::abs(a.red() - b.red()), 1) << x;
        EXPECT_LE(std::abs(a.blue() - b.blue()), 1) << x;
        if (a != b) ++differing;
    }
    EXPECT_LE(differing, 4);
}

TEST_F(GradientTest, EqualColoursGiveAUniformFill) {
    gradient.setBeginColor(clMaroon);
    gradient.setEndColor(clMaroon);
    EXPECT_EQ(test::countOf(renderWidget(gradient), QColor(128, 0, 0)), 400 * 25);
}

TEST_F(GradientTest, NarrowerThanItsColoursSkipsZeroWidthBands) {
    gradient.resize(100, 10);
    gradient.setBeginColor(clBlack);
    gradient.setEndColor(clWhite);
    const QImage image = renderWidget(gradient);
    // Band 0 ends where it starts (MulDiv(1, 100, 255) = 0): x 0 is band 1.
    EXPECT_EQ(pixel(image, 0, 0), QColor(1, 1, 1));
    // x 99 is band 253 (from MulDiv(253, 100, 255) = 99); band 254, the end
    // colour, would start at 100, outside the control.
    EXPECT_EQ(pixel(image, 99, 0), QColor(254, 254, 254));
    EXPECT_EQ(pixel(image, 98, 0), QColor(252, 252, 252));  // band 251: 252.49
}

TEST_F(GradientTest, NumberOfColoursStaysWithinOneByte) {
    gradient.setNumberOfColors(0);
    EXPECT_EQ(gradient.NumberOfColors(), 1);
    gradient.setNumberOfColors(300);
    EXPECT_EQ(gradient.NumberOfColors(), 255);
}

TEST_F(GradientTest, CaptionIsWrittenAtTextLeftTextTopOverTheBands) {
    gradient.setBeginColor(clWhite);
    gradient.setEndColor(clWhite);
    const QImage empty = renderWidget(gradient);
    gradient.setCaption(" ");
    EXPECT_EQ(renderWidget(gradient), empty) << "one blank changes nothing";

    gradient.setFont(test::crispFont(14));
    gradient.setFontColor(clBlue);
    gradient.setCaption("Atualização");
    const QRect at12x5 = test::boundingBoxOf(renderWidget(gradient), QColor(0, 0, 255));
    ASSERT_FALSE(at12x5.isEmpty());
    EXPECT_GE(at12x5.left(), 12);
    EXPECT_LE(at12x5.left(), 14);
    EXPECT_GE(at12x5.top(), 5);
    gradient.setTextLeft(40);
    gradient.setTextTop(9);
    const QRect moved = test::boundingBoxOf(renderWidget(gradient), QColor(0, 0, 255));
    EXPECT_EQ(moved, at12x5.translated(28, 4));
    // Transparent background: outside the glyphs the band colour stays.
    EXPECT_EQ(pixel(renderWidget(gradient), moved.left() - 1, moved.top()), QColor(255, 255, 255));
}

TEST_F(GradientTest, PressAndReleaseInsideIsOneClick) {
    int clicks = 0;
    gradient.OnClick = [&] { ++clicks; };
    const auto send = [&](QEvent::Type type, QPointF at) {
        QMouseEvent event(type, at, gradient.mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&gradient, &event);
    };
    send(QEvent::MouseButtonPress, {10, 10});
    send(QEvent::MouseButtonRelease, {20, 12});
    EXPECT_EQ(clicks, 1);
    send(QEvent::MouseButtonPress, {10, 10});
    send(QEvent::MouseButtonRelease, {500, 10});  // released outside: no click
    send(QEvent::MouseButtonRelease, {10, 10});   // a release without a press
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace velm
