#pragma once
// Small pure pieces of the motion code: heading wrap, longitude differences across the
// antimeridian, travel times and stepwise turning.
#include "aircraft/records.h"
#include "base/geo.h"
#include "sim/data_blocks.h"

#include <cstdint>

namespace zyn {

inline constexpr double kTicksPerHour = 360000.0; // nm / kt -> ticks
inline constexpr std::int32_t kShortestLegTicks = 25;

inline LatLon gf_positionOf(const Situation& s) { return {s.lat, s.lon}; }
inline LatLon gf_positionOf(const AiPositionBlock& b) { return {b.lat, b.lon}; }

// Into [0, 2pi); NaN and infinity give 0 so that nothing unusable reaches the simulator.
double gf_wrapHeading(double radians);
// Into [-180, 180].
double gf_wrapLongitude(double degrees);
// to - from in degrees of longitude, the short way round (across the antimeridian when shorter).
double gf_longitudeDelta(double fromDeg, double toDeg);
// Ticks to fly distanceNm at speedKt, rounded, at least 25; speeds below 1 kt count as 1 kt.
std::int32_t gf_travelTicks(double distanceNm, double speedKt);
// One step of at most rate radians from heading towards target the shorter way; a heading within
// 0.5 degrees of its target stays as it is.
double gf_turnTowards(double heading, double target, double rate);

} // namespace zyn
