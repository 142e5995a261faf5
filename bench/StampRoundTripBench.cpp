// Times the stamped round trip of listing times (local time to the instant a
// file carries and back, under each date's own summer-time rule): 2,000 times
// of one year, then 2,000 times of the years 2000 to 2026 mixed, as a listing
// of old and new files gives them. Built for Windows too, where each year's
// rule is read from the registry.
//
//   stamp_round_trip_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/DateTime.h"
#include "platform/FileTimes.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<velm::DateTime> listingTimes(bool mixedYears) {
    std::vector<velm::DateTime> times;
    for (int i = 0; i < 2000; ++i) {
        const int year = mixedYears ? 2000 + i % 27 : 2024;
        times.push_back(velm::encodeDateTime({year, i % 12 + 1, i % 28 + 1, i % 24, i % 60, 0, 0}));
    }
    return times;
}

double millisecondsFor(const std::vector<velm::DateTime>& times) {
    const auto start = Clock::now();
    double sink = 0;
    for (const velm::DateTime t : times) sink += velm::stampedFileTime(t).value;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (sink == 0) std::puts("");  // keeps the loop
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    for (const bool mixed : {false, true}) {
        const std::vector<velm::DateTime> times = listingTimes(mixed);
        std::vector<double> ms;
        for (int r = 0; r < rounds; ++r) ms.push_back(millisecondsFor(times));
        std::sort(ms.begin(), ms.end());
        std::printf("%-28s 2000 round trips: median %.2f ms, min %.2f ms, max %.2f ms\n",
                    mixed ? "years 2000-2026 mixed" : "one year", ms[ms.size() / 2], ms.front(),
                    ms.back());
    }
    return 0;
}
