#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
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

}  // namespace
}  // namespace velm
