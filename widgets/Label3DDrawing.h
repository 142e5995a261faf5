#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

#include "widgets/Colors.h"
#include "widgets/Label3DTypes.h"

class QPainter;

namespace velm {

// The three ways a TLabel3D puts one copy of its caption on a painter (plain
// text is shortenedText's result through QPainter::drawText), and the colour
// tints of marked-up copies. Each routine draws in the painter's font and pen
// colour and keeps nothing between calls.

// --- Tints (10 %, rounded half to even, per channel) -----------------------

// channel × 10 / 100: white becomes RGB 26, 26, 26.
TColor darkenedColor(TColor color);
// (channel × 10 / 100) + 230, low 8 bits: black becomes RGB 230, 230, 230.
TColor lightenedColor(TColor color);
TColor tintedColor(TColor color, TTintMode mode);

// --- Plain drawing ------------------------------------------------------------

// The format of plain drawing: Qt alignment and text flags (Qt::TextWordWrap,
// Qt::TextExpandTabs, Qt::TextSingleLine, Qt::TextShowMnemonic ...), plus how
// text that does not fit is shortened, which Qt's flags cannot say.
struct PlainTextFormat {
    int flags = 0;
    TEllipsesStyle ellipsis = esNone;
};

// Calculate-only: the rectangle the text needs, from the rectangle's top-left
// corner (as wide as the longest line; wrapped text starts from the
// rectangle's width).
QRect plainTextBounds(const QFont& font, const QString& text, const QRect& rect,
                      const PlainTextFormat& format);

// The text as it is drawn in `width` pixels, with QPainter::drawText and the
// same flags: its line breaks made LF; with esEnd and esPath each line (each
// word when `wordWrap`) that is too wide is shortened with an ellipsis, at its
// end or, for esPath, in the middle keeping the part from the last "\" or "/" on.
QString shortenedText(const QFont& font, const QString& text, int width, TEllipsesStyle ellipsis,
                      bool wordWrap, int flags);

// --- Rotated drawing ------------------------------------------------------------

// Where rotated text starts and the box it covers, for an angle of 1..360
// degrees (counter-clockwise) and a one-line text extent of cx × cy pixels.
struct RotatedGeometry {
    int dx = 0;     // start, right of the rectangle's left edge
    int dy = 0;     // start, below the rectangle's top
    int width = 0;  // the rotated text's box
    int height = 0;
};
RotatedGeometry rotatedTextGeometry(int angle, int cx, int cy);

// The rotated text's box for the caption in the font.
QSize rotatedTextBox(const QFont& font, const QString& text, int angle);

// The caption in one line, rotated by `angle` degrees counter-clockwise,
// starting inside `rect`. Without `autoSize` the start moves right to centre
// (taCenter) or right-align (taRightJustify) the box in `labelWidth`.
void drawRotatedText(QPainter& painter, const QString& text, const QRect& rect, int angle,
                     TAlignment alignment, bool autoSize, int labelWidth);

// --- Markup drawing ------------------------------------------------------------

// Text with <b> </b> <i> </i> <u> </u> <c:colour> </c> tags (case-insensitive),
// one line per CR LF, LF or CR, each aligned on its own within the rectangle
// and started 2 pixels in. Styles and colour return to the line's start at
// the end of each line. Colour tags are tinted by `tint`.
void drawMarkupText(QPainter& painter, const QString& text, const QRect& rect, TAlignment alignment,
                    TTintMode tint);
// The width of one marked-up line as drawn (its segments plus 4 pixels).
int markupLineWidth(const QFont& font, const QString& line);
// The extent of the marked-up text: the widest line by the lines' height.
QSize markupTextExtent(const QFont& font, const QString& text);

}  // namespace velm
