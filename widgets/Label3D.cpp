#include "widgets/Label3D.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include "platform/EventGuard.h"
#include "platform/QtAnsi.h"
#include "platform/Shell.h"
#include "widgets/Fonts.h"
#include "widgets/Property.h"

namespace velm {

namespace {

// The active link colour, while the mouse is over a link.
constexpr TColor kLinkColor = clRed;

struct EffectCopy {
    TColor color;
    TTintMode tint;
};

Qt::PenStyle qtPenStyle(TPenStyle style, int width) {
    // Like the system's pens, a dashed or dotted pen wider than one pixel is solid.
    if (width > 1 && style != psClear) return Qt::SolidLine;
    switch (style) {
        case psDash:
            return Qt::DashLine;
        case psDot:
            return Qt::DotLine;
        case psDashDot:
            return Qt::DashDotLine;
        case psDashDotDot:
            return Qt::DashDotDotLine;
        case psClear:
            return Qt::NoPen;
        case psSolid:
        case psInsideFrame:
            break;
    }
    return Qt::SolidLine;
}

// A horizontal or vertical line that covers the pixels from `from` to `to`
// inclusive, centred on them across its width.
void drawPixelLine(QPainter& painter, QPoint from, QPoint to) {
    if (from.y() == to.y()) {
        const int left = std::min(from.x(), to.x());
        const int right = std::max(from.x(), to.x());
        painter.drawLine(QPointF(left, from.y() + 0.5), QPointF(right + 1, from.y() + 0.5));
    } else {
        const int top = std::min(from.y(), to.y());
        const int bottom = std::max(from.y(), to.y());
        painter.drawLine(QPointF(from.x() + 0.5, top), QPointF(from.x() + 0.5, bottom + 1));
    }
}

// A frame of four lines on (0, 0, right, bottom): top and left in `first`, then
// from the bottom-right corner the right and bottom edges in `second`; each
// line stops one pixel short of its end point.
void drawFrame(QPainter& painter, int right, int bottom, const QColor& first,
               const QColor& second) {
    QPen pen = painter.pen();
    pen.setColor(first);
    painter.setPen(pen);
    if (right > 0) drawPixelLine(painter, QPoint(0, 0), QPoint(right - 1, 0));
    if (bottom > 0) drawPixelLine(painter, QPoint(0, 0), QPoint(0, bottom - 1));
    pen.setColor(second);
    painter.setPen(pen);
    if (bottom > 0) drawPixelLine(painter, QPoint(right, bottom), QPoint(right, 1));
    if (right > 0) drawPixelLine(painter, QPoint(right, bottom), QPoint(1, bottom));
}

}  // namespace

int normalisedEscapement(int degrees) {
    if (degrees < 0) {
        const int rest = degrees % 360;
        return rest == 0 ? 0 : rest + 360;
    }
    if (degrees > 360) {
        const int rest = degrees % 360;
        return rest == 0 ? 360 : rest;
    }
    return degrees;
}

TLabel3D::TLabel3D(QWidget* parent) : QWidget(parent) {
    QFont arial = font();
    arial.setFamilies(
        QStringList{QStringLiteral("Arial"), fontSubstitute(QStringLiteral("Arial"))});
    setFont(arial);
}

// --- Ordinary label properties -------------------------------------------------

// Changes that alter the text's extent resize an autosized label.
void TLabel3D::textChanged() {
    adjustBounds();
    update();
}

void TLabel3D::setCaption(const QString& caption) {
    if (changeProperty(caption_, caption)) textChanged();
}
void TLabel3D::setFontColor(TColor color) {
    if (changeProperty(fontColor_, color)) update();
}
void TLabel3D::setColor(TColor color) {
    if (changeProperty(color_, color)) update();
}
void TLabel3D::setAlignment(TAlignment alignment) {
    if (changeProperty(alignment_, alignment)) update();
}
void TLabel3D::setLayout(TTextLayout layout) {
    if (changeProperty(layout_, layout)) update();
}
void TLabel3D::setWordWrap(bool wordWrap) {
    if (changeProperty(wordWrap_, wordWrap)) textChanged();
}
void TLabel3D::setTransparent(bool transparent) {
    if (changeProperty(transparent_, transparent)) update();
}
void TLabel3D::setShowAccelChar(bool show) {
    if (changeProperty(showAccelChar_, show)) textChanged();
}
void TLabel3D::setAutoSize(bool autoSize) {
    if (changeProperty(autoSize_, autoSize)) adjustBounds();
}

// --- Its own properties ----------------------------------------------------------

void TLabel3D::setTextStyle(TTextStyle style) {
    if (changeProperty(textStyle_, style)) update();
}
void TLabel3D::setShift(int shift) {
    if (changeProperty(shift_, shift)) update();
}
void TLabel3D::setEscapement(int degrees) {
    if (degrees == escapement_) return;
    escapement_ = normalisedEscapement(degrees);
    textChanged();
}
void TLabel3D::setBorderType(TBorderType type) {
    if (changeProperty(borderType_, type)) update();
}
void TLabel3D::setColored(bool colored) {
    if (changeProperty(colored_, colored)) textChanged();
}

// The border setters repaint even when the value is the same.
void TLabel3D::setBorder(bool border) {
    storeAndRepaint(*this, border_, border);
}
void TLabel3D::setBorderWidth(int width) {
    storeAndRepaint(*this, borderWidth_, width);
}
void TLabel3D::setBorderColor(TColor color) {
    storeAndRepaint(*this, borderColor_, color);
}
void TLabel3D::setBorderPenStyle(TPenStyle style) {
    storeAndRepaint(*this, borderPenStyle_, style);
}

void TLabel3D::setEllipsesStyle(TEllipsesStyle style) {
    if (style == ellipsesStyle_) return;
    // A label that grows to its text never needs shortening.
    if (style != esNone) setAutoSize(false);
    ellipsesStyle_ = style;
    update();
}

void TLabel3D::setLabelStyle(TLabelStyle style) {
    labelStyle_ = style;
}

void TLabel3D::setAddress(const QString& address) {
    address_ = address;
}

void TLabel3D::SetColorRR(TColor recessColor, TColor raiseColor) {
    const bool changed = recessColor != recessColor_ || raiseColor != raiseColor_;
    recessColor_ = recessColor;
    raiseColor_ = raiseColor;
    if (changed) update();
}

// --- Drawing ---------------------------------------------------------------------------

QRect TLabel3D::DoDrawText(QPainter* painter, const QRect& rect, int flags, bool calculateOnly) {
    QString text = caption_;
    if (calculateOnly && (text.isEmpty() || (showAccelChar_ && text == QLatin1String("&"))))
        text += QLatin1Char(' ');

    PlainTextFormat format{flags, ellipsesStyle_};
    if (showAccelChar_) format.flags |= Qt::TextShowMnemonic;
    if (escapement_ == 0 && layout_ != tlTop) {
        format.flags |= (layout_ == tlCenter ? Qt::AlignVCenter : Qt::AlignBottom);
        format.flags |= Qt::TextSingleLine;
        format.flags &= ~Qt::TextWordWrap;
    }

    if (calculateOnly) {
        if (escapement_ != 0)
            return QRect(rect.topLeft(), rotatedTextBox(font(), text, escapement_));
        if (colored_) return QRect(rect.topLeft(), markupTextExtent(font(), text));
        return plainTextBounds(font(), text, rect, format);
    }
    if (!painter) return rect;

    painter->setFont(font());
    // The copies differ only in place, so plain text has its line breaks and
    // shortening worked out once for all of them.
    if (escapement_ == 0 && !colored_)
        text = shortenedText(painter->font(), text, rect.width(), format.ellipsis,
                             (format.flags & Qt::TextWordWrap) != 0, format.flags);
    EffectCopy first{};
    std::optional<EffectCopy> second;
    switch (textStyle_) {
        case tsNone:
            break;
        case tsRaised:
            first = {borderColor_, TTintMode::Darkened};
            break;
        case tsLightRaised:
            first = {recessColor_, TTintMode::Darkened};
            second = EffectCopy{raiseColor_, TTintMode::Lightened};
            break;
        case tsRecessed:
            first = {raiseColor_, TTintMode::Lightened};
            break;
        case tsHeavyRecessed:
            first = {raiseColor_, TTintMode::Lightened};
            second = EffectCopy{recessColor_, TTintMode::Darkened};
            break;
        case tsShadow:
            first = {recessColor_, TTintMode::Darkened};
            break;
    }
    if (textStyle_ != tsNone) {
        painter->setPen(toQColor(first.color));
        drawCopy(*painter, text, rect.translated(shift_, shift_), format, first.tint);
        if (second) {
            painter->setPen(toQColor(second->color));
            drawCopy(*painter, text, rect.translated(-shift_, -shift_), format, second->tint);
        }
    }
    painter->setPen(toQColor(isEnabled() ? fontColor_ : clGrayText));
    drawCopy(*painter, text, rect, format, TTintMode::Exact);
    return rect;
}

void TLabel3D::drawCopy(QPainter& painter, const QString& text, const QRect& rect,
                        const PlainTextFormat& format, TTintMode tint) {
    if (escapement_ != 0)
        drawRotatedText(painter, text, rect, escapement_, alignment_, autoSize_, width());
    else if (colored_)
        drawMarkupText(painter, text, rect, alignment_, tint);
    else
        painter.drawText(rect, format.flags, text);  // already shortened by DoDrawText
}

void TLabel3D::paintBorder(QPainter& painter) {
    // Set once: the default border keeps this pen on every ring, and the
    // recessed and raised frames change only its colour, ring by ring.
    painter.setPen(QPen(toQColor(borderColor_), borderWidth_,
                        qtPenStyle(borderPenStyle_, borderWidth_), Qt::FlatCap, Qt::MiterJoin));
    int ringWidth = width();
    int ringHeight = height();
    for (int ring = 0; ring < borderWidth_; ++ring) {
        // Each ring is one pixel smaller on every side, but all of them are
        // drawn from the top-left corner.
        ringWidth -= 2;
        ringHeight -= 2;
        switch (borderType_) {
            case btDefault:
                if (borderPenStyle_ == psInsideFrame) {
                    const double half = borderWidth_ / 2.0;
                    painter.drawRect(
                        QRectF(half, half, ringWidth - borderWidth_, ringHeight - borderWidth_));
                } else {
                    painter.drawRect(QRectF(0.5, 0.5, ringWidth - 1, ringHeight - 1));
                }
                break;
            case btRecessed:
                drawFrame(painter, ringWidth - 1, ringHeight - 1, QColor(128, 128, 128),
                          QColor(255, 255, 255));
                break;
            case btRaised:
                drawFrame(painter, ringWidth - 1, ringHeight - 1, QColor(255, 255, 255),
                          QColor(128, 128, 128));
                break;
        }
    }
}

void TLabel3D::paintLabel(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (!transparent_) painter.fillRect(rect(), toQColor(color_));
    painter.setBrush(Qt::NoBrush);
    if (border_ && borderWidth_ > 0) paintBorder(painter);

    DoDrawText(&painter, rect(), textFlags(), false);
}

int TLabel3D::textFlags() const {
    int flags = Qt::TextExpandTabs;
    if (wordWrap_) flags |= Qt::TextWordWrap;
    switch (alignment_) {
        case taLeftJustify:
            flags |= Qt::AlignLeft;
            break;
        case taRightJustify:
            flags |= Qt::AlignRight;
            break;
        case taCenter:
            flags |= Qt::AlignHCenter;
            break;
    }
    return flags;
}

void TLabel3D::adjustBounds() {
    if (!autoSize_) return;
    // Measuring leaves the alignment aside: only the size is asked for.
    const QRect needed = DoDrawText(nullptr, QRect(0, 0, width(), height()), textFlags(), true);
    int left = x();
    if (alignment_ == taRightJustify) left += width() - needed.width();
    setGeometry(left, y(), needed.width(), needed.height());
}

void TLabel3D::paintEvent(QPaintEvent*) {
    guarded([&] {
        QPainter painter(this);
        paintLabel(painter);
    });
}

void TLabel3D::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        adjustBounds();
        update();
    } else if (event->type() == QEvent::EnabledChange) {
        update();
    }
    QWidget::changeEvent(event);
}

// --- Link behaviour --------------------------------------------------------------------

void TLabel3D::Click() {
    if (isLink() && !address_.isEmpty()) {
        setCursor(Qt::BusyCursor);
        QCoreApplication::processEvents();
        const QString target =
            labelStyle_ == lsEMailAddress ? QStringLiteral("mailto:") + address_ : address_;
        try {
            shell().openAddress(toAnsi(target));
        } catch (const std::exception&) {
            // An address that cannot be opened (or written in the code page)
            // just does nothing; the click itself still counts.
        }
        setCursor(Qt::PointingHandCursor);
    }
    if (OnClick) OnClick();
}

void TLabel3D::enterEvent(QEnterEvent* event) {
    guarded([&] {
        if (isLink()) {
            savedFontColor_ = fontColor_;
            QFont underlined = font();
            underlined.setUnderline(true);
            setFont(underlined);
            setCursor(Qt::PointingHandCursor);
            QCoreApplication::processEvents();
            setFontColor(kLinkColor);
        }
        if (OnMouseEnter) OnMouseEnter();
    });
    QWidget::enterEvent(event);
}

void TLabel3D::leaveEvent(QEvent* event) {
    guarded([&] {
        if (isLink()) {
            unsetCursor();
            QFont plain = font();
            plain.setUnderline(false);
            setFont(plain);
            QCoreApplication::processEvents();
            setFontColor(savedFontColor_);
        }
        if (OnMouseExit) OnMouseExit();
    });
    QWidget::leaveEvent(event);
}

void TLabel3D::mousePressEvent(QMouseEvent* event) {
    clicks_.press(*event);
    QWidget::mousePressEvent(event);
}

void TLabel3D::mouseReleaseEvent(QMouseEvent* event) {
    if (clicks_.release(*event, rect())) guarded([&] { Click(); });
    QWidget::mouseReleaseEvent(event);
}

void TLabel3D::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnDblClick) guarded([&] { OnDblClick(); });
    QWidget::mouseDoubleClickEvent(event);
}

}  // namespace velm
