#include "platform/FileTimes.h"

#include <cmath>

#include "platform/Errors.h"
#include "platform/FileErrors.h"
#include "platform/LocalTime.h"

namespace velm {

namespace {

// The nearest time a file can carry: years 1980 to 2107, seconds even, no
// milliseconds. A time before or after is taken to the first or the last of
// them, so that every listed time has a stamp that reads back as itself.
// False only for a value that is no time at all (NaN).
bool nearestStorable(DateTime localTime, DateParts& parts) {
    constexpr DateParts first{1980, 1, 1, 0, 0, 0, 0};
    constexpr DateParts last{2107, 12, 31, 23, 59, 58, 0};
    if (std::isnan(localTime.value)) return false;
    // 29220 is 1979-12-31 and 76338 is 2108-12-31: outside them the calendar
    // arithmetic is never asked about huge values.
    if (localTime.value <= 29220) {
        parts = first;
        return true;
    }
    if (localTime.value >= 76338) {
        parts = last;
        return true;
    }
    parts = decodeDateTime(localTime);
    if (parts.year < 1980) parts = first;
    if (parts.year > 2107) parts = last;
    parts.second -= parts.second % 2;
    parts.millisecond = 0;
    return true;
}

}  // namespace

std::int64_t storedFileTime(const std::string& name, DateTime localTime) {
    DateParts parts;
    if (!nearestStorable(localTime, parts))
        throw FileError("Cannot set the date of file \"" + name + "\". The date is not valid");
    return utcOf(parts);
}

DateTime localFileTime(const std::string& name, std::int64_t utc, int milliseconds) {
    DateParts parts = localTimeOf(utc);
    parts.millisecond = milliseconds;
    if (parts.year < 1 || parts.year > 9999)
        throw fileError("Cannot read the date of file", name, 87);  // the parameter is incorrect
    return encodeDateTime(parts);
}

DateTime stampedFileTime(DateTime localTime) {
    DateParts parts;
    if (!nearestStorable(localTime, parts)) return localTime;
    return encodeDateTime(localTimeOf(utcOf(parts)));
}

}  // namespace velm
