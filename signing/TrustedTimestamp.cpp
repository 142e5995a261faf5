#include "signing/TrustedTimestamp.h"

#include <cstdio>

#include "platform/DecimalText.h"

namespace velm {

namespace {

constexpr std::string_view kTimestampField = "timestamp:";
constexpr std::string_view kExpiryField = "expires:";

// The first tab-separated field beginning with `name`, without the name.
std::optional<std::string_view> fieldValue(std::string_view comment, std::string_view name) {
    while (true) {
        const std::size_t tab = comment.find('\t');
        const std::string_view field = comment.substr(0, tab);
        if (field.starts_with(name)) return field.substr(name.size());
        if (tab == std::string_view::npos) return std::nullopt;
        comment.remove_prefix(tab + 1);
    }
}

struct UtcParts {
    long long year;
    unsigned month, day, hour, minute, second;
};

// The proleptic Gregorian date of a day count since 1970-01-01.
UtcParts utcParts(std::uint64_t seconds) {
    const long long days = static_cast<long long>(seconds / 86400);
    const unsigned inDay = static_cast<unsigned>(seconds % 86400);
    const long long z = days + 719468;
    const long long era = z / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const unsigned day = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
    const unsigned month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day, inDay / 3600, inDay / 60 % 60, inDay % 60};
}

}  // namespace

std::optional<std::uint64_t> trustedTimestamp(std::string_view trustedComment) {
    const std::optional<std::string_view> value = fieldValue(trustedComment, kTimestampField);
    if (!value) return std::nullopt;
    return readDigits<std::uint64_t>(*value);
}

TrustedExpiry trustedExpiry(std::string_view trustedComment) {
    const std::optional<std::string_view> value = fieldValue(trustedComment, kExpiryField);
    if (!value) return {};
    return {true, readDigits<std::uint64_t>(*value)};
}

std::string timestampLogText(std::uint64_t seconds) {
    const UtcParts t = utcParts(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02uZ", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

std::string timestampDisplayText(std::uint64_t seconds) {
    const UtcParts t = utcParts(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%02u/%02u/%04lld %02u:%02u:%02u UTC", t.day, t.month, t.year,
                  t.hour, t.minute, t.second);
    return text;
}

}  // namespace velm
