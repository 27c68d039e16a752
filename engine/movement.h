#pragma once
// Per-tick movement of a live aircraft's position block: straight legs by the per-tick rates,
// turns on the ground along a quadratic curve. Main-loop thread only.
#include "base/geo.h"
#include "engine/records.h"

namespace zyn {

inline constexpr double kMetresPerDegreeLat = 111132.95;

// The curve at parameter f: position and the heading of travel there. False when no curve is
// active or f lies outside it.
bool gf_evalCurveSegment(const CurveSegment& curve, double f, LatLon& out, double& heading);
// A curve from the aircraft's position through the next situation to the one after it, which
// becomes the next situation. False (nothing changed) with fewer than three situations.
bool lf_setUpCurve(LiveAcRecord& aircraft);
// One tick of heading, position, pitch, bank and altitude.
void lf_moveOneTick(LiveAcRecord& aircraft);
// The motion of one tick of an aircraft in the simulator: the next step when its time has come,
// then one tick of movement. Whatever happens, the block never holds NaN or infinity; an aircraft
// whose step fails is logged and removed.
void gf_moveLiveAc(LiveAcRecord& aircraft);

} // namespace zyn
