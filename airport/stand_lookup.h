#pragma once
// Which stand of the current stand list a position stands at; asked by the simulator link for the
// user aircraft and by the traffic client for parked traffic.
#include "base/geo.h"

#include <string>

namespace zyn {

// The name of the closest stand of the current stand list within 55 m, or the empty text.
std::string gf_closestStandName(LatLon position);

} // namespace zyn
