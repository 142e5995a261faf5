#pragma once

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/LocalTime.h"
#include "support/ScopedEnvironment.h"

namespace velm {

// "2017-10-15 00:00:36" in test messages.
inline void PrintTo(const DateParts& p, std::ostream* os) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    *os << text;
}

}  // namespace velm

namespace velm::test {

// Local times where a zone's clocks jump: from `at` (its first minute), for
// `minutes` minutes.
struct ClockChange {
    DateParts at;
    int minutes;
    bool holds(const DateParts& local) const {
        const std::int64_t from = secondsOf(at), t = secondsOf(local);
        return t >= from && t < from + minutes * 60;
    }
};

// A year of a zone and where its clocks change in it, from the zone's history.
struct ZoneYear {
    const char* zone;                  // as TZ names it
    int year;
    std::vector<ClockChange> skipped;  // the local times the clocks skip
    std::vector<ClockChange> doubled;  // the local times the clocks show twice
    int januaryOffset, julyOffset;     // minutes east of UTC at noon on the 15th
};

inline const std::vector<ZoneYear>& summerTimeZones() {
    static const std::vector<ZoneYear> zones = {
        // Summer time began at midnight, so 2017-10-15 00:00 never happened.
        {"America/Sao_Paulo", 2017, {{{2017, 10, 15, 0, 0}, 60}}, {{{2017, 2, 18, 23, 0}, 60}},
         -120, -180},
        // The rules changed: it began three weeks later, in November.
        {"America/Sao_Paulo", 2018, {{{2018, 11, 4, 0, 0}, 60}}, {{{2018, 2, 17, 23, 0}, 60}},
         -120, -180},
        {"Europe/Lisbon", 2017, {{{2017, 3, 26, 1, 0}, 60}}, {{{2017, 10, 29, 1, 0}, 60}}, 0, 60},
        {"Asia/Tokyo", 2017, {}, {}, 540, 540},
        // Summer time of half an hour.
        {"Australia/Lord_Howe", 2017, {{{2017, 10, 1, 2, 0}, 30}}, {{{2017, 4, 2, 1, 30}, 30}},
         660, 630},
        // Summer time began in September, and on 30 December the country
        // crossed the date line: the whole day never happened.
        {"Pacific/Apia", 2011, {{{2011, 9, 24, 3, 0}, 60}, {{2011, 12, 30, 0, 0}, 1440}},
         {{{2011, 4, 2, 3, 0}, 60}}, -600, -660},
        // Winter is the summer-time rule there (a negative one): the wall
        // clock still jumps as in London.
        {"Europe/Dublin", 2017, {{{2017, 3, 26, 1, 0}, 60}}, {{{2017, 10, 29, 1, 0}, 60}}, 0, 60},
        // The standard offset itself went back an hour, without summer time.
        {"Europe/Moscow", 2014, {}, {{{2014, 10, 26, 1, 0}, 60}}, 240, 240},
    };
    return zones;
}

// The local time zone for a test. On Linux it is set here and put back
// afterwards. A Windows process keeps the zone it started with (under Wine,
// the TZ variable given to wine), so there the object only tells whether the
// zone asked for is the one in force.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const std::string& zone) {
#ifdef _WIN32
        const char* current = std::getenv("TZ");
        inForce_ = current && zone == current;
#else
        // Without the zone's file the C library would quietly use UTC: such a
        // zone is not in force, and its rows are skipped.
        const char* folder = std::getenv("TZDIR");
        const std::string file = std::string(folder ? folder : "/usr/share/zoneinfo") + "/" + zone;
        if (FILE* f = std::fopen(file.c_str(), "rb")) {
            std::fclose(f);
            environment_.emplace("TZ", zone);
            tzset();
            inForce_ = true;
        }
#endif
    }
    ~ScopedTimeZone() {
#ifndef _WIN32
        if (!environment_) return;
        environment_.reset();
        tzset();
#endif
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

    bool inForce() const {
        return inForce_;
    }

private:
    std::optional<ScopedEnvironment> environment_;
    bool inForce_ = false;
};

}  // namespace velm::test
