#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/FileTimes.h"
#include "platform/LocalTime.h"
#include "support/SummerTimeZones.h"
#include "support/TempFolder.h"
#include "sync/ChangeTest.h"

namespace velm {
namespace {

DateTime at(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    return encodeDateTime({year, month, day, hour, minute, second, ms});
}

TEST(ChangeTestTest, OnlyYearToMinuteCount) {
    struct Row {
        DateTime local, remote;
        bool differs;
        const char* reason;
    };
    const Row rows[] = {
        {at(2026, 3, 5, 10, 15, 2), at(2026, 3, 5, 10, 15, 59), false, "seconds never count"},
        {at(2026, 3, 5, 10, 16, 0), at(2026, 3, 5, 10, 15, 59), true, "the next minute differs"},
        {at(2026, 3, 5, 10, 15, 0, 999), at(2026, 3, 5, 10, 15, 0), false, "nor do milliseconds"},
        {at(2026, 3, 6, 10, 15, 0), at(2026, 3, 5, 10, 15, 0), true, "another day"},
        {at(2025, 3, 5, 10, 15, 0), at(2026, 3, 5, 10, 15, 0), true, "another year"},
        {at(2026, 3, 5, 0, 0, 0), at(2026, 3, 5, 0, 0, 0), false, "midnight equals midnight"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        EXPECT_EQ(differsToTheMinute(row.local, row.remote), row.differs);
    }
}

TEST(ChangeTestTest, MissingFileOrFolderCountsAsTodayAtMidnight) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    FixedClock now{at(2026, 12, 10, 17, 30, 12)};
    ScopedService<Clock> useClock{now};
    std::filesystem::create_directory("pasta");
    std::filesystem::create_directory("Arquivos_dlls");
    for (const char* name : {"novo.exe", "pasta"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(ArquivoDiferente(name, at(2026, 12, 10, 0, 0, 40)));
        EXPECT_TRUE(ArquivoDiferente(name, at(2026, 12, 10, 0, 1, 0)));
        EXPECT_TRUE(ArquivoDiferente(name, at(2026, 12, 9, 0, 0, 0)));
    }
    EXPECT_FALSE(ArquivoDiferente("Arquivos_dlls", at(2001, 1, 1, 0, 0, 0)));
    EXPECT_FALSE(ArquivoDiferente("Arquivos_dlls", at(2026, 12, 10, 9, 0, 0)));

    fileSystem().writeTextLines("a.exe", {"x"});
    fileSystem().setModificationTime("a.exe", at(2024, 5, 1, 8, 30, 10));
    EXPECT_FALSE(ArquivoDiferente("a.exe", at(2024, 5, 1, 8, 30, 58)));
    EXPECT_TRUE(ArquivoDiferente("a.exe", at(2024, 5, 1, 8, 31, 0)));
    EXPECT_TRUE(ArquivoDiferente("arquivos_dlls", at(2001, 1, 1, 0, 0, 0)))
        << "only the exact name is spared";
}

// A listed time no file can carry is stamped as the nearest one it can, and
// the next run compares with exactly that: the file is not fetched again.
TEST(ChangeTestTest, AFileStampedOutsideTheStorableYearsIsFoundEqual) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    fileSystem().writeTextLines("a.exe", {"x"});
    for (const DateTime listed : {at(1970, 1, 1, 0, 0, 0), at(1979, 12, 31, 23, 59, 0),
                                  at(2110, 6, 1, 12, 0, 0), at(9999, 12, 31, 0, 0, 0)}) {
        SCOPED_TRACE(::testing::PrintToString(decodeDateTime(listed)));
        fileSystem().setModificationTime("a.exe", listed);
        EXPECT_FALSE(ArquivoDiferente("a.exe", listed));
        EXPECT_EQ(fileSystem().modificationTime("a.exe"), stampedFileTime(listed));
    }
    fileSystem().setModificationTime("a.exe", at(1970, 1, 1, 0, 0, 0));
    EXPECT_TRUE(ArquivoDiferente("a.exe", at(1980, 1, 2, 0, 0, 0))) << "a real change still shows";
}

// Real files stamped with the minutes around each change of summer time and a
// sample of the year: each reads back what the comparison expects, is found
// equal to the time it was stamped with, and shows that wall time outside the
// skipped hour. The instant stored is the zone's for that date, not today's.
TEST(SummerTimeTest, StampedFilesAreFoundEqualToTheirListingTime) {
    test::TempFolder folder{test::TempFolder::Enter::Yes};
    fileSystem().writeTextLines("baixado.dll", {"x"});
    int ran = 0;
    for (const test::ZoneYear& row : test::summerTimeZones()) {
        test::ScopedTimeZone zone(row.zone);
        if (!zone.inForce()) continue;
        ++ran;
        SCOPED_TRACE(std::string(row.zone) + " " + std::to_string(row.year));
        std::vector<std::int64_t> minutes;
        for (const auto* changes : {&row.skipped, &row.doubled})
            for (const test::ClockChange& change : *changes)
                for (int m = -30; m < change.minutes + 30; ++m)
                    minutes.push_back(secondsOf(change.at) + m * 60);
        const std::int64_t first = secondsOf({row.year, 1, 1, 0, 0, 0});
        for (std::int64_t m = first; m < first + 365 * 86400; m += 4999 * 60) minutes.push_back(m);
        const auto skipped = [&](std::int64_t minute) {
            for (const test::ClockChange& skip : row.skipped)
                if (skip.holds(calendarOf(minute))) return true;
            return false;
        };
        for (const std::int64_t minute : minutes) {
            const DateTime listed = encodeDateTime(calendarOf(minute + 37));
            fileSystem().setModificationTime("baixado.dll", listed);
            const DateTime read = fileSystem().modificationTime("baixado.dll");
            SCOPED_TRACE(::testing::PrintToString(decodeDateTime(listed)));
            EXPECT_FALSE(ArquivoDiferente("baixado.dll", listed));
            EXPECT_EQ(read, stampedFileTime(listed));
            if (!skipped(minute)) {
                EXPECT_EQ(decodeDateTime(read), calendarOf(minute + 36));
            }
        }
        for (const auto& [noon, offset] :
             {std::pair{DateParts{row.year, 1, 15, 12, 0, 0}, row.januaryOffset},
              std::pair{DateParts{row.year, 7, 15, 12, 0, 0}, row.julyOffset}}) {
            fileSystem().setModificationTime("baixado.dll", encodeDateTime(noon));
            const auto stored =
                std::chrono::file_clock::to_sys(std::filesystem::last_write_time("baixado.dll"));
            EXPECT_EQ(
                std::chrono::duration_cast<std::chrono::seconds>(stored.time_since_epoch()).count(),
                secondsOf(noon) - offset * 60);
        }
    }
    if (ran == 0) GTEST_SKIP() << "the process's zone is none of the table's";
}

}  // namespace
}  // namespace velm
