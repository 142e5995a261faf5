#include <ctime>

#include "platform/LocalTime.h"

namespace velm {

int utcOffsetAt(std::int64_t utc) {
    tzset();  // the zone as TZ names it now, as localtime() would read it
    const time_t t = static_cast<time_t>(utc);
    struct tm local;
    if (!localtime_r(&t, &local)) return 0;  // beyond the C library's years: no zone known
    return static_cast<int>(local.tm_gmtoff);
}

}  // namespace velm
