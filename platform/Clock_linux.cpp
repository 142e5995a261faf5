#include <ctime>
#include <memory>

#include "platform/Clock.h"
#include "platform/Errors.h"

namespace velm {

namespace {

class SystemClock : public Clock {
public:
    DateTime now() override {
        struct timespec ts;
        clock_gettime(CLOCK_REALTIME, &ts);
        struct tm local;
        if (!localtime_r(&ts.tv_sec, &local)) throw Error("The system clock cannot be read");
        return encodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, local.tm_sec < 60 ? local.tm_sec : 59,
                               static_cast<int>(ts.tv_nsec / 1000000)});
    }
};

}  // namespace

template <>
std::unique_ptr<Clock> makeSystemService<Clock>() {
    return std::make_unique<SystemClock>();
}

}  // namespace velm
