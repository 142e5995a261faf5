#pragma once

#include <windows.h>

#include <cstdint>

namespace velm {

// Seconds east of UTC of a Windows time zone at an instant (seconds since
// 1970-01-01 00:00 UTC), by the zone's rule for the year of that instant
// (its "Dynamic DST" data where it has some), not by this year's rule.
int utcOffsetIn(const DYNAMIC_TIME_ZONE_INFORMATION& zone, std::int64_t utc);

}  // namespace velm
