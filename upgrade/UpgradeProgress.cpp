#include "upgrade/UpgradeProgress.h"

#include <algorithm>
#include <cmath>

namespace velm {

int upgradeProgressPosition(long long done, long long pending) {
    if (pending <= 0 || done >= pending) return 100;
    if (done <= 0) return 0;
    const double exact = 100.0 / static_cast<double>(pending) * static_cast<double>(done);
    // Halves to the even neighbour, whatever rounding mode is in force.
    const double down = std::floor(exact);
    const double fraction = exact - down;
    double nearest = fraction > 0.5 ? down + 1 : down;
    if (fraction == 0.5 && std::fmod(down, 2.0) != 0.0) nearest = down + 1;
    return std::clamp(static_cast<int>(nearest), 0, 100);
}

}  // namespace velm
