#pragma once

#include <cstdint>
#include <string>

#include "platform/DateTime.h"

namespace velm {

// A file's time is kept as an instant (seconds since 1970-01-01 00:00 UTC)
// and shown as local time. Both file systems stamp through storedFileTime and
// read through localFileTime, and stampedFileTime is the two in a row, so a
// time compared through it matches what a stamped file reads back, whatever
// the zone does at that date.

// The instant a file stamped with `localTime` carries: seconds rounded down to
// even, no milliseconds, taken to UTC by the zone's rule at that date. Only
// years 1980 to 2107 can be stored: an earlier time is stored as 1980-01-01
// 00:00:00, a later one as 2107-12-31 23:59:58 (a server listing "Jan 01
// 1970" for a file without a time). NaN raises FileError naming the file.
std::int64_t storedFileTime(const std::string& name, DateTime localTime);

// The local time a file carrying the instant reads as. Raises FileError naming
// the file when that is not in the years 1 to 9999.
DateTime localFileTime(const std::string& name, std::int64_t utc, int milliseconds);

// What a file stamped with `localTime` reads back: the time itself, seconds
// rounded down to even, except in the hour the clocks skip when summer time
// begins, which reads later by the skip; a time outside the years a file can
// carry reads as the nearest one it can. NaN comes back unchanged.
DateTime stampedFileTime(DateTime localTime);

}  // namespace velm
