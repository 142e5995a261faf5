#include "widgets/Colors.h"

#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QPalette>

namespace velm {
namespace {

TEST(MulDivTest, RoundsToNearestWithHalvesAwayFromZero) {
    struct Case {
        int a, b, c, expected;
    } cases[] = {
        {1, 400, 255, 2},      // 1.57
        {2, 400, 255, 3},      // 3.14
        {255, 400, 255, 400},  // exact
        {1, 1, 2, 1},          // 0.5 -> 1
        {-1, 1, 2, -1},        // -0.5 -> -1
        {3, 1, 2, 2},          // 1.5 -> 2
        {-3, 1, 2, -2},        // -1.5 -> -2
        {5, -1, 2, -3},        // -2.5 -> -3
        {1, 1, 3, 0},          // 0.33
        {2, 1, 3, 1},          // 0.67
        {-2, 1, -3, 1},        // both negative
        {0, 5, 7, 0},
        {2000000000, 2000000000, 2000000000, 2000000000},  // the product needs 64 bits
        {1, 1, 0, -1},                                     // division by zero
        {2000000000, 2, 1, -1},                            // result out of range
    };
    for (const auto& c : cases)
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
}

TEST(ColorsTest, StandardColoursHaveRedInTheLowByte) {
    EXPECT_EQ(clRed.value(), 0x0000FFu);
    EXPECT_EQ(clBlue.value(), 0xFF0000u);
    EXPECT_EQ(clGreen.value(), 0x008000u);  // the "ready" green of the update window
    EXPECT_EQ(clMaroon, TColor::rgb(128, 0, 0));
    EXPECT_EQ(TColor(18835), TColor::rgb(147, 73, 0));
    EXPECT_EQ(clYellow, TColor::rgb(255, 255, 0));
    EXPECT_TRUE(clBtnFace.isSystem());
    EXPECT_FALSE(clWhite.isSystem());
}

TEST(ColorsTest, NamesAreCaseInsensitive) {
    EXPECT_EQ(colorFromName("clRed"), clRed);
    EXPECT_EQ(colorFromName("CLRED"), clRed);
    EXPECT_EQ(colorFromName("clbtnface"), clBtnFace);
    EXPECT_EQ(colorFromName("clGrayText"), clGrayText);
    EXPECT_EQ(colorFromName("clInfoBk"), clInfoBk);
    EXPECT_EQ(colorFromName("clRedd"), std::nullopt);
    EXPECT_EQ(colorFromName("Red"), std::nullopt);
    EXPECT_EQ(colorFromName(""), std::nullopt);
}

TEST(ColorsTest, NumbersInHexAndDecimal) {
    EXPECT_EQ(colorFromNumber("$0000FF"), clRed);
    EXPECT_EQ(colorFromNumber("$00ff00ff"), clFuchsia);
    EXPECT_EQ(colorFromNumber("$8000000F"), clBtnFace);
    EXPECT_EQ(colorFromNumber("32768"), clGreen);
    EXPECT_EQ(colorFromNumber("-2147483633"), clBtnFace);  // 0x8000000F as a signed number
    for (const char* bad : {"", "$", "$12345678A", "$GG", "12x", "-", "red", "4294967296"})
        EXPECT_EQ(colorFromNumber(bad), std::nullopt) << bad;
    EXPECT_EQ(stringToColor("clWhite"), clWhite);
    EXPECT_EQ(stringToColor("$FFFFFF"), clWhite);
    EXPECT_EQ(colorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(colorToString(TColor(18835)), "$00004993");
}

TEST(ColorsTest, SystemColoursComeFromTheApplicationPalette) {
    const QPalette palette = QGuiApplication::palette();
    EXPECT_EQ(toQColor(clBtnFace), palette.color(QPalette::Active, QPalette::Button));
    EXPECT_EQ(toQColor(clBtnShadow), palette.color(QPalette::Active, QPalette::Dark));
    EXPECT_EQ(toQColor(clBtnHighlight), palette.color(QPalette::Active, QPalette::Light));
    EXPECT_EQ(toQColor(clWindowText), palette.color(QPalette::Active, QPalette::WindowText));
    EXPECT_EQ(toQColor(clGrayText), palette.color(QPalette::Disabled, QPalette::WindowText));
    const QColor face = palette.color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(colorToRgb(clBtnFace), TColor::rgb(face.red(), face.green(), face.blue()));
    EXPECT_EQ(colorToRgb(TColor(0x02123456)), TColor(0x123456));
    EXPECT_EQ(toQColor(TColor(18835)), QColor(147, 73, 0));
    EXPECT_EQ(toQColor(clNone).alpha(), 0);
}

}  // namespace
}  // namespace velm
