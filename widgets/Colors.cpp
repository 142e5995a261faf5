#include "widgets/Colors.h"

#include <charconv>
#include <cstdio>
#include <ostream>
#include <utility>

#include <QGuiApplication>
#include <QPalette>

#include "platform/AsciiText.h"
#include "platform/DecimalText.h"

namespace velm {

namespace {

struct NamedColor {
    std::string_view name;
    TColor color;
};

constexpr NamedColor kNamedColors[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clNone", clNone},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
};

// Palette role (and group) standing in for each system colour index.
std::pair<QPalette::ColorGroup, QPalette::ColorRole> paletteRole(int index) {
    using P = QPalette;
    switch (index) {
        case 0:
            return {P::Active, P::Button};  // scroll bar
        case 1:
            return {P::Active, P::Window};  // desktop background
        case 2:
            return {P::Active, P::Highlight};  // active caption
        case 3:
            return {P::Active, P::Mid};  // inactive caption
        case 4:
            return {P::Active, P::Window};  // menu
        case 5:
            return {P::Active, P::Base};  // window
        case 6:
            return {P::Active, P::Shadow};  // window frame
        case 7:
            return {P::Active, P::WindowText};  // menu text
        case 8:
            return {P::Active, P::WindowText};  // window text
        case 9:
            return {P::Active, P::HighlightedText};  // caption text
        case 10:
            return {P::Active, P::Button};  // active border
        case 11:
            return {P::Active, P::Button};  // inactive border
        case 12:
            return {P::Active, P::Mid};  // application work space
        case 13:
            return {P::Active, P::Highlight};
        case 14:
            return {P::Active, P::HighlightedText};
        case 15:
            return {P::Active, P::Button};  // button face
        case 16:
            return {P::Active, P::Dark};  // button shadow
        case 17:
            return {P::Disabled, P::WindowText};  // gray text
        case 18:
            return {P::Active, P::ButtonText};
        case 19:
            return {P::Active, P::WindowText};  // inactive caption text
        case 20:
            return {P::Active, P::Light};  // button highlight
        case 21:
            return {P::Active, P::Shadow};  // dark 3-D shadow
        case 22:
            return {P::Active, P::Midlight};  // 3-D light
        case 23:
            return {P::Active, P::ToolTipText};  // info text
        case 24:
            return {P::Active, P::ToolTipBase};  // info background
        case 26:
            return {P::Active, P::Link};  // hot-tracked item
        default:
            return {P::Active, P::Highlight};  // caption gradients, menu highlight
    }
}

}  // namespace

std::optional<TColor> colorFromName(std::string_view name) {
    for (const auto& entry : kNamedColors) {
        if (sameIgnoringAsciiCase(entry.name, name)) return entry.color;
    }
    return std::nullopt;
}

std::optional<TColor> colorFromNumber(std::string_view text) {
    if (text.empty()) return std::nullopt;
    if (text.front() == '$') {
        text.remove_prefix(1);
        if (text.empty() || text.size() > 8) return std::nullopt;
        std::uint32_t value = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
        if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
        return TColor(value);
    }
    const auto value = readInteger<std::int32_t>(text);
    if (!value) return std::nullopt;
    return TColor(static_cast<std::uint32_t>(*value));
}

std::optional<TColor> stringToColor(std::string_view text) {
    if (auto named = colorFromName(text)) return named;
    return colorFromNumber(text);
}

std::string colorToString(TColor color) {
    for (const auto& entry : kNamedColors) {
        if (entry.color == color) return std::string(entry.name);
    }
    char buffer[12];
    std::snprintf(buffer, sizeof buffer, "$%08X", unsigned(color.value()));
    return buffer;
}

TColor colorToRgb(TColor color) {
    if (!color.isSystem()) return TColor(color.value() & 0xFFFFFF);
    const QColor resolved = toQColor(color);
    return TColor::rgb(resolved.red(), resolved.green(), resolved.blue());
}

QColor toQColor(TColor color) {
    if (color == clNone) return QColor(Qt::transparent);
    if (color.isSystem()) {
        const auto [group, role] = paletteRole(color.systemIndex());
        QColor resolved = QGuiApplication::palette().color(group, role);
        resolved.setAlpha(255);
        return resolved;
    }
    return QColor(color.red(), color.green(), color.blue());
}

std::ostream& operator<<(std::ostream& out, TColor color) {
    return out << colorToString(color);
}

}  // namespace velm
