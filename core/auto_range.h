#pragma once
// The automatic traffic range (AUTO_RANGE): from the user aircraft's height and the distance to the
// park airport, applied every 30 seconds by the main loop.
#include "settings/traffic_range.h"

#include <cstdint>
#include <optional>

namespace zyn {

// The automatic range for the user's situation: 10 NM on the ground; in the air 100 NM above
// AUTO_RANGE_ABOVE_HEIGHT, 40 NM above AIRPORT_HEIGHT, else by the distance to the park airport
// (parkAirportNm: none when there is no park airport).
std::int32_t gf_autoRangeNm(bool onGround, double altitudeFt, std::optional<double> parkAirportNm);
// Applies the automatic range to LATERAL_RANGE and its derived values; the box and the query box
// follow a change. Not saved: LATERAL_RANGE is saved only when the user edits it.
void gf_adjustTrafficRange();

} // namespace zyn
