#pragma once

#include <cstdint>

#include "platform/DateTime.h"

namespace velm {

// Instants are whole seconds since 1970-01-01 00:00 UTC. Local times are the
// wall clock of the zone in force, under the summer-time rule that held at
// that date (not today's), so a date keeps its wall time all year round.

// The calendar reading of a count of seconds since 1970-01-01 00:00 with no
// zone applied, and back (milliseconds are 0 and ignored).
DateParts calendarOf(std::int64_t seconds);
std::int64_t secondsOf(const DateParts& calendar);

// Seconds east of UTC of the zone in force at an instant. One per OS.
int utcOffsetAt(std::int64_t utc);

DateParts localTimeOf(std::int64_t utc);
// The instant of a local time. A time the clocks skip when summer time begins
// takes the offset in force before the skip, so it reads back later by the
// skip's length; a time the clocks show twice is its first instant.
std::int64_t utcOf(const DateParts& local);

}  // namespace velm
