#include "widgets/Label3D.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>

#include "PixelTools.h"
#include "platform/Shell.h"
#include "support/RecordingShell.h"
#include "widgets/CanvasText.h"

namespace velm {
namespace {

using test::boundingBoxOf;
using test::pixel;
using test::renderWidget;

const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);

// A label as the gate shows it, at a size where text pixels are easy to find:
// crisp bold text, centred both ways, transparent over a black background.
class Label3DTest : public ::testing::Test {
protected:
    Label3DTest() {
        label.setAutoSize(false);
        label.setGeometry(0, 0, 200, 60);
        label.setFont(test::crispFont(24));
        label.setCaption("HIH");
        label.setFontColor(clWhite);
        label.setTransparent(true);
        label.setAlignment(taCenter);
        label.setLayout(tlCenter);
    }

    // The label with only its text (no copies), as a mask of pixels.
    QImage textAlone() {
        const TTextStyle style = label.TextStyle();
        label.setTextStyle(tsNone);
        QImage image = renderWidget(label);
        label.setTextStyle(style);
        return image;
    }

    struct Layer {
        QPoint offset;
        QColor color;
    };
    // What the label should show: the text mask painted at each offset in each
    // colour, in order, over black.
    QImage layered(const QImage& mask, const std::vector<Layer>& layers) {
        QImage expected = test::blankImage(mask.size(), Qt::black);
        const QRgb ink = mask.pixel(boundingBoxOf(mask, kWhite).topLeft());
        for (const auto& layer : layers)
            for (int y = 0; y < mask.height(); ++y)
                for (int x = 0; x < mask.width(); ++x) {
                    const int sx = x - layer.offset.x(), sy = y - layer.offset.y();
                    if (sx >= 0 && sy >= 0 && sx < mask.width() && sy < mask.height() &&
                        mask.pixel(sx, sy) == ink)
                        expected.setPixel(x, y, layer.color.rgb());
                }
        return expected;
    }

    TLabel3D label;
};

TEST_F(Label3DTest, StartsWithItsDocumentedValues) {
    TLabel3D fresh;
    EXPECT_EQ(fresh.TextStyle(), tsRaised);
    EXPECT_EQ(fresh.Shift(), 1);
    EXPECT_EQ(fresh.Escapement(), 0);
    EXPECT_FALSE(fresh.Border());
    EXPECT_EQ(fresh.BorderWidth(), 1);
    EXPECT_EQ(fresh.BorderColor(), clRed);
    EXPECT_EQ(fresh.BorderPenStyle(), psSolid);
    EXPECT_EQ(fresh.BorderType(), btDefault);
    EXPECT_EQ(fresh.EllipsesStyle(), esNone);
    EXPECT_EQ(fresh.LabelStyle(), lsDefault);
    EXPECT_TRUE(fresh.Address().isEmpty());
    EXPECT_FALSE(fresh.Colored());
    EXPECT_EQ(fresh.RecessColor(), clBtnShadow);
    EXPECT_EQ(fresh.RaiseColor(), clBtnHighlight);
    EXPECT_EQ(QFontInfo(fresh.font()).family(), "Liberation Sans");  // Arial's substitute
    // The ordinary label's own defaults.
    EXPECT_TRUE(fresh.AutoSize());
    EXPECT_TRUE(fresh.ShowAccelChar());
    EXPECT_FALSE(fresh.Transparent());
    EXPECT_FALSE(fresh.WordWrap());
    EXPECT_EQ(fresh.Alignment(), taLeftJustify);
    EXPECT_EQ(fresh.Layout(), tlTop);
    EXPECT_EQ(fresh.Color(), clBtnFace);
    EXPECT_EQ(fresh.FontColor(), clWindowText);
}

TEST_F(Label3DTest, LayoutAndWordWrapPlaceTheText) {
    label.setGeometry(0, 0, 200, 120);
    label.setTextStyle(tsNone);
    const auto box = [&] { return boundingBoxOf(renderWidget(label), kWhite); };
    label.setLayout(tlTop);
    const QRect top = box();
    label.setLayout(tlCenter);
    const QRect centre = box();
    label.setLayout(tlBottom);
    const QRect bottom = box();
    EXPECT_LT(top.top(), 10);
    EXPECT_GT(bottom.bottom(), 110);
    EXPECT_NEAR(centre.center().y(), 60, 6);
    EXPECT_EQ(top.size(), bottom.size());

    // Word wrap breaks between words; a vertical layout keeps one line.
    label.setCaption("HIH HIH HIH");
    label.setGeometry(0, 0, 100, 120);
    label.setLayout(tlTop);
    label.setWordWrap(false);
    const int oneLine = box().height();
    label.setWordWrap(true);
    EXPECT_GT(box().height(), 2 * oneLine);
    label.setLayout(tlCenter);
    EXPECT_EQ(box().height(), oneLine);
}

TEST_F(Label3DTest, RaisedDrawsTheRedCopyOnePixelRightAndDownUnderTheText) {
    const QImage mask = textAlone();
    ASSERT_GT(test::countOf(mask, kWhite), 100);
    EXPECT_EQ(test::countOf(mask, kRed), 0) << "tsNone draws the text once, no copies";
    EXPECT_EQ(renderWidget(label), layered(mask, {{{1, 1}, kRed}, {{0, 0}, kWhite}}));

    // The copy's colour is BorderColor.
    label.setBorderColor(clBlue);
    EXPECT_EQ(renderWidget(label), layered(mask, {{{1, 1}, QColor(0, 0, 255)}, {{0, 0}, kWhite}}));
}

TEST_F(Label3DTest, CopiesForEveryTextStyle) {
    const QImage mask = textAlone();
    label.SetColorRR(clBlue, clLime);  // recess, raise
    label.setShift(2);
    const QColor recess(0, 0, 255), raise(0, 255, 0);
    struct Case {
        TTextStyle style;
        std::vector<Layer> layers;
    } cases[] = {
        {tsLightRaised, {{{2, 2}, recess}, {{-2, -2}, raise}, {{0, 0}, kWhite}}},
        {tsRecessed, {{{2, 2}, raise}, {{0, 0}, kWhite}}},
        {tsHeavyRecessed, {{{2, 2}, raise}, {{-2, -2}, recess}, {{0, 0}, kWhite}}},
        {tsShadow, {{{2, 2}, recess}, {{0, 0}, kWhite}}},
        {tsRaised, {{{2, 2}, kRed}, {{0, 0}, kWhite}}},
    };
    for (const auto& c : cases) {
        label.setTextStyle(c.style);
        EXPECT_EQ(renderWidget(label), layered(mask, c.layers)) << "style " << c.style;
    }
    // A negative shift moves the first copy up and left.
    label.setTextStyle(tsRaised);
    label.setShift(-1);
    EXPECT_EQ(renderWidget(label), layered(mask, {{{-1, -1}, kRed}, {{0, 0}, kWhite}}));
}

TEST_F(Label3DTest, DefaultRecessAndRaiseColoursComeFromThePalette) {
    const QImage mask = textAlone();
    label.setFontColor(clYellow);
    label.setTextStyle(tsLightRaised);
    EXPECT_EQ(renderWidget(label), layered(mask, {{{1, 1}, toQColor(clBtnShadow)},
                                                  {{-1, -1}, toQColor(clBtnHighlight)},
                                                  {{0, 0}, QColor(255, 255, 0)}}));
}

TEST_F(Label3DTest, DisabledTextIsGrayOverNormallyColouredCopies) {
    const QImage mask = textAlone();
    label.setEnabled(false);
    EXPECT_EQ(renderWidget(label), layered(mask, {{{1, 1}, kRed}, {{0, 0}, toQColor(clGrayText)}}));
}

TEST_F(Label3DTest, OpaqueLabelFillsWithItsColour) {
    label.setTransparent(false);
    label.setColor(clNavy);
    const QImage image = renderWidget(label);
    EXPECT_EQ(pixel(image, 0, 0), QColor(0, 0, 128));
    EXPECT_EQ(pixel(image, 199, 59), QColor(0, 0, 128));
    EXPECT_GT(test::countOf(image, kWhite), 100);
}

TEST_F(Label3DTest, BorderRingsAreAnchoredAtTheTopLeftCorner) {
    label.setCaption("");
    label.setGeometry(0, 0, 40, 30);
    label.setBorder(true);
    // One ring: an outline from (0, 0) to the shrunk size (38 × 28), exclusive.
    QImage image = renderWidget(label);
    EXPECT_EQ(boundingBoxOf(image, kRed), QRect(0, 0, 38, 28));
    EXPECT_EQ(test::countOf(image, kRed), 2 * 38 + 2 * 26);

    // Three rings with a three-pixel pen, each centred on an outline two
    // pixels smaller than the one before: they share the top-left corner.
    label.setBorderWidth(3);
    image = renderWidget(label);
    const auto expectedRed = [](int x, int y) {
        for (int ring = 1; ring <= 3; ++ring) {
            const int right = 40 - 2 * ring - 1, bottom = 30 - 2 * ring - 1;
            const bool nearVertical = (x <= 1 || std::abs(x - right) <= 1) && y <= bottom + 1;
            const bool nearHorizontal = (y <= 1 || std::abs(y - bottom) <= 1) && x <= right + 1;
            if (nearVertical || nearHorizontal) return true;
        }
        return false;
    };
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(pixel(image, x, y) == kRed, expectedRed(x, y)) << x << "," << y;

    // Recessed: gray top and left, white bottom and right, each line one short.
    label.setBorderWidth(1);
    label.setBorderType(btRecessed);
    image = renderWidget(label);
    const QColor gray(128, 128, 128);
    EXPECT_EQ(boundingBoxOf(image, gray), QRect(0, 0, 37, 27));
    EXPECT_EQ(test::countOf(image, gray), 37 + 27 - 1);
    EXPECT_EQ(boundingBoxOf(image, kWhite), QRect(1, 1, 37, 27));
    EXPECT_EQ(pixel(image, 37, 0), QColor(Qt::black));  // top line stops before the corner
    EXPECT_EQ(pixel(image, 37, 27), kWhite);
    label.setBorderType(btRaised);
    image = renderWidget(label);
    EXPECT_EQ(boundingBoxOf(image, kWhite), QRect(0, 0, 37, 27));
    EXPECT_EQ(boundingBoxOf(image, gray), QRect(1, 1, 37, 27));

    // No rings without a width.
    label.setBorderWidth(0);
    EXPECT_EQ(test::countOf(renderWidget(label), kRed), 0);
}

TEST_F(Label3DTest, EscapementIsBroughtIntoZeroTo360) {
    struct Case {
        int set, stored;
    } cases[] = {{-30, 330}, {725, 5}, {360, 360}, {720, 360}, {-360, 0}, {-390, 330}, {90, 90}};
    for (const auto& c : cases) {
        label.setEscapement(c.set);
        EXPECT_EQ(label.Escapement(), c.stored) << c.set;
        EXPECT_EQ(normalisedEscapement(c.set), c.stored) << c.set;
    }
}

TEST_F(Label3DTest, RotatedLabelDrawsItsCopiesAndText) {
    label.setGeometry(0, 0, 120, 160);
    label.setAlignment(taLeftJustify);
    label.setEscapement(90);
    const QFontMetrics metrics(label.font());
    const int cx = metrics.horizontalAdvance("HIH"), cy = metrics.height();
    const QImage image = renderWidget(label);
    const QRect text = boundingBoxOf(image, kWhite);
    const QRect copy = boundingBoxOf(image, kRed);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_TRUE(QRect(0, 0, cy, cx).adjusted(-1, -1, 1, 1).contains(text));
    EXPECT_EQ(copy.right(), text.right() + 1);
    EXPECT_EQ(copy.bottom(), text.bottom() + 1);

    // AutoSize makes the label the rotated box.
    label.setAutoSize(true);
    EXPECT_EQ(label.size(), QSize(cy, cx));
}

TEST_F(Label3DTest, ColoredLabelRendersMarkupWithTintedCopies) {
    label.setAlignment(taLeftJustify);
    label.setLayout(tlTop);
    label.setColored(true);
    label.setCaption("<c:White>H");
    label.setFontColor(clBlue);
    const QImage image = renderWidget(label);
    // The copy (+1, +1) has the tag's colour darkened; the text has it exact.
    const QRect text = boundingBoxOf(image, kWhite);
    const QRect copy = boundingBoxOf(image, QColor(26, 26, 26));
    ASSERT_FALSE(text.isEmpty());
    const QImage alone = test::paintImage(label.size(), Qt::black, [&](QPainter& p) {
        p.setFont(label.font());
        p.setPen(Qt::white);
        textOut(p, 2, 0, "H");  // markup starts 2 pixels in
    });
    EXPECT_EQ(text, boundingBoxOf(alone, kWhite));
    EXPECT_EQ(copy.bottomRight(), text.bottomRight() + QPoint(1, 1));
    EXPECT_EQ(test::countOf(image, QColor(0, 0, 255)), 0);
}

TEST_F(Label3DTest, EllipsesStyleSwitchesAutoSizeOff) {
    label.setAutoSize(true);
    label.setEllipsesStyle(esNone);
    EXPECT_TRUE(label.AutoSize());
    label.setEllipsesStyle(esEnd);
    EXPECT_FALSE(label.AutoSize());
    EXPECT_EQ(label.EllipsesStyle(), esEnd);
    label.setAutoSize(true);
    label.setEllipsesStyle(esPath);
    EXPECT_FALSE(label.AutoSize());

    // A shortened caption stays within the label.
    label.setGeometry(0, 0, 80, 40);
    label.setAlignment(taLeftJustify);
    label.setEllipsesStyle(esEnd);
    label.setCaption("HHHHHHHHHHHHHHHH");
    const QRect text = boundingBoxOf(renderWidget(label), kWhite);
    EXPECT_LT(text.right(), 80);
}

TEST_F(Label3DTest, AutoSizeFitsTheText) {
    label.setAlignment(taLeftJustify);
    label.setLayout(tlTop);
    label.setGeometry(50, 10, 300, 100);
    label.setAutoSize(true);
    const QFontMetrics metrics(label.font());
    EXPECT_EQ(label.pos(), QPoint(50, 10));
    EXPECT_NEAR(label.width(), metrics.horizontalAdvance("HIH"), 1);
    EXPECT_EQ(label.height(), metrics.height());
    // A right-aligned label keeps its right edge.
    label.setAutoSize(false);
    label.setAlignment(taRightJustify);
    label.setGeometry(50, 10, 300, 100);
    label.setAutoSize(true);
    EXPECT_EQ(label.geometry().right(), 349);
    // An empty caption still has a line's height.
    label.setCaption("");
    EXPECT_EQ(label.height(), metrics.height());
    // "&" shows the accelerator letter; off, the "&" is drawn.
    label.setCaption("&H");
    const int withPrefix = label.width();
    label.setShowAccelChar(false);
    EXPECT_GT(label.width(), withPrefix);
}

// Records what the label asked the system to open.
using test::RecordingShell;

class Label3DLinkTest : public Label3DTest {
protected:
    RecordingShell recorder;
    ScopedService<Shell> installed{recorder};
    std::vector<std::string> events;

    Label3DLinkTest() {
        label.OnClick = [this] {
            events.push_back("OnClick after " + std::to_string(recorder.opened.size()));
        };
        label.OnMouseEnter = [this] { events.push_back("enter"); };
        label.OnMouseExit = [this] { events.push_back("exit"); };
    }

    void clickWithMouse() {
        const QPointF at(10, 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, label.mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, label.mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&label, &press);
        QCoreApplication::sendEvent(&label, &release);
    }
};

TEST_F(Label3DLinkTest, EmailClickOpensMailtoThenFiresOnClick) {
    label.setLabelStyle(lsEMailAddress);
    label.setAddress("suporte@quorix.com.br");
    clickWithMouse();
    EXPECT_EQ(recorder.opened, std::vector<std::string>{"mailto:suporte@quorix.com.br"});
    EXPECT_EQ(events, std::vector<std::string>{"OnClick after 1"});
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(Label3DLinkTest, WebClickOpensTheAddressAsItIs) {
    label.setLabelStyle(lsWWWAddress);
    label.setAddress("http://www.quorix.com.br");
    label.Click();
    EXPECT_EQ(recorder.opened, std::vector<std::string>{"http://www.quorix.com.br"});
    EXPECT_EQ(events, std::vector<std::string>{"OnClick after 1"});
}

TEST_F(Label3DLinkTest, WithoutAddressOrLinkStyleOnlyOnClickFires) {
    label.setLabelStyle(lsEMailAddress);
    label.Click();
    label.setLabelStyle(lsDefault);
    label.setAddress("suporte@quorix.com.br");
    label.Click();
    EXPECT_TRUE(recorder.opened.empty());
    EXPECT_EQ(events, (std::vector<std::string>{"OnClick after 0", "OnClick after 0"}));
}

TEST_F(Label3DLinkTest, MouseOverALinkUnderlinesAndReddens) {
    label.setLabelStyle(lsWWWAddress);
    label.setFontColor(clNavy);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&label, &enter);
    EXPECT_TRUE(label.font().underline());
    EXPECT_EQ(label.FontColor(), clRed);
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&label, &leave);
    EXPECT_FALSE(label.font().underline());
    EXPECT_EQ(label.FontColor(), clNavy);
    EXPECT_EQ(label.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(events, (std::vector<std::string>{"enter", "exit"}));

    // A plain label only reports the mouse.
    label.setLabelStyle(lsDefault);
    QCoreApplication::sendEvent(&label, &enter);
    EXPECT_FALSE(label.font().underline());
    EXPECT_EQ(label.FontColor(), clNavy);
    QCoreApplication::sendEvent(&label, &leave);
    EXPECT_EQ(events.size(), 4u);
}

}  // namespace
}  // namespace velm
