#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "platform/FileTimes.h"
#include "platform/LocalTime.h"
#include "support/SummerTimeZones.h"
#ifdef _WIN32
#include "platform/WindowsZone.h"
#endif

namespace velm {
namespace {

using test::ScopedTimeZone;
using test::summerTimeZones;
using test::ZoneYear;

DateParts plusSeconds(const DateParts& p, std::int64_t seconds) {
    return calendarOf(secondsOf(p) + seconds);
}

TEST(LocalTimeTest, CalendarAndSecondsSince1970) {
    const struct {
        DateParts calendar;
        std::int64_t seconds;
    } rows[] = {
        {{1970, 1, 1, 0, 0, 0}, 0},
        {{1969, 12, 31, 23, 59, 59}, -1},
        {{1601, 1, 1, 0, 0, 0}, -11644473600},
        {{2000, 2, 29, 12, 0, 0}, 951825600},
        {{2107, 12, 31, 23, 59, 58}, 4354819198},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(secondsOf(row.calendar), row.seconds);
        EXPECT_EQ(calendarOf(row.seconds), row.calendar);
    }
}

// Every minute of each year: a time stamped on a file reads back as itself
// (seconds rounded down to even), except in the hour the clocks skip, which
// reads one hour later. The comparison of the update run goes through the
// same function, so what it stamps it finds equal.
TEST(SummerTimeTest, EveryMinuteOfTheYearReadsBackAsStamped) {
    int ran = 0;
    for (const ZoneYear& row : summerTimeZones()) {
        ScopedTimeZone zone(row.zone);
        if (!zone.inForce()) continue;
        ++ran;
        SCOPED_TRACE(std::string(row.zone) + " " + std::to_string(row.year));
        const std::int64_t first = secondsOf({row.year, 1, 1, 0, 0, 0});
        const std::int64_t end = secondsOf({row.year + 1, 1, 1, 0, 0, 0});
        const std::int64_t skipFrom = row.skipped.year ? secondsOf(row.skipped) : end;
        int wrong = 0;
        for (std::int64_t minute = first; minute < end; minute += 60) {
            const bool skipped = minute >= skipFrom && minute < skipFrom + 3600;
            const DateParts listed = calendarOf(minute + 37);
            const DateParts read = decodeDateTime(stampedFileTime(encodeDateTime(listed)));
            const DateParts expected = calendarOf(minute + 36 + (skipped ? 3600 : 0));
            if (read != expected && ++wrong <= 3)
                ADD_FAILURE() << "listed " << ::testing::PrintToString(listed) << " reads "
                              << ::testing::PrintToString(read);
        }
        EXPECT_EQ(wrong, 0);
    }
    if (ran == 0) GTEST_SKIP() << "the process's zone is none of the table's";
}

TEST(SummerTimeTest, ZonesChangeWhereTheirHistorySays) {
    int ran = 0;
    for (const ZoneYear& row : summerTimeZones()) {
        ScopedTimeZone zone(row.zone);
        if (!zone.inForce()) continue;
        ++ran;
        SCOPED_TRACE(std::string(row.zone) + " " + std::to_string(row.year));
        const DateParts january{row.year, 1, 15, 12, 0, 0}, july{row.year, 7, 15, 12, 0, 0};
        EXPECT_EQ(utcOf(january), secondsOf(january) - row.januaryOffset * 60);
        EXPECT_EQ(utcOf(july), secondsOf(july) - row.julyOffset * 60);
        EXPECT_EQ(localTimeOf(utcOf(july)), july);
        if (row.skipped.year) {
            // The second before the skip is followed by the hour after it.
            const std::int64_t start = utcOf(row.skipped);
            EXPECT_EQ(localTimeOf(start - 1), plusSeconds(row.skipped, -1));
            EXPECT_EQ(localTimeOf(start), plusSeconds(row.skipped, 3600));
        }
        if (row.doubled.year) {
            // The doubled hour's minutes happen twice, an hour apart; the first is taken.
            const DateParts half = plusSeconds(row.doubled, 1800);
            const std::int64_t once = utcOf(half);
            EXPECT_EQ(localTimeOf(once), half);
            EXPECT_EQ(localTimeOf(once + 3600), half);
            EXPECT_NE(localTimeOf(once - 3600), half);
        }
    }
    if (ran == 0) GTEST_SKIP() << "the process's zone is none of the table's";
}

#ifdef _WIN32
// The year's own rule from the zone's history: the same Brazilian zone began
// summer time in October 2017 and in November 2018, and has none since 2019.
TEST(WindowsZoneTest, EachYearHasItsOwnRule) {
    DYNAMIC_TIME_ZONE_INFORMATION brasilia{};
    const wchar_t key[] = L"E. South America Standard Time";
    std::copy(std::begin(key), std::end(key), brasilia.TimeZoneKeyName);
    brasilia.Bias = 180;
    const struct {
        DateParts utc;
        int offset;  // minutes east
    } rows[] = {
        {{2017, 10, 15, 2, 59, 59}, -180}, {{2017, 10, 15, 3, 0, 0}, -120},
        {{2017, 10, 28, 12, 0, 0}, -120},  {{2018, 10, 28, 12, 0, 0}, -180},
        {{2018, 11, 4, 2, 59, 59}, -180},  {{2018, 11, 4, 3, 0, 0}, -120},
        {{2018, 2, 18, 1, 59, 59}, -120},  {{2018, 2, 18, 2, 0, 0}, -180},
        {{2017, 12, 31, 23, 0, 0}, -120},  {{2020, 1, 15, 12, 0, 0}, -180},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.utc.year) + "-" + std::to_string(row.utc.month) + "-" +
                     std::to_string(row.utc.day) + " " + std::to_string(row.utc.hour));
        EXPECT_EQ(utcOffsetIn(brasilia, secondsOf(row.utc)), row.offset * 60);
    }
}
#endif

}  // namespace
}  // namespace velm
