#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <random>

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

// The skip a local time falls in (nullptr: none).
const test::ClockChange* skipHolding(const ZoneYear& row, const DateParts& local) {
    for (const test::ClockChange& skip : row.skipped)
        if (skip.holds(local)) return &skip;
    return nullptr;
}

// Every minute of each year: a time stamped on a file reads back as itself
// (seconds rounded down to even), except in a stretch the clocks skip, which
// reads later by the skip's length. The comparison of the update run goes
// through the same function, so what it stamps it finds equal.
TEST(SummerTimeTest, EveryMinuteOfTheYearReadsBackAsStamped) {
    int ran = 0;
    for (const ZoneYear& row : summerTimeZones()) {
        ScopedTimeZone zone(row.zone);
        if (!zone.inForce()) continue;
        ++ran;
        SCOPED_TRACE(std::string(row.zone) + " " + std::to_string(row.year));
        const std::int64_t first = secondsOf({row.year, 1, 1, 0, 0, 0});
        const std::int64_t end = secondsOf({row.year + 1, 1, 1, 0, 0, 0});
        int wrong = 0;
        for (std::int64_t minute = first; minute < end; minute += 60) {
            const DateParts listed = calendarOf(minute + 37);
            const test::ClockChange* skip = skipHolding(row, listed);
            const DateParts read = decodeDateTime(stampedFileTime(encodeDateTime(listed)));
            const DateParts expected = calendarOf(minute + 36 + (skip ? skip->minutes * 60 : 0));
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
        for (const test::ClockChange& skip : row.skipped) {
            // The second before the skip is followed by the first after it.
            const std::int64_t start = utcOf(skip.at);
            EXPECT_EQ(localTimeOf(start - 1), plusSeconds(skip.at, -1));
            EXPECT_EQ(localTimeOf(start), plusSeconds(skip.at, skip.minutes * 60));
        }
        for (const test::ClockChange& twice : row.doubled) {
            // The doubled minutes happen twice, the length apart; the first is taken.
            const std::int64_t length = twice.minutes * 60;
            const DateParts half = plusSeconds(twice.at, length / 2);
            const std::int64_t once = utcOf(half);
            EXPECT_EQ(localTimeOf(once), half);
            EXPECT_EQ(localTimeOf(once + length), half);
            EXPECT_NE(localTimeOf(once - length), half);
        }
    }
    if (ran == 0) GTEST_SKIP() << "the process's zone is none of the table's";
}

// Instants drawn at random over the years a file can carry: local time and
// back gives the instant itself, or, in a doubled stretch, its first
// instant, which reads as the same local time.
TEST(SummerTimeTest, RandomInstantsRoundTrip) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<std::int64_t> instants(secondsOf({1980, 1, 1, 0, 0, 0}),
                                                         secondsOf({2107, 12, 31, 0, 0, 0}));
    int ran = 0;
    for (const ZoneYear& row : summerTimeZones()) {
        ScopedTimeZone zone(row.zone);
        if (!zone.inForce()) continue;
        ++ran;
        SCOPED_TRACE(row.zone);
        int wrong = 0;
        for (int i = 0; i < 20000; ++i) {
            const std::int64_t utc = instants(random);
            const DateParts local = localTimeOf(utc);
            const std::int64_t back = utcOf(local);
            const bool sound = back == utc || (back < utc && localTimeOf(back) == local);
            if (!sound && ++wrong <= 3)
                ADD_FAILURE() << utc << " reads " << ::testing::PrintToString(local)
                              << ", which goes back to " << back;
        }
        EXPECT_EQ(wrong, 0);
    }
    if (ran == 0) GTEST_SKIP() << "the process's zone is none of the table's";
}

#ifdef _WIN32
// Each year's own rule from the zone's registry history, whatever zone the
// process runs in: the Brazilian zone began summer time in October 2017 and
// in November 2018, and has none since 2019; Lord Howe's summer time is half
// an hour.
TEST(WindowsZoneTest, EachYearHasItsOwnRule) {
    const struct {
        const wchar_t* key;
        LONG bias;  // minutes west, as the registry keeps it
        DateParts utc;
        int offset;  // minutes east
    } rows[] = {
        {L"E. South America Standard Time", 180, {2017, 10, 15, 2, 59, 59}, -180},
        {L"E. South America Standard Time", 180, {2017, 10, 15, 3, 0, 0}, -120},
        {L"E. South America Standard Time", 180, {2017, 10, 28, 12, 0, 0}, -120},
        {L"E. South America Standard Time", 180, {2018, 10, 28, 12, 0, 0}, -180},
        {L"E. South America Standard Time", 180, {2018, 11, 4, 2, 59, 59}, -180},
        {L"E. South America Standard Time", 180, {2018, 11, 4, 3, 0, 0}, -120},
        {L"E. South America Standard Time", 180, {2018, 2, 18, 1, 59, 59}, -120},
        {L"E. South America Standard Time", 180, {2018, 2, 18, 2, 0, 0}, -180},
        {L"E. South America Standard Time", 180, {2017, 12, 31, 23, 0, 0}, -120},
        {L"E. South America Standard Time", 180, {2020, 1, 15, 12, 0, 0}, -180},
        // 2017-10-01 02:00 local became 02:30; 2017-04-02 02:00 became 01:30.
        {L"Lord Howe Standard Time", -630, {2017, 9, 30, 15, 29, 59}, 630},
        {L"Lord Howe Standard Time", -630, {2017, 9, 30, 15, 30, 0}, 660},
        {L"Lord Howe Standard Time", -630, {2017, 4, 1, 14, 59, 59}, 660},
        {L"Lord Howe Standard Time", -630, {2017, 4, 1, 15, 0, 0}, 630},
        {L"Lord Howe Standard Time", -630, {2017, 7, 15, 12, 0, 0}, 630},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.utc));
        DYNAMIC_TIME_ZONE_INFORMATION zone{};
        std::wcsncpy(zone.TimeZoneKeyName, row.key, std::size(zone.TimeZoneKeyName) - 1);
        zone.Bias = row.bias;
        EXPECT_EQ(utcOffsetIn(zone, secondsOf(row.utc)), row.offset * 60);
    }
}
#endif

}  // namespace
}  // namespace velm
