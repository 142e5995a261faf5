#include <gtest/gtest.h>

#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"

namespace velm {
namespace {

TEST(DateTime, EncodesAndDecodesKnownDays) {
    struct Row {
        int y, m, d;
        double value;
    };
    const Row rows[] = {
        {1899, 12, 30, 0}, {1900, 1, 1, 2}, {2000, 2, 29, 36585}, {1980, 1, 1, 29221},
        {2107, 12, 31, 75971}, {1, 1, 1, -693593},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.y);
        EXPECT_EQ(encodeDate(r.y, r.m, r.d).value, r.value);
        const DateParts back = decodeDateTime(DateTime{r.value});
        EXPECT_EQ(back.year, r.y);
        EXPECT_EQ(back.month, r.m);
        EXPECT_EQ(back.day, r.d);
    }
}

TEST(DateTime, TimeOfDayRoundTripsToTheMillisecond) {
    const DateTime t{encodeDate(2026, 12, 10).value + encodeTime(23, 59, 58, 999).value};
    const DateParts p = decodeDateTime(t);
    EXPECT_EQ(p, (DateParts{2026, 12, 10, 23, 59, 58, 999}));
}

TEST(DateTime, RejectsInvalidParts) {
    DateTime out;
    EXPECT_FALSE(tryEncodeDate(2023, 2, 29, out));
    EXPECT_TRUE(tryEncodeDate(2024, 2, 29, out));
    EXPECT_FALSE(tryEncodeDate(2024, 13, 1, out));
    EXPECT_FALSE(tryEncodeTime(24, 0, 0, 0, out));
    EXPECT_THROW(encodeDate(0, 1, 1), Error);
}

TEST(StandardErrorText, AppendsFullStopOnlyAfterCharactersAboveIt) {
    EXPECT_EQ(standardErrorText("Falhou"), "Falhou.");
    EXPECT_EQ(standardErrorText("Falhou."), "Falhou.");
    EXPECT_EQ(standardErrorText("Falhou!"), "Falhou!");  // '!' sorts below '.'
    EXPECT_EQ(standardErrorText("x-"), "x-");            // '-' sorts below '.'
    EXPECT_EQ(standardErrorText("pasta/"), "pasta/.");   // '/' sorts above '.'
    EXPECT_EQ(standardErrorText("N\xe3o"), "N\xe3o.");   // ANSI bytes above 0x7F
    EXPECT_EQ(standardErrorText(""), "");
}

}  // namespace
}  // namespace velm
