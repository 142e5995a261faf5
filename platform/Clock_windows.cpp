#include <windows.h>

#include <memory>

#include "platform/Clock.h"

namespace velm {

namespace {

class SystemClock : public Clock {
public:
    DateTime now() override {
        SYSTEMTIME t;
        GetLocalTime(&t);
        return encodeDateTime(
            {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds});
    }
};

}  // namespace

template <>
std::unique_ptr<Clock> makeSystemService<Clock>() {
    return std::make_unique<SystemClock>();
}

}  // namespace velm
