#include "platform/FileTimes.h"

#include <cmath>

#include "platform/Errors.h"
#include "platform/FileErrors.h"
#include "platform/LocalTime.h"

namespace velm {

namespace {

bool storable(DateTime localTime, DateParts& parts) {
    // 29220 is 1979-12-31 and 76338 is 2108-12-31: anything outside cannot be
    // in range, and NaN or huge values never reach the calendar arithmetic.
    if (!std::isfinite(localTime.value) || localTime.value <= 29220 || localTime.value >= 76338)
        return false;
    parts = decodeDateTime(localTime);
    if (parts.year < 1980 || parts.year > 2107) return false;
    parts.second -= parts.second % 2;
    parts.millisecond = 0;
    return true;
}

}  // namespace

std::int64_t storedFileTime(const std::string& name, DateTime localTime) {
    DateParts parts;
    if (!storable(localTime, parts))
        throw FileError("Cannot set the date of file \"" + name +
                        "\". Only dates from 1980 to 2107 can be stored");
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
    if (!storable(localTime, parts)) return localTime;
    return encodeDateTime(localTimeOf(utcOf(parts)));
}

}  // namespace velm
