// The Linux locale on real locale data, compiled for the test with localedef.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

#include "platform/Locale.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

namespace velm {

void PrintTo(const LocaleFormats& f, std::ostream* os) {
    *os << "'" << f.thousandSeparator << "' '" << f.decimalSeparator << "' '" << f.dateSeparator
        << "' '" << f.timeSeparator << "'";
}

namespace {

using test::ScopedEnvironment;

// The C library keeps a copy of LOCPATH from every newlocale() that sees it
// and never frees it; only the tests set LOCPATH.
LocaleFormats formatsWithLocalePath() {
#ifdef __SANITIZE_ADDRESS__
    __lsan::ScopedDisabler glibcKeepsTheLocalePath;
#endif
    return locale().formats();
}

// Compiles a locale whose numbers and times are those of `source` (the rest
// plain, which keeps localedef quick) into `folder`/`source`.UTF-8.
bool compileLocale(const test::TempFolder& folder, const std::string& source) {
    const std::string definition = folder / (source + ".src");
    std::ofstream(definition) << "LC_CTYPE\ncopy \"POSIX\"\nEND LC_CTYPE\n"
                                 "LC_COLLATE\ncopy \"POSIX\"\nEND LC_COLLATE\n"
                                 "LC_MONETARY\ncopy \"POSIX\"\nEND LC_MONETARY\n"
                                 "LC_MESSAGES\ncopy \"POSIX\"\nEND LC_MESSAGES\n"
                                 "LC_NUMERIC\ncopy \""
                              << source
                              << "\"\nEND LC_NUMERIC\n"
                                 "LC_TIME\ncopy \""
                              << source << "\"\nEND LC_TIME\n";
    const std::string command = "localedef -c -i '" + definition + "' -f UTF-8 '" +
                                (folder / (source + ".UTF-8")) + "' >/dev/null 2>&1";
    std::system(command.c_str());  // warns (and fails) for the categories left out
    return std::filesystem::exists(folder / (source + ".UTF-8/LC_NUMERIC"));
}

TEST(LinuxLocaleTest, ReadsTheSeparatorsOfTheUsersLocale) {
    test::TempFolder locales;
    struct Case {
        const char* name;
        LocaleFormats expected;
    };
    const Case cases[] = {
        {"en_US", {',', '.', '/', ':'}},
        {"de_DE", {'.', ',', '.', ':'}},
        {"fr_FR", {'\xA0', ',', '/', ':'}},  // narrow no-break space becomes a no-break space
    };
    ScopedEnvironment path("LOCPATH", locales.name());
    ScopedEnvironment clear("LC_ALL", "");
    for (const auto& c : cases) {
        if (!compileLocale(locales, c.name))
            GTEST_SKIP() << "localedef cannot compile " << c.name
                         << " (the locales package is missing)";
        ScopedEnvironment lang("LANG", std::string(c.name) + ".UTF-8");
        EXPECT_EQ(formatsWithLocalePath(), c.expected) << c.name;
    }
}

// The separators are kept between calls (loading a locale costs more than a
// small file's transfer), so each variable that chooses them must still be
// followed when it changes in between.
TEST(LinuxLocaleTest, FollowsEachVariableThatChoosesTheLocaleBetweenCalls) {
    test::TempFolder locales;
    for (const char* name : {"en_US", "de_DE", "fr_FR"})
        if (!compileLocale(locales, name))
            GTEST_SKIP() << "localedef cannot compile " << name
                         << " (the locales package is missing)";
    ScopedEnvironment path("LOCPATH", locales.name());
    ScopedEnvironment lang("LANG", "de_DE.UTF-8");
    ScopedEnvironment all("LC_ALL");
    ScopedEnvironment numeric("LC_NUMERIC");
    ScopedEnvironment time("LC_TIME");
    all.unset();
    numeric.unset();
    time.unset();
    struct Step {
        ScopedEnvironment* variable;
        const char* value;  // nullptr: unset
        LocaleFormats expected;
        const char* why;
    };
    const Step steps[] = {
        {nullptr, nullptr, {'.', ',', '.', ':'}, "LANG alone"},
        {nullptr, nullptr, {'.', ',', '.', ':'}, "asked again, nothing changed"},
        {&numeric, "en_US.UTF-8", {',', '.', '.', ':'}, "LC_NUMERIC over LANG"},
        {&time, "en_US.UTF-8", {',', '.', '/', ':'}, "LC_TIME over LANG"},
        {&all, "fr_FR.UTF-8", {'\xA0', ',', '/', ':'}, "LC_ALL over every other"},
        {&all, nullptr, {',', '.', '/', ':'}, "LC_ALL removed"},
        {&numeric, nullptr, {'.', ',', '/', ':'}, "LC_NUMERIC removed"},
        {&lang, "fr_FR.UTF-8", {'\xA0', ',', '/', ':'}, "LANG changed"},
        {&path, "/nowhere", {'.', ',', '/', ':'}, "LOCPATH without the data: the defaults"},
    };
    for (const auto& step : steps) {
        if (step.variable) {
            if (step.value)
                step.variable->set(step.value);
            else
                step.variable->unset();
        }
        EXPECT_EQ(formatsWithLocalePath(), step.expected) << step.why;
    }
}

TEST(LinuxLocaleTest, ThePlainCOrAMissingLocaleGivesTheBrazilianDefaults) {
    ScopedEnvironment clear("LC_ALL", "");
    for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_NOWHERE.UTF-8"}) {
        ScopedEnvironment lang("LANG", name);
        EXPECT_EQ(locale().formats(), (LocaleFormats{'.', ',', '/', ':'})) << name;
    }
}

}  // namespace
}  // namespace velm
