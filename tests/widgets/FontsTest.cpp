#include "widgets/Fonts.h"

#include <gtest/gtest.h>
#include <QFontInfo>

namespace velm {
namespace {

TEST(FontsTest, MissingWindowsFamiliesDrawWithTheirSubstitutes) {
    struct Case {
        const char* family;
        const char* drawnAs;
    } cases[] = {
        {"MS Sans Serif", "DejaVu Sans"},
        {"Verdana", "DejaVu Sans"},
        {"Courier New", "Liberation Mono"},
        {"Arial", "Liberation Sans"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fontSubstitute(QString::fromLatin1(c.family)), QString::fromLatin1(c.drawnAs));
        const QFont font = makeFont(QString::fromLatin1(c.family), 16);
        EXPECT_EQ(QFontInfo(font).family(), QString::fromLatin1(c.drawnAs)) << c.family;
        // A QFont made without makeFont finds the substitute too.
        EXPECT_EQ(QFontInfo(QFont(QString::fromLatin1(c.family))).family(),
                  QString::fromLatin1(c.drawnAs));
    }
    EXPECT_EQ(fontSubstitute("verdana"), "DejaVu Sans");
    EXPECT_EQ(fontSubstitute("DejaVu Serif"), "DejaVu Serif");
}

TEST(FontsTest, MakeFontSetsHeightAndStyles) {
    const QFont font = makeFont("Verdana", 73, true, true, true);
    EXPECT_EQ(font.pixelSize(), 73);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_TRUE(QFontInfo(font).bold());
    const QFont plain = makeFont("MS Sans Serif", 11);
    EXPECT_EQ(plain.pixelSize(), 11);
    EXPECT_FALSE(plain.bold());
    EXPECT_EQ(makeFont("MS Sans Serif", -11).pixelSize(), 11);
}

}  // namespace
}  // namespace velm
