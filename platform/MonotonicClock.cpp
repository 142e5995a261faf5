#include "platform/MonotonicClock.h"

#include <memory>

namespace velm {

namespace {

// The standard steady clock is monotonic on every system we build for.
class SystemMonotonicClock : public MonotonicClock {
public:
    Ms now() override {
        return std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now().time_since_epoch());
    }
};

}  // namespace

template <>
std::unique_ptr<MonotonicClock> makeSystemService<MonotonicClock>() {
    return std::make_unique<SystemMonotonicClock>();
}

}  // namespace velm
