#pragma once

#include <atomic>
#include <chrono>

#include "platform/Service.h"

namespace velm {

// The clock that time limits are measured on: it only moves forward and
// ignores changes of the wall clock. Socket waits still need real time to
// pass; a wait towards a deadline asks the clock how long one wait may last,
// so that a test clock can have its time checked often while the test moves
// it.
class MonotonicClock {
public:
    using Ms = std::chrono::milliseconds;

    virtual ~MonotonicClock() = default;
    // Time since a fixed, arbitrary point.
    virtual Ms now() = 0;
    // The longest single socket wait, in real milliseconds, while `leftMs`
    // remain by this clock.
    virtual int waitSliceMs(int leftMs) { return leftMs; }
};

inline MonotonicClock& monotonicClock() {
    return Service<MonotonicClock>::get();
}

// A clock that moves only when told to (tests). Waits against it last a
// millisecond at a time, so a moved deadline is seen at once; a deadline that
// nobody moves past never ends a wait, however slow the machine.
class ManualMonotonicClock : public MonotonicClock {
public:
    Ms now() override { return Ms(now_.load()); }
    int waitSliceMs(int leftMs) override { return leftMs < 1 ? leftMs : 1; }
    void advance(Ms by) { now_ += by.count(); }

private:
    std::atomic<Ms::rep> now_{0};
};

}  // namespace velm
