#pragma once
// Which stand of the park airport a position stands at; asked by the simulator link for the user
// aircraft, by the traffic client for parked traffic and by the main loop. The stands belong to the
// main loop, so the others are answered from a copy of names and positions that it publishes.
#include "airport/park_pos.h"
#include "base/geo.h"

#include <string>
#include <vector>

namespace zyn {

inline constexpr double kUserStandNm = 0.029697624190064796; // 55 m

// The main loop publishes the stands after each change of the stand list (also when emptied); the
// answer remembered for the last position goes with the old list.
void gf_publishStands(const std::vector<ParkPos>& stands);
// The name of the closest published stand within 55 m, or the empty text. Any thread.
std::string gf_closestStandName(LatLon position);

} // namespace zyn
