#include "platform/FileTimes.h"

#include <cmath>

#include "platform/Errors.h"

namespace velm {

DateParts storableFileTime(const std::string& name, DateTime localTime) {
    // 29220 is 1979-12-31 and 76338 is 2108-12-31: anything outside cannot be
    // in range, and NaN or huge values never reach the calendar arithmetic.
    DateParts parts;
    if (std::isfinite(localTime.value) && localTime.value > 29220 && localTime.value < 76338)
        parts = decodeDateTime(localTime);
    if (parts.year < 1980 || parts.year > 2107)
        throw FileError("Cannot set the date of file \"" + name +
                        "\". Only dates from 1980 to 2107 can be stored");
    parts.second -= parts.second % 2;
    parts.millisecond = 0;
    return parts;
}

}  // namespace velm
