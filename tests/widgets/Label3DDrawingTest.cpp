#include "widgets/Label3DDrawing.h"

#include <gtest/gtest.h>
#include <QFontMetrics>

#include "PixelTools.h"
#include "widgets/CanvasText.h"

namespace velm {
namespace {

using test::paintImage;

TEST(TintTest, TenPercentWithHalvesToEven) {
    struct Case {
        TColor color;
        TTintMode mode;
        TColor expected;
    } cases[] = {
        {clWhite, TTintMode::Darkened, TColor::rgb(26, 26, 26)},  // 25.5 -> 26
        {clBlack, TTintMode::Lightened, TColor::rgb(230, 230, 230)},
        {clWhite, TTintMode::Lightened, TColor::rgb(0, 0, 0)},  // 26 + 230 keeps its low 8 bits
        {clBlack, TTintMode::Darkened, clBlack},
        {TColor::rgb(245, 235, 15), TTintMode::Darkened,
         TColor::rgb(24, 24, 2)},                                                // 24.5, 23.5, 1.5
        {TColor::rgb(25, 35, 128), TTintMode::Darkened, TColor::rgb(2, 4, 13)},  // 2.5, 3.5, 12.8
        {clRed, TTintMode::Lightened, TColor::rgb(0, 230, 230)},
        {TColor::rgb(245, 100, 0), TTintMode::Lightened, TColor::rgb(254, 240, 230)},
        {clYellow, TTintMode::Exact, clYellow},
        {clBtnFace, TTintMode::Exact, clBtnFace},  // exact keeps even a system reference
    };
    for (const auto& c : cases)
        EXPECT_EQ(tintedColor(c.color, c.mode), c.expected) << c.color << " mode " << int(c.mode);

    // A system colour is tinted through its RGB value.
    const TColor face = colorToRgb(clBtnFace);
    EXPECT_EQ(darkenedColor(clBtnFace), darkenedColor(face));
}

TEST(RotatedGeometryTest, TableOfAnglesFor100By16) {
    struct Case {
        int angle;
        RotatedGeometry expected;  // dx, dy, width, height
    } cases[] = {
        {90, {0, 100, 16, 100}},    // starts 100 down, box 16 wide and 100 high
        {180, {100, 16, 100, 16}},  // starts 100 right and 16 down
        {270, {16, 0, 16, 100}},   {360, {0, 0, 100, 16}},
        {45, {0, 70, 81, 81}},    // 70.71 and 11.31 truncated
        {60, {0, 86, 63, 94}},    // sin 86.60, cos 50; 13.86 and 8
        {135, {70, 82, 81, 81}},  // 11.31 + 70.71 = 82.02
        {225, {82, 11, 81, 81}},   {315, {11, 0, 81, 81}},
        {300, {13, 0, 63, 94}},
    };
    for (const auto& c : cases) {
        const RotatedGeometry g = rotatedTextGeometry(c.angle, 100, 16);
        EXPECT_EQ(g.dx, c.expected.dx) << c.angle;
        EXPECT_EQ(g.dy, c.expected.dy) << c.angle;
        EXPECT_EQ(g.width, c.expected.width) << c.angle;
        EXPECT_EQ(g.height, c.expected.height) << c.angle;
    }
}

class DrawingTest : public ::testing::Test {
protected:
    static constexpr QSize kSize{300, 120};
    QFont font = test::crispFont(20);
    QFont boldFont = test::crispFont(20, true);
    QFont plainFont = test::crispFont(20, false);

    QImage markup(const QString& text, TAlignment alignment = taLeftJustify,
                  TTintMode tint = TTintMode::Exact, QFont base = test::crispFont(20, false)) {
        return paintImage(kSize, Qt::black, [&](QPainter& p) {
            p.setFont(base);
            p.setPen(Qt::white);
            drawMarkupText(p, text, QRect(10, 10, 280, 100), alignment, tint);
        });
    }

    struct Piece {
        QString text;
        QFont font;
        QColor color;
    };
    // The pieces written one after the other from (x, y), as the markup walk should.
    QImage pieces(int x, int y, const std::vector<Piece>& parts) {
        return paintImage(kSize, Qt::black, [&](QPainter& p) {
            int at = x;
            for (const auto& part : parts) {
                p.setFont(part.font);
                p.setPen(part.color);
                textOut(p, at, y, part.text);
                at += p.fontMetrics().horizontalAdvance(part.text);
            }
        });
    }
};

TEST_F(DrawingTest, MarkupWritesEachSegmentWherePreviousEnded) {
    // A, bold B, C from 2 pixels inside the rectangle.
    EXPECT_EQ(markup("A<b>B</b>C"), pieces(12, 10,
                                           {{"A", plainFont, Qt::white},
                                            {"B", boldFont, Qt::white},
                                            {"C", plainFont, Qt::white}}));
    // Tags are case-insensitive; italic and underline likewise.
    QFont italic = plainFont;
    italic.setItalic(true);
    QFont underline = plainFont;
    underline.setUnderline(true);
    EXPECT_EQ(markup("A<I>B</I><u>C</U>D"), pieces(12, 10,
                                                   {{"A", plainFont, Qt::white},
                                                    {"B", italic, Qt::white},
                                                    {"C", underline, Qt::white},
                                                    {"D", plainFont, Qt::white}}));
    // The bold text really is different from the plain one.
    EXPECT_NE(markup("A<b>B</b>C"), markup("ABC"));
}

TEST_F(DrawingTest, MarkupColoursByNameAndByNumber) {
    EXPECT_EQ(markup("<c:Blue>x</c>y"),
              pieces(12, 10, {{"x", plainFont, QColor(0, 0, 255)}, {"y", plainFont, Qt::white}}));
    EXPECT_EQ(markup("<C:bLuE>x</C>y"), markup("<c:Blue>x</c>y"));
    // The low byte of a colour number is red.
    const QImage red = markup("<c:$0000FF>H");
    EXPECT_GT(test::countOf(red, QColor(255, 0, 0)), 20);
    EXPECT_EQ(test::countOf(red, Qt::white), 0);
    // An unknown colour name, an empty colour and one already prefixed change nothing.
    const QImage plain = pieces(12, 10, {{"x", plainFont, Qt::white}});
    EXPECT_EQ(markup("<c:Nonsense>x"), plain);
    EXPECT_EQ(markup("<c:>x"), plain);
    EXPECT_EQ(markup("<c:clRed>x"), plain);
}

TEST_F(DrawingTest, UnknownTagsAreWrittenAsText) {
    EXPECT_EQ(markup("<q>x"), pieces(12, 10, {{"<q>x", plainFont, Qt::white}}));
    EXPECT_EQ(markup("a<bx"), pieces(12, 10, {{"a<bx", plainFont, Qt::white}}));
    // A colour tag without its ">" is text too.
    EXPECT_EQ(markup("a<c:Red"), pieces(12, 10, {{"a<c:Red", plainFont, Qt::white}}));
}

TEST_F(DrawingTest, MarkupTagsDoNotCarryOverToTheNextLine) {
    const int lineHeight = QFontMetrics(plainFont).height();
    const QImage expected = paintImage(kSize, Qt::black, [&](QPainter& p) {
        p.setFont(boldFont);
        p.setPen(QColor(255, 0, 0));
        textOut(p, 12, 10, "A");
        p.setFont(plainFont);
        p.setPen(Qt::white);
        textOut(p, 12, 10 + lineHeight, "B");
        textOut(p, 12, 10 + 2 * lineHeight, "C");
    });
    EXPECT_EQ(markup("<b><c:Red>A\r\nB\rC"), expected);
    EXPECT_EQ(markup("<b><c:Red>A\nB\nC"), expected);
}

TEST_F(DrawingTest, MarkupAlignsEachLineOnItsOwn) {
    const int wide = markupLineWidth(plainFont, "WWW");
    const int narrow = markupLineWidth(plainFont, "W");
    EXPECT_EQ(wide, QFontMetrics(plainFont).horizontalAdvance("WWW") + 4);
    const int lineHeight = QFontMetrics(plainFont).height();
    // Right: left edge = right edge − width, text from 2 pixels after it.
    EXPECT_EQ(markup("WWW\nW", taRightJustify), paintImage(kSize, Qt::black, [&](QPainter& p) {
                  p.setFont(plainFont);
                  p.setPen(Qt::white);
                  textOut(p, 290 - wide + 2, 10, "WWW");
                  textOut(p, 290 - narrow + 2, 10 + lineHeight, "W");
              }));
    EXPECT_EQ(markup("WWW\nW", taCenter), paintImage(kSize, Qt::black, [&](QPainter& p) {
                  p.setFont(plainFont);
                  p.setPen(Qt::white);
                  textOut(p, 10 + (280 - wide) / 2 + 2, 10, "WWW");
                  textOut(p, 10 + (280 - narrow) / 2 + 2, 10 + lineHeight, "W");
              }));
    EXPECT_EQ(markupTextExtent(plainFont, "WWW\nW"), QSize(wide, 2 * lineHeight));
}

TEST_F(DrawingTest, MarkupColourTagsAreTintedInCopies) {
    const QImage darkened = markup("<c:White>H", taLeftJustify, TTintMode::Darkened);
    EXPECT_GT(test::countOf(darkened, QColor(26, 26, 26)), 20);
    EXPECT_EQ(test::countOf(darkened, Qt::white), 0);
    const QImage lightened = markup("<c:Black>H", taLeftJustify, TTintMode::Lightened);
    EXPECT_GT(test::countOf(lightened, QColor(230, 230, 230)), 20);
    // The copy's own colour (the pen) is not tinted; only tag colours are.
    EXPECT_GT(test::countOf(markup("H", taLeftJustify, TTintMode::Darkened), Qt::white), 20);
}

TEST_F(DrawingTest, RotatedTextLiesInItsBox) {
    const QString text = "HHHHHH";
    const QFontMetrics metrics(font);
    const int cx = metrics.horizontalAdvance(text);
    const int cy = metrics.height();
    for (int angle : {90, 180, 270}) {
        const RotatedGeometry g = rotatedTextGeometry(angle, cx, cy);
        const QImage image = paintImage(QSize(300, 300), Qt::black, [&](QPainter& p) {
            p.setFont(font);
            p.setPen(Qt::white);
            drawRotatedText(p, text, QRect(50, 50, 200, 200), angle, taLeftJustify, false, 200);
        });
        const QRect ink = test::boundingBoxOf(image, Qt::white);
        const QRect box(50, 50, g.width, g.height);
        ASSERT_FALSE(ink.isEmpty()) << angle;
        EXPECT_TRUE(box.adjusted(-1, -1, 1, 1).contains(ink))
            << angle << " ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x"
            << ink.height();
        // The text runs along the box's long side.
        const int along = angle == 180 ? ink.width() : ink.height();
        EXPECT_GT(along, cx - 6) << angle;
    }
    // 90 degrees reads upwards: the first letter is at the bottom.
    const QImage marked = paintImage(QSize(300, 300), Qt::black, [&](QPainter& p) {
        p.setFont(font);
        p.setPen(Qt::white);
        drawRotatedText(p, "HHHHHH", QRect(50, 50, 200, 200), 90, taLeftJustify, false, 200);
        p.setPen(Qt::red);
        drawRotatedText(p, "H", QRect(50, 50 + cx - metrics.horizontalAdvance("H"), 200, 200), 90,
                        taLeftJustify, false, 200);
    });
    const QRect first = test::boundingBoxOf(marked, Qt::red);
    EXPECT_GT(first.top(), 50 + cx - metrics.horizontalAdvance("H") - 2);
}

TEST_F(DrawingTest, RotatedTextIsCentredOrRightAlignedWithoutAutoSize) {
    const QFontMetrics metrics(font);
    const int cy = metrics.height();
    const auto inkFor = [&](TAlignment alignment, bool autoSize) {
        return test::boundingBoxOf(paintImage(QSize(300, 300), Qt::black,
                                              [&](QPainter& p) {
                                                  p.setFont(font);
                                                  p.setPen(Qt::white);
                                                  drawRotatedText(p, "HHH", QRect(0, 0, 300, 300),
                                                                  90, alignment, autoSize, 300);
                                              }),
                                   Qt::white);
    };
    const QRect left = inkFor(taLeftJustify, false);
    EXPECT_EQ(inkFor(taCenter, false), left.translated((300 - cy) / 2, 0));
    EXPECT_EQ(inkFor(taRightJustify, false), left.translated(300 - cy, 0));
    EXPECT_EQ(inkFor(taCenter, true), left);  // an autosized label fits the box already
}

TEST_F(DrawingTest, PlainTextShortening) {
    const QFontMetrics metrics(plainFont);
    const QString longText = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const QString end = shortenedText(plainFont, longText, 100, esEnd, false, 0);
    EXPECT_TRUE(end.startsWith("ABC"));
    EXPECT_TRUE(end.endsWith(QChar(0x2026)));
    EXPECT_LE(metrics.horizontalAdvance(end), 100);
    EXPECT_EQ(shortenedText(plainFont, longText, 100, esNone, false, 0), longText);
    EXPECT_EQ(shortenedText(plainFont, "AB", 100, esEnd, false, 0), "AB");

    const QString path = "C:\\Quorix\\Scripts\\Antigos\\script.txt";
    const QString shortPath = shortenedText(plainFont, path, 220, esPath, false, 0);
    EXPECT_TRUE(shortPath.endsWith("\\script.txt")) << shortPath.toStdString();
    EXPECT_TRUE(shortPath.startsWith("C:")) << shortPath.toStdString();
    EXPECT_TRUE(shortPath.contains(QChar(0x2026)));
    EXPECT_LE(metrics.horizontalAdvance(shortPath), 220);

    // Wrapped text keeps its words; only a word wider than the line is shortened.
    const QString wrapped = shortenedText(plainFont, "AB " + longText + " CD", 100, esEnd, true, 0);
    EXPECT_TRUE(wrapped.startsWith("AB ABC"));
    EXPECT_TRUE(wrapped.endsWith(" CD"));
}

}  // namespace
}  // namespace velm
