#pragma once

#include <cstdint>

namespace velm {

// A local date and time as a count of days since 1899-12-30 00:00, the
// fraction being the time of day, the way the product's files and the
// listing parser use it. Negative values (before 1899-12-30) keep the
// convention that the fraction counts forward from midnight of the day.
struct DateTime {
    double value = 0.0;

    friend bool operator==(DateTime, DateTime) = default;
};

struct DateParts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    friend bool operator==(const DateParts&, const DateParts&) = default;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);

// Return false when the parts do not name a valid date (year 1..9999) or time.
bool tryEncodeDate(int year, int month, int day, DateTime& out);
bool tryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& out);
// Throw velm::Error when invalid.
DateTime encodeDate(int year, int month, int day);
DateTime encodeTime(int hour, int minute, int second, int millisecond = 0);
DateTime encodeDateTime(const DateParts& parts);
DateParts decodeDateTime(DateTime value);

}  // namespace velm
