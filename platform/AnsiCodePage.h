#pragma once

#include <string>

#include "platform/Service.h"

namespace velm {

// The system's 8-bit code page, Windows-1252 unless configured otherwise.
// Conversions raise velm::Error for text that has no representation
// (never a silent "?").
class AnsiCodePage {
public:
    virtual ~AnsiCodePage() = default;
    virtual std::string toUtf8(const std::string& ansi) = 0;
    virtual std::string fromUtf8(const std::string& utf8) = 0;
    virtual std::u16string toUtf16(const std::string& ansi) = 0;
    virtual std::string fromUtf16(const std::u16string& utf16) = 0;
};

inline AnsiCodePage& ansiCodePage() { return Service<AnsiCodePage>::get(); }

// True when every byte is below 0x80: such text reads the same in every
// ANSI code page and in UTF-8.
inline bool isAsciiText(const std::string& s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Shorthands on the installed code page; ASCII text needs no conversion.
inline std::string ansiToUtf8(const std::string& s) {
    return isAsciiText(s) ? s : ansiCodePage().toUtf8(s);
}
inline std::string utf8ToAnsi(const std::string& s) {
    return isAsciiText(s) ? s : ansiCodePage().fromUtf8(s);
}

}  // namespace velm
