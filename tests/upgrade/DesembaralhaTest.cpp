#include "upgrade/Desembaralha.h"

#include <gtest/gtest.h>

namespace velm {
namespace {

struct AnsiCase {
    const char* name;
    std::string scrambled;
    std::string clear;
};

class DesembaralhaAnsiTable : public ::testing::TestWithParam<AnsiCase> {};

TEST_P(DesembaralhaAnsiTable, GivesTheClearBytes) {
    const AnsiCase& c = GetParam();
    EXPECT_EQ(DesembaralhaAnsi(c.scrambled), c.clear);
    if (!c.scrambled.empty()) {
        EXPECT_EQ(DesembaralhaAnsi(c.scrambled).size(), c.scrambled.size() - 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DesembaralhaAnsiTable,
    ::testing::Values(
        AnsiCase{"Empty", "", ""}, AnsiCase{"KeyDigitOnly", "7", ""},
        AnsiCase{"KeyLetterOnly", "x", ""},
        AnsiCase{"KeyZeroKeepsPayload", "0abc\x01\xFF", "abc\x01\xFF"},
        AnsiCase{"KeyOneShiftsByThree", "1dbc", "a_`"},
        AnsiCase{"KeyNineShiftsBy27", "9|}~", "abc"}, AnsiCase{"NonDigitKeyIsZero", "Aabc", "abc"},
        AnsiCase{"SpaceKeyIsZero", " abc", "abc"}, AnsiCase{"SignKeyIsZero", "-abc", "abc"},
        // Below 3*k the byte wraps: 0x05 - 27 = 256 - 22 = 234.
        AnsiCase{"WrapsModulo256", std::string("9\x05\x00", 3), std::string("\xEA\xE5", 2)},
        AnsiCase{"ZeroResultKept", "1\x03", std::string("\0", 1)},
        AnsiCase{"HighBytesShift", "2\xE9\xE3", "\xE3\xDD"},
        // The demo and test catalogue login (key 1).
        AnsiCase{"CatalogueUser", "1yhopxsgdwh", "velmupdate"},
        AnsiCase{"CataloguePassword", "1fdwdorjr0yhop05357", "catalogo-velm-2024"}),
    [](const auto& info) { return std::string(info.param.name); });

struct WideCase {
    const char* name;
    std::u16string scrambled;
    std::u16string clear;
};

class DesembaralhaTable : public ::testing::TestWithParam<WideCase> {};

TEST_P(DesembaralhaTable, GivesTheClearCodeUnits) {
    const WideCase& c = GetParam();
    EXPECT_EQ(Desembaralha(c.scrambled), c.clear);
}

INSTANTIATE_TEST_SUITE_P(Cases, DesembaralhaTable,
                         ::testing::Values(WideCase{"Empty", u"", u""},
                                           WideCase{"KeyOnly", u"3", u""},
                                           WideCase{"KeyZero", u"0senha\u00E9", u"senha\u00E9"},
                                           WideCase{"KeyOne", u"1vhqkd", u"senha"},
                                           WideCase{"KeyNine", u"9\u00E9\u2022", u"\u00CE\u2007"},
                                           WideCase{"NonDigitKey", u"\u00E9abc", u"abc"},
                                           // Below 27 the unit wraps to 65536 - (27 - code).
                                           WideCase{"WrapsModulo65536",
                                                    std::u16string(u"9\u0005\u0000", 3),
                                                    u"\uFFEA\uFFE5"},
                                           // A full-width digit is not a decimal digit here.
                                           WideCase{"FullWidthDigitIsNoKey", u"\uFF11abc", u"abc"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velm
