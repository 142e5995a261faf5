#pragma once

#include "platform/DateTime.h"
#include "platform/Service.h"

namespace velm {

class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime now() = 0;  // local time
};

inline Clock& clock() { return Service<Clock>::get(); }

// A clock that always answers the same time (tests).
class FixedClock : public Clock {
public:
    explicit FixedClock(DateTime t) : time(t) {}
    DateTime now() override { return time; }
    DateTime time;
};

}  // namespace velm
