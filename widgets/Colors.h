#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include <QColor>

#include "widgets/MulDiv.h"

namespace velm {

// A colour as the windows store it: 0x00BBGGRR (red in the low byte), or a
// reference to a system colour (0x80000000 | index, the index being the
// system's colour number: 15 button face, 16 button shadow ...), which is
// resolved against the application palette only when drawing.
class TColor {
public:
    constexpr TColor() = default;
    constexpr explicit TColor(std::uint32_t value) : value_(value) {}
    static constexpr TColor rgb(int red, int green, int blue) {
        return TColor(std::uint32_t(red & 0xFF) | std::uint32_t(green & 0xFF) << 8 |
                      std::uint32_t(blue & 0xFF) << 16);
    }
    static constexpr TColor system(int index) { return TColor(0x80000000u | (index & 0xFF)); }

    constexpr std::uint32_t value() const { return value_; }
    constexpr bool isSystem() const { return (value_ & 0xFF000000u) == 0x80000000u; }
    constexpr int systemIndex() const { return int(value_ & 0xFF); }
    // Channels of an RGB value (meaningless for a system reference: resolve it
    // with colorToRgb first).
    constexpr int red() const { return int(value_ & 0xFF); }
    constexpr int green() const { return int((value_ >> 8) & 0xFF); }
    constexpr int blue() const { return int((value_ >> 16) & 0xFF); }

    friend constexpr bool operator==(TColor, TColor) = default;

private:
    std::uint32_t value_ = 0;
};

// The sixteen standard colours.
inline constexpr TColor clBlack{0x000000};
inline constexpr TColor clMaroon{0x000080};
inline constexpr TColor clGreen{0x008000};
inline constexpr TColor clOlive{0x008080};
inline constexpr TColor clNavy{0x800000};
inline constexpr TColor clPurple{0x800080};
inline constexpr TColor clTeal{0x808000};
inline constexpr TColor clGray{0x808080};
inline constexpr TColor clSilver{0xC0C0C0};
inline constexpr TColor clRed{0x0000FF};
inline constexpr TColor clLime{0x00FF00};
inline constexpr TColor clYellow{0x00FFFF};
inline constexpr TColor clBlue{0xFF0000};
inline constexpr TColor clFuchsia{0xFF00FF};
inline constexpr TColor clAqua{0xFFFF00};
inline constexpr TColor clWhite{0xFFFFFF};
// "No colour": drawn as fully transparent.
inline constexpr TColor clNone{0x1FFFFFFF};

// System colours, resolved when drawing (see toQColor for the palette roles).
inline constexpr TColor clScrollBar = TColor::system(0);
inline constexpr TColor clBackground = TColor::system(1);
inline constexpr TColor clActiveCaption = TColor::system(2);
inline constexpr TColor clInactiveCaption = TColor::system(3);
inline constexpr TColor clMenu = TColor::system(4);
inline constexpr TColor clWindow = TColor::system(5);
inline constexpr TColor clWindowFrame = TColor::system(6);
inline constexpr TColor clMenuText = TColor::system(7);
inline constexpr TColor clWindowText = TColor::system(8);
inline constexpr TColor clCaptionText = TColor::system(9);
inline constexpr TColor clActiveBorder = TColor::system(10);
inline constexpr TColor clInactiveBorder = TColor::system(11);
inline constexpr TColor clAppWorkSpace = TColor::system(12);
inline constexpr TColor clHighlight = TColor::system(13);
inline constexpr TColor clHighlightText = TColor::system(14);
inline constexpr TColor clBtnFace = TColor::system(15);
inline constexpr TColor clBtnShadow = TColor::system(16);
inline constexpr TColor clGrayText = TColor::system(17);
inline constexpr TColor clBtnText = TColor::system(18);
inline constexpr TColor clInactiveCaptionText = TColor::system(19);
inline constexpr TColor clBtnHighlight = TColor::system(20);
inline constexpr TColor cl3DDkShadow = TColor::system(21);
inline constexpr TColor cl3DLight = TColor::system(22);
inline constexpr TColor clInfoText = TColor::system(23);
inline constexpr TColor clInfoBk = TColor::system(24);

// "clRed", "CLBTNFACE" ... (case-insensitive) to the colour; nullopt for an
// unknown name.
std::optional<TColor> colorFromName(std::string_view name);
// A colour number: "$00FF00FF" (hexadecimal, up to 8 digits) or a decimal
// number with an optional sign, as 32 bits; nullopt when it is not one.
std::optional<TColor> colorFromNumber(std::string_view text);
// A name when it is one, otherwise a number.
std::optional<TColor> stringToColor(std::string_view text);
// "clRed" for a named colour, otherwise "$00BBGGRR".
std::string colorToString(TColor color);

// The RGB value of a colour, system references resolved against the
// application palette.
TColor colorToRgb(TColor color);
// The colour for drawing. System colours come from QGuiApplication::palette(),
// active group:
//   button face, scroll bar, active/inactive border -> Button
//   button shadow -> Dark, dark 3-D shadow -> Shadow, window frame -> Shadow
//   button highlight -> Light, 3-D light -> Midlight, button text -> ButtonText
//   window, background, menu, application work space -> Base / Window / Window / Mid
//   window text, menu text, inactive caption text -> WindowText
//   gray text -> WindowText of the disabled group
//   highlight, active caption -> Highlight; highlight text, caption text -> HighlightedText
//   inactive caption -> Mid; info text / info background -> ToolTipText / ToolTipBase
// clNone is transparent; any other value's high byte is ignored (low 24 bits RGB).
QColor toQColor(TColor color);

// Printable form for test failure messages.
std::ostream& operator<<(std::ostream& out, TColor color);

}  // namespace velm
