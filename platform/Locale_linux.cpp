// The user's separators from the C library's locale data for the locale the
// environment names (LANG, LC_ALL, LC_NUMERIC, LC_TIME), read through a
// private locale object so the process's own locale (and with it every
// number the program prints or parses) stays as it is. The C/POSIX locale is
// no choice of the user's: it gives the Brazilian defaults.
#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/AnsiCodePage.h"
#include "platform/Errors.h"
#include "platform/Locale.h"

namespace velm {

namespace {

struct LocaleFreer {
    void operator()(locale_t l) const { freelocale(l); }
};
using LocaleHandle = std::unique_ptr<std::remove_pointer_t<locale_t>, LocaleFreer>;

bool isPlainC(const char* name) {
    return !name || !*name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
           std::strncmp(name, "C.", 2) == 0;
}

// A separator as one ANSI character; narrow and thin spaces, which have
// none, become the no-break space Windows uses in their place. (Locales in
// other encodings than UTF-8 give only their ASCII separators.)
std::optional<char> ansiSeparator(const std::string& text) {
    if (text == "\u202F" || text == "\u2009") return '\xA0';
    try {
        const std::string ansi = utf8ToAnsi(text);
        if (ansi.size() == 1) return ansi[0];
    } catch (const Error&) {
    }
    return std::nullopt;
}

// The first literal character between the fields of a strftime format,
// expanding the composite fields the C library uses.
std::optional<char> formatSeparator(const std::string& format) {
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') return ansiSeparator(std::string(1, format[i]));
        if (++i >= format.size()) break;
        if (format[i] == 'E' || format[i] == 'O') ++i;  // modifiers
        if (i >= format.size()) break;
        switch (format[i]) {
            case 'D':
                return '/';
            case 'F':
                return '-';
            case 'T':
            case 'R':
            case 'r':
                return ':';
            default:
                break;
        }
    }
    return std::nullopt;
}

// The environment that chooses the locale data for the separators: the same
// values give the same answer.
std::vector<std::optional<std::string>> localeChoice() {
    std::vector<std::optional<std::string>> choice;
    for (const char* name : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG", "LOCPATH"}) {
        const char* value = std::getenv(name);
        choice.push_back(value ? std::optional<std::string>(value) : std::nullopt);
    }
    return choice;
}

LocaleFormats readFormats() {
    LocaleFormats f;  // the defaults
    const LocaleHandle loc(newlocale(LC_ALL_MASK, "", nullptr));
    if (!loc) return f;
    const locale_t l = loc.get();
    if (!isPlainC(nl_langinfo_l(_NL_LOCALE_NAME(LC_NUMERIC), l))) {
        const auto thousand = ansiSeparator(nl_langinfo_l(THOUSEP, l));
        const auto decimal = ansiSeparator(nl_langinfo_l(RADIXCHAR, l));
        if (decimal) f.decimalSeparator = *decimal;
        if (thousand && *thousand != f.decimalSeparator) f.thousandSeparator = *thousand;
        // Without one of its own, the thousand separator must not read
        // as the decimal one.
        if (f.thousandSeparator == f.decimalSeparator)
            f.thousandSeparator = f.decimalSeparator == '.' ? ',' : '.';
    }
    if (!isPlainC(nl_langinfo_l(_NL_LOCALE_NAME(LC_TIME), l))) {
        if (auto date = formatSeparator(nl_langinfo_l(D_FMT, l))) f.dateSeparator = *date;
        if (auto time = formatSeparator(nl_langinfo_l(T_FMT, l))) f.timeSeparator = *time;
    }
    return f;
}

// Loading a locale maps a dozen files; each transfer asks for the separators,
// so they are read again only when the environment names other locale data.
class PosixLocale : public Locale {
public:
    LocaleFormats formats() override {
        auto choice = localeChoice();
        if (!cached_ || choice != choice_) {
            cached_ = readFormats();
            choice_ = std::move(choice);
        }
        return *cached_;
    }

private:
    std::vector<std::optional<std::string>> choice_;
    std::optional<LocaleFormats> cached_;
};

}  // namespace

template <>
std::unique_ptr<Locale> makeSystemService<Locale>() {
    return std::make_unique<PosixLocale>();
}

}  // namespace velm
