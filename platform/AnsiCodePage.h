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

// Shorthands on the installed code page.
inline std::string ansiToUtf8(const std::string& s) { return ansiCodePage().toUtf8(s); }
inline std::string utf8ToAnsi(const std::string& s) { return ansiCodePage().fromUtf8(s); }

}  // namespace velm
