#include <windows.h>

#include <climits>
#include <cstdio>
#include <memory>

#include "platform/AnsiCodePage.h"
#include "platform/Errors.h"

namespace velm {

namespace {

int checkedLength(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) throw Error("The text is too long to convert");
    return static_cast<int>(size);
}

std::u16string toWide(UINT codePage, const std::string& text, const char* invalid) {
    if (text.empty()) return {};
    const int size = checkedLength(text.size());
    const int n =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n <= 0) throw Error(invalid);
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size,
                        reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

// Converts to the ANSI code page, or returns false when a character has no
// exact form there (no best-fit substitutes, no "?").
bool toAnsi(const char16_t* data, int size, std::string& out) {
    const auto* wide = reinterpret_cast<const wchar_t*>(data);
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0, nullptr,
                                      &usedDefault);
    if (n <= 0 || usedDefault) return false;
    out.assign(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, size, out.data(), n, nullptr,
                        &usedDefault);
    return !usedDefault;
}

[[noreturn]] void throwUnmappable(const std::u16string& text) {
    std::string ignored;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair = i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF &&
                          text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        const int units = pair ? 2 : 1;
        if (!toAnsi(text.data() + i, units, ignored)) {
            const unsigned c =
                pair ? 0x10000u + ((text[i] - 0xD800u) << 10) + (text[i + 1] - 0xDC00u) : text[i];
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", c);
            throw Error(std::string("The character ") + code +
                        " has no representation in the ANSI code page");
        }
        i += units - 1;
    }
    throw Error("The text has no representation in the ANSI code page");
}

class WindowsAnsiCodePage : public AnsiCodePage {
public:
    std::string toUtf8(const std::string& ansi) override {
        const std::u16string wide = toUtf16(ansi);
        if (wide.empty()) return {};
        const auto* w = reinterpret_cast<const wchar_t*>(wide.data());
        const int size = checkedLength(wide.size());
        const int n = WideCharToMultiByte(CP_UTF8, 0, w, size, nullptr, 0, nullptr, nullptr);
        std::string out(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, w, size, out.data(), n, nullptr, nullptr);
        return out;
    }

    std::string fromUtf8(const std::string& utf8) override {
        return fromUtf16(toWide(CP_UTF8, utf8, "The text is not valid UTF-8"));
    }

    std::u16string toUtf16(const std::string& ansi) override {
        return toWide(CP_ACP, ansi, "The text is not valid in the ANSI code page");
    }

    std::string fromUtf16(const std::u16string& utf16) override {
        std::string out;
        if (utf16.empty()) return out;
        if (!toAnsi(utf16.data(), checkedLength(utf16.size()), out)) throwUnmappable(utf16);
        return out;
    }
};

}  // namespace

template <>
std::unique_ptr<AnsiCodePage> makeSystemService<AnsiCodePage>() {
    return std::make_unique<WindowsAnsiCodePage>();
}

}  // namespace velm
