#pragma once

namespace velm {

// The upgrade bar's position after `done` of `pending` scripts: the integer
// nearest to 100 / pending × done, computed in floating point, an exact half
// going to the even neighbour (33, 67, 100 for three; 12, 25, 38, 50, 62,
// 75, 88, 100 for eight). The pending count comes from a query apart from
// the pending list, so the two may disagree: a count of 0 or below, or more
// scripts done than counted, shows the bar full; the position is always
// within 0..100.
int upgradeProgressPosition(long long done, long long pending);

}  // namespace velm
