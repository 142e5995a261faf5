#include "widgets/Label3DDrawing.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include "widgets/CanvasText.h"

namespace velm {

namespace {

// --- Tints -------------------------------------------------------------------

constexpr int kTintPercent = 10;

// numerator / denominator for non-negative values, rounded half to even.
int roundHalfEven(int numerator, int denominator) {
    const int quotient = numerator / denominator;
    const int twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 != 0))
        return quotient + 1;
    return quotient;
}

int darkenedChannel(int channel) {
    return roundHalfEven(channel * kTintPercent, 100);
}

int lightenedChannel(int channel) {
    // 255 − 10 % of 255 = 229.5, which rounds to 230.
    const int lift = roundHalfEven(255 * (100 - kTintPercent), 100);
    return (darkenedChannel(channel) + lift) & 0xFF;
}

// --- Plain drawing -------------------------------------------------------------

// Line breaks as Qt draws them: CR LF, LF and a lone CR all become LF.
QString normalisedLineBreaks(const QString& text) {
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

// The flags that change a single line's width.
int measuringFlags(int flags) {
    return flags & (Qt::TextShowMnemonic | Qt::TextExpandTabs);
}

int lineWidth(const QFontMetrics& metrics, const QString& text, int flags) {
    return metrics.size(measuringFlags(flags) | Qt::TextSingleLine, text).width();
}

const QString kEllipsis = QString(QChar(0x2026));

QString pathEllipsis(const QFontMetrics& metrics, const QString& text, int width, int flags) {
    if (lineWidth(metrics, text, flags) <= width) return text;
    const auto separator =
        std::max(text.lastIndexOf(QLatin1Char('\\')), text.lastIndexOf(QLatin1Char('/')));
    if (separator < 0)
        return metrics.elidedText(text, Qt::ElideMiddle, width, measuringFlags(flags));
    // Keep the last part whole and shorten what comes before it.
    const QString head = text.left(separator);
    const QString tail = text.mid(separator);
    for (auto keep = head.size() - 1; keep >= 0; --keep) {
        const QString candidate = head.left(keep) + kEllipsis + tail;
        if (lineWidth(metrics, candidate, flags) <= width) return candidate;
    }
    return metrics.elidedText(kEllipsis + tail, Qt::ElideRight, width, measuringFlags(flags));
}

QString shortenedPiece(const QFontMetrics& metrics, const QString& piece, int width,
                       TEllipsesStyle ellipsis, int flags) {
    if (lineWidth(metrics, piece, flags) <= width) return piece;
    if (ellipsis == esPath) return pathEllipsis(metrics, piece, width, flags);
    return metrics.elidedText(piece, Qt::ElideRight, width, measuringFlags(flags));
}

// --- Markup drawing ------------------------------------------------------------

enum class TagKind { Bold, BoldOff, Italic, ItalicOff, Underline, UnderlineOff, ColorOff, Color };

struct Tag {
    TagKind kind;
    qsizetype length;  // characters from "<" to ">" inclusive
    QString colorText;
};

// The tag starting at line[at] (a "<"), if it is one.
std::optional<Tag> tagAt(const QString& line, qsizetype at) {
    struct Word {
        const char* text;
        TagKind kind;
    };
    static constexpr Word kWords[] = {
        {"b>", TagKind::Bold},       {"/b>", TagKind::BoldOff},  {"i>", TagKind::Italic},
        {"/i>", TagKind::ItalicOff}, {"u>", TagKind::Underline}, {"/u>", TagKind::UnderlineOff},
        {"/c>", TagKind::ColorOff},
    };
    const QStringView rest = QStringView(line).mid(at + 1);
    for (const auto& word : kWords) {
        const QLatin1String text(word.text);
        if (rest.startsWith(text, Qt::CaseInsensitive)) return Tag{word.kind, 1 + text.size(), {}};
    }
    if (rest.startsWith(QLatin1String("c:"), Qt::CaseInsensitive)) {
        const auto close = line.indexOf(QLatin1Char('>'), at + 3);
        // Without its ">" the "<" is an ordinary character.
        if (close < 0) return std::nullopt;
        return Tag{TagKind::Color, close - at + 1, line.mid(at + 3, close - at - 3)};
    }
    return std::nullopt;
}

std::optional<TColor> tagColor(const QString& colorText) {
    const std::string text = colorText.toStdString();
    if (text.empty() || text.front() == '$') return colorFromNumber(text);
    return colorFromName("cl" + text);
}

// Walks one marked-up line: `write(segment, font, color)` gets each run of
// ordinary characters with the style and colour in force for it.
template <class Write>
void walkMarkupLine(const QString& line, QFont font, QColor color, TTintMode tint, Write write) {
    const QColor lineColor = color;
    QString pending;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto tag = line[i] == QLatin1Char('<') ? tagAt(line, i) : std::nullopt;
        if (!tag) {
            pending += line[i];
            continue;
        }
        write(pending, font, color);
        pending.clear();
        switch (tag->kind) {
            case TagKind::Bold:
                font.setBold(true);
                break;
            case TagKind::BoldOff:
                font.setBold(false);
                break;
            case TagKind::Italic:
                font.setItalic(true);
                break;
            case TagKind::ItalicOff:
                font.setItalic(false);
                break;
            case TagKind::Underline:
                font.setUnderline(true);
                break;
            case TagKind::UnderlineOff:
                font.setUnderline(false);
                break;
            case TagKind::ColorOff:
                color = lineColor;
                break;
            case TagKind::Color:
                if (const auto parsed = tagColor(tag->colorText))
                    color = toQColor(tintedColor(*parsed, tint));
                break;
        }
        i += tag->length - 1;
    }
    write(pending, font, color);
}

QStringList markupLines(const QString& text) {
    return normalisedLineBreaks(text).split(QLatin1Char('\n'));
}

int markupLineWidthOn(const QFont& font, const QString& line, const QPaintDevice* device) {
    int width = 0;
    walkMarkupLine(line, font, QColor(), TTintMode::Exact,
                   [&](const QString& segment, const QFont& segmentFont, const QColor&) {
                       const QFontMetrics metrics =
                           device ? QFontMetrics(segmentFont, device) : QFontMetrics(segmentFont);
                       width += metrics.horizontalAdvance(segment);
                   });
    return width + 4;
}

}  // namespace

// --- Tints -------------------------------------------------------------------

TColor darkenedColor(TColor color) {
    const TColor rgb = colorToRgb(color);
    return TColor::rgb(darkenedChannel(rgb.red()), darkenedChannel(rgb.green()),
                       darkenedChannel(rgb.blue()));
}

TColor lightenedColor(TColor color) {
    const TColor rgb = colorToRgb(color);
    return TColor::rgb(lightenedChannel(rgb.red()), lightenedChannel(rgb.green()),
                       lightenedChannel(rgb.blue()));
}

TColor tintedColor(TColor color, TTintMode mode) {
    switch (mode) {
        case TTintMode::Darkened:
            return darkenedColor(color);
        case TTintMode::Lightened:
            return lightenedColor(color);
        case TTintMode::Exact:
            break;
    }
    return color;
}

// --- Plain drawing -------------------------------------------------------------

QString shortenedText(const QFont& font, const QString& text, int width, TEllipsesStyle ellipsis,
                      bool wordWrap, int flags) {
    const QString normalised = normalisedLineBreaks(text);
    if (ellipsis == esNone) return normalised;
    const QFontMetrics metrics(font);
    QStringList lines = normalised.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (!wordWrap) {
            line = shortenedPiece(metrics, line, width, ellipsis, flags);
            continue;
        }
        // Wrapped lines break between words; only a word wider than the whole
        // rectangle still overflows.
        QStringList words = line.split(QLatin1Char(' '));
        for (QString& word : words) word = shortenedPiece(metrics, word, width, ellipsis, flags);
        line = words.join(QLatin1Char(' '));
    }
    return lines.join(QLatin1Char('\n'));
}

QRect plainTextBounds(const QFont& font, const QString& text, const QRect& rect,
                      const PlainTextFormat& format) {
    const int flags = format.flags & ~(Qt::AlignVertical_Mask | Qt::AlignHorizontal_Mask);
    const QString shown = shortenedText(font, text, rect.width(), format.ellipsis,
                                        (flags & Qt::TextWordWrap) != 0, flags);
    const QRect needed = QFontMetrics(font).boundingRect(rect, flags, shown);
    return QRect(rect.topLeft(), needed.size());
}

// --- Rotated drawing ------------------------------------------------------------

RotatedGeometry rotatedTextGeometry(int angle, int cx, int cy) {
    constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
    const auto trunc = [](double value) { return static_cast<int>(std::trunc(value)); };
    const auto sinDeg = [&](double degrees) { return std::sin(degrees * kRadiansPerDegree); };
    const auto cosDeg = [&](double degrees) { return std::cos(degrees * kRadiansPerDegree); };
    const double s = sinDeg(angle);
    const double c = cosDeg(angle);

    RotatedGeometry g;
    if (angle <= 90) {
        g.dy = trunc(s * cx);
    } else if (angle <= 180) {
        g.dx = trunc(-c * cx);
        g.dy = trunc(cosDeg(180 - angle) * cy + s * cx);
    } else if (angle <= 270) {
        g.dx = trunc(sinDeg(angle - 180) * cy - c * cx);
        g.dy = trunc(sinDeg(270 - angle) * cy);
    } else {
        g.dx = trunc(sinDeg(360 - angle) * cy);
    }
    g.width = std::abs(trunc(c * cx)) + std::abs(trunc(s * cy));
    g.height = std::abs(trunc(s * cx)) + std::abs(trunc(c * cy));
    return g;
}

QSize rotatedTextBox(const QFont& font, const QString& text, int angle) {
    const QSize extent = textExtent(font, text);
    const RotatedGeometry g = rotatedTextGeometry(angle, extent.width(), extent.height());
    return QSize(g.width, g.height);
}

void drawRotatedText(QPainter& painter, const QString& text, const QRect& rect, int angle,
                     TAlignment alignment, bool autoSize, int labelWidth) {
    const QSize extent = textExtent(painter.font(), text);
    const RotatedGeometry g = rotatedTextGeometry(angle, extent.width(), extent.height());
    int x = rect.left() + g.dx;
    const int y = rect.top() + g.dy;
    if (!autoSize) {
        if (alignment == taCenter)
            x += (labelWidth - g.width) / 2;
        else if (alignment == taRightJustify)
            x += labelWidth - g.width;
    }
    painter.save();
    painter.translate(x, y);
    painter.rotate(-angle);  // counter-clockwise on screen
    textOut(painter, 0, 0, text);
    painter.restore();
}

// --- Markup drawing ------------------------------------------------------------

int markupLineWidth(const QFont& font, const QString& line) {
    return markupLineWidthOn(font, line, nullptr);
}

QSize markupTextExtent(const QFont& font, const QString& text) {
    const QStringList lines = markupLines(text);
    int width = 0;
    for (const QString& line : lines) width = std::max(width, markupLineWidth(font, line));
    return QSize(width, int(lines.size()) * QFontMetrics(font).height());
}

void drawMarkupText(QPainter& painter, const QString& text, const QRect& rect, TAlignment alignment,
                    TTintMode tint) {
    const QFont startFont = painter.font();
    const QPen startPen = painter.pen();
    const int lineHeight = QFontMetrics(startFont, painter.device()).height();
    const QStringList lines = markupLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        int left = rect.left();
        const int right = rect.left() + rect.width();
        if (alignment == taRightJustify)
            left = right - markupLineWidthOn(startFont, line, painter.device());
        else if (alignment == taCenter)
            left += (right - left - markupLineWidthOn(startFont, line, painter.device())) / 2;
        const int top = rect.top() + int(i) * lineHeight;
        if (painter.brush().style() != Qt::NoBrush)
            painter.fillRect(QRect(QPoint(left, top), QPoint(right - 1, rect.bottom())),
                             painter.brush());

        int x = left + 2;
        walkMarkupLine(line, startFont, startPen.color(), tint,
                       [&](const QString& segment, const QFont& font, const QColor& color) {
                           if (segment.isEmpty()) return;
                           painter.setFont(font);
                           painter.setPen(color);
                           textOut(painter, x, top, segment);
                           x += painter.fontMetrics().horizontalAdvance(segment);
                       });
        // Tags never carry over into the next line.
        painter.setFont(startFont);
        painter.setPen(startPen);
    }
}

}  // namespace velm
