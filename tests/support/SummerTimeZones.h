#pragma once

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/DateTime.h"
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

// A year of a zone and where its clocks change in it, from the zone's history.
struct ZoneYear {
    const char* zone;  // as TZ names it
    int year;
    DateParts skipped;              // first minute of the hour the clocks skip (year 0: none)
    DateParts doubled;              // first minute of the hour the clocks show twice (year 0: none)
    int januaryOffset, julyOffset;  // minutes east of UTC at noon on the 15th
};

inline const std::vector<ZoneYear>& summerTimeZones() {
    static const std::vector<ZoneYear> zones = {
        // Summer time began at midnight, so 2017-10-15 00:00 never happened.
        {"America/Sao_Paulo", 2017, {2017, 10, 15, 0, 0}, {2017, 2, 18, 23, 0}, -120, -180},
        // The rules changed: it began three weeks later, in November.
        {"America/Sao_Paulo", 2018, {2018, 11, 4, 0, 0}, {2018, 2, 17, 23, 0}, -120, -180},
        {"Europe/Lisbon", 2017, {2017, 3, 26, 1, 0}, {2017, 10, 29, 1, 0}, 0, 60},
        {"Asia/Tokyo", 2017, {}, {}, 540, 540},
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
        environment_.emplace("TZ", zone);
        tzset();
        inForce_ = true;
#endif
    }
    ~ScopedTimeZone() {
#ifndef _WIN32
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
