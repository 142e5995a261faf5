// Windows-1252 conversions, the same on every OS.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/AnsiCodePage.h"
#include "platform/Errors.h"

namespace velm {
namespace {

using ::testing::HasSubstr;

// Narrow literals below are UTF-8 (the compilers' execution character set).
TEST(AnsiCodePageTest, ConvertsWindows1252NotLatin1) {
    AnsiCodePage& cp = ansiCodePage();
    EXPECT_EQ(cp.toUtf8("Atualiza\xE7\xE3o"), "Atualiza\u00E7\u00E3o");
    EXPECT_EQ(cp.toUtf8("\x80 \x8A \x99 \x9F \xA0 \xFF"),
              "\u20AC \u0160 \u2122 \u0178 \u00A0 \u00FF");
    EXPECT_EQ(cp.fromUtf8("\u20AC \u2122 \u00E9 plain"), "\x80 \x99 \xE9 plain");
    EXPECT_EQ(cp.toUtf16("\x80\xE7\x9C"), u"\u20AC\u00E7\u0153");
    EXPECT_EQ(cp.fromUtf16(u"\u20AC\u00E7\u0153"), "\x80\xE7\x9C");
    EXPECT_EQ(cp.toUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(cp.toUtf8(""), "");
    EXPECT_EQ(cp.fromUtf16(u""), "");
}

// The five bytes Windows-1252 leaves undefined map to the C1 controls of the
// same value, as Windows maps them, so that every byte string survives.
TEST(AnsiCodePageTest, EveryByteRoundTripsAndUndefinedBytesMapToC1Controls) {
    AnsiCodePage& cp = ansiCodePage();
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(cp.fromUtf8(cp.toUtf8(all)), all);
    EXPECT_EQ(cp.fromUtf16(cp.toUtf16(all)), all);
    EXPECT_EQ(cp.toUtf16(all).size(), 256u);

    EXPECT_EQ(cp.toUtf16("\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(cp.toUtf8("\x81\x9D"), "\u0081\u009D");
    EXPECT_EQ(cp.fromUtf8("\u0081\u008D\u008F\u0090\u009D"), "\x81\x8D\x8F\x90\x9D");
}

TEST(AnsiCodePageTest, TextWithoutAnAnsiFormRaisesInsteadOfBecomingQuestionMarks) {
    AnsiCodePage& cp = ansiCodePage();
    for (const std::string utf8 : {"\u65E5\u672C", "a\u0100", "\U0001F600", "\u0080"}) {
        try {
            cp.fromUtf8(utf8);
            ADD_FAILURE() << "converted " << utf8;
        } catch (const Error& e) {
            EXPECT_THAT(e.what(), HasSubstr("ANSI code page"));
        }
    }
    EXPECT_THROW(cp.fromUtf16(u"\u0141"), Error);
    EXPECT_THROW(cp.fromUtf16(u"x\U0001F600"), Error);
    EXPECT_THROW(cp.fromUtf16(std::u16string(1, char16_t(0xD800))), Error);
    // Malformed UTF-8: a bare continuation byte, a cut sequence, an overlong form.
    for (const std::string bad : {"\x80", "a\xC3", "\xC0\xAF", "\xED\xA0\x80"})
        EXPECT_THROW(cp.fromUtf8(bad), Error) << bad;
}

}  // namespace
}  // namespace velm
