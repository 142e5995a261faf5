#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/DecimalText.h"
#include "platform/ParameterLine.h"

namespace velm {
namespace {

struct IntegerRow {
    std::string_view text;
    std::optional<std::int64_t> asInteger;  // readInteger<int64_t>
    std::optional<std::int64_t> asDigits;   // readDigits<int64_t>
    const char* why;
};

const IntegerRow kIntegerRows[] = {
    {"0", 0, 0, "a single digit"},
    {"2121", 2121, 2121, "a port"},
    {"007", 7, 7, "leading zeros are digits"},
    {"-5", -5, std::nullopt, "a sign is an integer, not digits"},
    {"+5", 5, std::nullopt, "a plus sign likewise"},
    {"3x", std::nullopt, std::nullopt, "trailing text is not taken"},
    {" 3", std::nullopt, std::nullopt, "blanks are not skipped"},
    {"3 ", std::nullopt, std::nullopt, "nor at the end"},
    {"", std::nullopt, std::nullopt, "empty"},
    {"-", std::nullopt, std::nullopt, "a sign alone"},
    {"+-1", std::nullopt, std::nullopt, "two signs"},
    {"--1", std::nullopt, std::nullopt, "two minus signs"},
    {"9223372036854775807", INT64_MAX, INT64_MAX, "the largest value"},
    {"9223372036854775808", std::nullopt, std::nullopt, "one beyond it"},
    {"1e3", std::nullopt, std::nullopt, "no exponents"},
    {"\xD9\xA3", std::nullopt, std::nullopt, "non-ASCII digits are not digits"},
};

TEST(DecimalTextTest, ReadsWholeTextsOnly) {
    for (const IntegerRow& row : kIntegerRows) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(readInteger<std::int64_t>(row.text), row.asInteger);
        EXPECT_EQ(readDigits<std::int64_t>(row.text), row.asDigits);
    }
}

TEST(DecimalTextTest, RangeFollowsTheType) {
    EXPECT_EQ(readInteger<std::uint8_t>("255"), std::uint8_t{255});
    EXPECT_EQ(readInteger<std::uint8_t>("256"), std::nullopt);
    EXPECT_EQ(readInteger<unsigned>("-1"), std::nullopt);  // no sign for unsigned types
    EXPECT_EQ(readInteger<int>("-2147483648"), INT32_MIN);
    EXPECT_EQ(readInteger<int>("2147483648"), std::nullopt);
}

TEST(ParameterLineTest, SplitsAtTheFirstEquals) {
    const auto line = splitParameterLine("SERVER NAME=c:\\dados\\a=b.gdb");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->name, "SERVER NAME");
    EXPECT_EQ(line->value, "c:\\dados\\a=b.gdb");

    const auto empty = splitParameterLine(" PASSWORD =");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->name, " PASSWORD ");  // the caller's store decides on blanks
    EXPECT_EQ(empty->value, "");

    EXPECT_FALSE(splitParameterLine("no equals sign"));
}

}  // namespace
}  // namespace velm
