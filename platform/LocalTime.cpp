#include "platform/LocalTime.h"

#include <algorithm>

namespace velm {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date, and back; exact for
// any date, before 1970 too.
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(std::int64_t days, DateParts& out) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    out.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    out.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    out.year = static_cast<int>(yearOfEra + era * 400 + (out.month <= 2));
}

}  // namespace

DateParts calendarOf(std::int64_t seconds) {
    std::int64_t days = seconds / kSecondsPerDay;
    std::int64_t rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    DateParts parts;
    civilFromDays(days, parts);
    parts.hour = static_cast<int>(rest / 3600);
    parts.minute = static_cast<int>(rest / 60 % 60);
    parts.second = static_cast<int>(rest % 60);
    return parts;
}

std::int64_t secondsOf(const DateParts& c) {
    return daysFromCivil(c.year, c.month, c.day) * kSecondsPerDay + c.hour * 3600LL +
           c.minute * 60LL + c.second;
}

DateParts localTimeOf(std::int64_t utc) {
    return calendarOf(utc + utcOffsetAt(utc));
}

std::int64_t utcOf(const DateParts& local) {
    // The offsets a day either side of the wall time bracket any change of
    // summer time near it; each candidate instant is kept only when the zone
    // really has that offset there. Built on the one question the system
    // answers exactly (the offset at an instant), so the choice is the same
    // on every OS and every call.
    const std::int64_t wall = secondsOf(local);
    const int before = utcOffsetAt(wall - kSecondsPerDay);
    const int after = utcOffsetAt(wall + kSecondsPerDay);
    const std::int64_t early = wall - before;
    const std::int64_t late = wall - after;
    const bool earlyHolds = utcOffsetAt(early) == before;
    const bool lateHolds = utcOffsetAt(late) == after;
    if (earlyHolds && lateHolds) return std::min(early, late);
    if (lateHolds) return late;
    return early;  // holds, or the wall time was skipped
}

}  // namespace velm
