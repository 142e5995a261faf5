#pragma once

#include <string>

#include "platform/Service.h"

namespace velm {

// The user's separators for numbers, dates and times.
struct LocaleFormats {
    char thousandSeparator = '.';
    char decimalSeparator = ',';
    char dateSeparator = '/';
    char timeSeparator = ':';
    friend bool operator==(const LocaleFormats&, const LocaleFormats&) = default;
};

class Locale {
public:
    virtual ~Locale() = default;
    virtual LocaleFormats formats() = 0;
};

inline Locale& locale() { return Service<Locale>::get(); }

class FixedLocale : public Locale {
public:
    explicit FixedLocale(LocaleFormats f = {}) : value(f) {}
    LocaleFormats formats() override { return value; }
    LocaleFormats value;
};

}  // namespace velm
