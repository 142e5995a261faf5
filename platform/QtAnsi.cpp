#include "platform/QtAnsi.h"

#include "platform/AnsiCodePage.h"

namespace velm {

QString fromAnsi(const std::string& ansi) {
    const std::u16string wide = ansiCodePage().toUtf16(ansi);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

std::string toAnsi(const QString& text) {
    return ansiCodePage().fromUtf16(
        std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                       static_cast<std::size_t>(text.size())));
}

}  // namespace velm
