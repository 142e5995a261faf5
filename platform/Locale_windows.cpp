#include <windows.h>

#include <memory>

#include "platform/Locale.h"

namespace velm {

namespace {

// The first character of a user setting, or `fallback` when it is empty.
char setting(LCTYPE type, char fallback) {
    char text[16] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text, sizeof text) <= 1) return fallback;
    return text[0];
}

class WindowsLocale : public Locale {
public:
    LocaleFormats formats() override {
        LocaleFormats f;
        f.thousandSeparator = setting(LOCALE_STHOUSAND, f.thousandSeparator);
        f.decimalSeparator = setting(LOCALE_SDECIMAL, f.decimalSeparator);
        f.dateSeparator = setting(LOCALE_SDATE, f.dateSeparator);
        f.timeSeparator = setting(LOCALE_STIME, f.timeSeparator);
        return f;
    }
};

}  // namespace

template <>
std::unique_ptr<Locale> makeSystemService<Locale>() {
    return std::make_unique<WindowsLocale>();
}

}  // namespace velm
