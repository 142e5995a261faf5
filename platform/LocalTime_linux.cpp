#include <chrono>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/LocalTime.h"

namespace velm {

namespace {

// tzset() reads the zone again, a look at /etc/localtime each time, and a
// conversion asks for several offsets, a run for a few conversions per file.
// The zone is read again when TZ changes and otherwise at most once a
// second, which still follows a zone changed while the program runs.
void readZoneWhenDue() {
    static std::mutex mutex;
    static std::optional<std::optional<std::string>> readFor;  // TZ when last read (unset: never)
    static std::chrono::steady_clock::time_point readAt;
    const std::lock_guard<std::mutex> lock(mutex);
    const char* tz = std::getenv("TZ");
    const auto now = std::chrono::steady_clock::now();
    const bool sameTz = readFor && (tz ? *readFor == std::string_view(tz) : !*readFor);
    if (sameTz && now - readAt < std::chrono::seconds(1)) return;
    tzset();
    readFor = tz ? std::optional<std::string>(tz) : std::nullopt;
    readAt = now;
}

}  // namespace

int utcOffsetAt(std::int64_t utc) {
    readZoneWhenDue();  // the zone as TZ names it now, as localtime() would read it
    const time_t t = static_cast<time_t>(utc);
    struct tm local;
    if (!localtime_r(&t, &local)) return 0;  // beyond the C library's years: no zone known
    return static_cast<int>(local.tm_gmtoff);
}

}  // namespace velm
