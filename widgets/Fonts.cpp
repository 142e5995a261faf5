#include "widgets/Fonts.h"

#include <cstdlib>
#include <mutex>

#include <QStringList>

namespace velm {

namespace {

struct Substitute {
    const char* family;
    const char* substitute;
};

constexpr Substitute kSubstitutes[] = {
    {"MS Sans Serif", "DejaVu Sans"},
    {"Verdana", "DejaVu Sans"},
    {"Courier New", "Liberation Mono"},
    {"Arial", "Liberation Sans"},
};

}  // namespace

QString fontSubstitute(const QString& family) {
    for (const auto& entry : kSubstitutes) {
        if (family.compare(QLatin1String(entry.family), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(entry.substitute);
    }
    return family;
}

void installFontSubstitutes() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const auto& entry : kSubstitutes)
            QFont::insertSubstitution(QString::fromLatin1(entry.family),
                                      QString::fromLatin1(entry.substitute));
    });
}

QFont makeFont(const QString& family, int pixelHeight, bool bold, bool italic, bool underline) {
    installFontSubstitutes();
    QFont font;
    // The named family first, its substitute as the fallback when it is missing.
    const QString substitute = fontSubstitute(family);
    if (substitute.compare(family, Qt::CaseInsensitive) == 0)
        font.setFamilies(QStringList{family});
    else
        font.setFamilies(QStringList{family, substitute});
    // The windows' designs give character heights as negative numbers.
    if (pixelHeight != 0) font.setPixelSize(std::abs(pixelHeight));
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}

}  // namespace velm
