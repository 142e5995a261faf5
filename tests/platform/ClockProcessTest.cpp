// The system clock and process services.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "platform/Clock.h"
#include "platform/Process.h"

namespace velm {
namespace {

TEST(ClockTest, NowIsTheLocalTimeWithMilliseconds) {
    const DateTime before = clock().now();
    const std::time_t t = std::time(nullptr);
    const std::tm local = *std::localtime(&t);
    const DateTime after = clock().now();
    const DateTime expected = encodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                              local.tm_hour, local.tm_min, local.tm_sec, 0});
    EXPECT_LE(before.value, after.value);
    // Within two seconds of the C library's local time (never hours off, as
    // a UTC clock would be wherever the zone is not UTC).
    EXPECT_NEAR(after.value, expected.value, 2.0 / 86400);

    bool sawMilliseconds = false;
    for (int i = 0; i < 50 && !sawMilliseconds; ++i) {
        sawMilliseconds = decodeDateTime(clock().now()).millisecond != 0;
        process().sleepMilliseconds(3);
    }
    EXPECT_TRUE(sawMilliseconds);
}

TEST(ProcessTest, SleepsAtLeastTheTimeAsked) {
    const auto start = std::chrono::steady_clock::now();
    process().sleepMilliseconds(120);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(120));
    process().sleepMilliseconds(0);
    process().sleepMilliseconds(-5);
}

TEST(ProcessDeathTest, ExitEndsAtOnceWithTheCodeAfterFlushingOutput) {
    // Fully buffered stderr: the text only shows when exit flushes it.
    EXPECT_EXIT(
        {
            static char buffer[1024];
            std::setvbuf(stderr, buffer, _IOFBF, sizeof buffer);
            std::fputs("flushed before exit", stderr);
            process().exit(3);
        },
        ::testing::ExitedWithCode(3), "flushed before exit");
    EXPECT_EXIT(process().exit(0), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace velm
