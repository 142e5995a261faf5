// The year's own rule comes from GetTimeZoneInformationForYear and is applied
// by SystemTimeToTzSpecificLocalTime. FileTimeToLocalFileTime would apply
// today's offset to every date instead, moving every file's time by an hour
// at each change of summer time.
#include <cstring>
#include <map>

#include "platform/LocalTime.h"
#include "platform/WindowsZone.h"

namespace velm {

namespace {

SYSTEMTIME systemTimeOf(const DateParts& p) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(p.year);
    t.wMonth = static_cast<WORD>(p.month);
    t.wDay = static_cast<WORD>(p.day);
    t.wHour = static_cast<WORD>(p.hour);
    t.wMinute = static_cast<WORD>(p.minute);
    t.wSecond = static_cast<WORD>(p.second);
    return t;
}

DateParts partsOf(const SYSTEMTIME& t) {
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, 0};
}

// The zone's own fields: its current rule, or none when the user turned
// summer time off.
TIME_ZONE_INFORMATION currentRule(const DYNAMIC_TIME_ZONE_INFORMATION& zone) {
    TIME_ZONE_INFORMATION rule{};
    rule.Bias = zone.Bias;
    std::memcpy(rule.StandardName, zone.StandardName, sizeof rule.StandardName);
    rule.StandardDate = zone.StandardDate;
    rule.StandardBias = zone.StandardBias;
    std::memcpy(rule.DaylightName, zone.DaylightName, sizeof rule.DaylightName);
    rule.DaylightDate = zone.DaylightDate;
    rule.DaylightBias = zone.DaylightBias;
    if (zone.DynamicDaylightTimeDisabled) rule.StandardDate.wMonth = rule.DaylightDate.wMonth = 0;
    return rule;
}

// Reading a year's rule goes to the registry (about a millisecond under
// Wine), and a listing mixes the years of its files, so the rules read are
// kept per thread by year, tied to the zone they came from. A hostile
// listing could name thousands of years: past a bound the map starts over.
TIME_ZONE_INFORMATION ruleOfYear(const DYNAMIC_TIME_ZONE_INFORMATION& zone, WORD year) {
    constexpr std::size_t kMaxYearsKept = 256;
    struct Kept {
        DYNAMIC_TIME_ZONE_INFORMATION zone;
        std::map<WORD, TIME_ZONE_INFORMATION> rules;
    };
    thread_local Kept kept{};
    if (std::memcmp(&kept.zone, &zone, sizeof zone) != 0) {
        kept.zone = zone;
        kept.rules.clear();
    }
    if (const auto found = kept.rules.find(year); found != kept.rules.end()) return found->second;
    TIME_ZONE_INFORMATION rule{};
    // A zone without a registry key (or with summer time turned off) has only its own rule.
    if (zone.DynamicDaylightTimeDisabled ||
        !GetTimeZoneInformationForYear(year, const_cast<DYNAMIC_TIME_ZONE_INFORMATION*>(&zone),
                                       &rule))
        rule = currentRule(zone);
    if (kept.rules.size() >= kMaxYearsKept) kept.rules.clear();
    kept.rules.emplace(year, rule);
    return rule;
}

}  // namespace

int utcOffsetIn(const DYNAMIC_TIME_ZONE_INFORMATION& zone, std::int64_t utc) {
    const SYSTEMTIME universal = systemTimeOf(calendarOf(utc));
    SYSTEMTIME local;
    TIME_ZONE_INFORMATION rule = ruleOfYear(zone, universal.wYear);
    if (!SystemTimeToTzSpecificLocalTime(&rule, &universal, &local)) return -zone.Bias * 60;
    if (local.wYear != universal.wYear) {  // the new year began in one place only
        rule = ruleOfYear(zone, local.wYear);
        if (!SystemTimeToTzSpecificLocalTime(&rule, &universal, &local)) return -zone.Bias * 60;
    }
    return static_cast<int>(secondsOf(partsOf(local)) - utc);
}

int utcOffsetAt(std::int64_t utc) {
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    if (GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return 0;
    return utcOffsetIn(zone, utc);
}

}  // namespace velm
