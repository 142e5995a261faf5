#include "platform/DateTime.h"

#include <cmath>

#include "platform/Errors.h"

namespace velm {

namespace {

constexpr int kDaysBefore1899_12_30 = 693593;  // days from 0001-01-01 to 1899-12-30

long long daysFromCivil(int year, int month, int day) {
    // Days since 0001-01-01 of the proleptic Gregorian calendar.
    long long y = year - 1;
    long long days = y * 365 + y / 4 - y / 100 + y / 400;
    for (int m = 1; m < month; ++m) days += daysInMonth(year, m);
    return days + day - 1;
}

}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && isLeapYear(year)) return 29;
    return kDays[month - 1];
}

bool tryEncodeDate(int year, int month, int day, DateTime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month))
        return false;
    out.value = static_cast<double>(daysFromCivil(year, month, day) - kDaysBefore1899_12_30);
    return true;
}

bool tryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& out) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        return false;
    const long long ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    out.value = static_cast<double>(ms) / 86400000.0;
    return true;
}

DateTime encodeDate(int year, int month, int day) {
    DateTime d;
    if (!tryEncodeDate(year, month, day, d)) throw Error("Invalid argument to date encode");
    return d;
}

DateTime encodeTime(int hour, int minute, int second, int millisecond) {
    DateTime t;
    if (!tryEncodeTime(hour, minute, second, millisecond, t))
        throw Error("Invalid argument to time encode");
    return t;
}

DateTime encodeDateTime(const DateParts& p) {
    const DateTime d = encodeDate(p.year, p.month, p.day);
    const DateTime t = encodeTime(p.hour, p.minute, p.second, p.millisecond);
    // Before 1899-12-30 the time still counts forward from the day's midnight.
    return DateTime{d.value >= 0 ? d.value + t.value : d.value - t.value};
}

DateParts decodeDateTime(DateTime value) {
    DateParts p;
    double dayPart = std::trunc(value.value);
    double fraction = std::fabs(value.value - dayPart);
    long long ms = std::llround(fraction * 86400000.0);
    if (ms >= 86400000LL) {  // rounding reached the next midnight
        ms -= 86400000LL;
        dayPart += value.value >= 0 ? 1 : -1;
    }
    long long days = static_cast<long long>(dayPart) + kDaysBefore1899_12_30;
    // Civil date from days since 0001-01-01.
    int year = static_cast<int>(days / 366) + 1;
    while (daysFromCivil(year + 1, 1, 1) <= days) ++year;
    long long rest = days - daysFromCivil(year, 1, 1);
    int month = 1;
    while (rest >= daysInMonth(year, month)) rest -= daysInMonth(year, month++);
    p.year = year;
    p.month = month;
    p.day = static_cast<int>(rest) + 1;
    p.hour = static_cast<int>(ms / 3600000);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.millisecond = static_cast<int>(ms % 1000);
    return p;
}

}  // namespace velm
