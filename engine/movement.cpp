#include "engine/movement.h"

#include "base/log.h"
#include "base/tick.h"
#include "engine/air_phases.h"
#include "engine/ground_phases.h"
#include "engine/motion.h"
#include "engine/motion_math.h"
#include "engine/removal.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace zyn {

namespace {

constexpr double kLastCurveParameter = 0.999999;
constexpr double kFlareFloorPitch = -0.06981317007977318; // -4 degrees
constexpr double kFlareHeightFt = 400.0;
constexpr double kSmallestCosLat = 1e-9; // keeps east-west metres finite at the poles

double lf_metresPerDegreeLon(double latDeg)
{
    return kMetresPerDegreeLat * std::max(std::cos(latDeg * kDegToRad), kSmallestCosLat);
}

bool lf_steersOnGround(const LiveAcRecord& a)
{
    switch (a.phase) {
    case MovePhase::Pushback:
    case MovePhase::EnginesStarting:
    case MovePhase::Taxi:
    case MovePhase::TaxiToStand: return true;
    case MovePhase::Parked:
    case MovePhase::New: return a.onGround != 0; // a ground aircraft steers; it never spins
    default: return false;
    }
}

// Along the curve; false (position unchanged) when the curve could not be evaluated.
bool lf_followCurve(LiveAcRecord& a)
{
    a.curve.f = std::min(a.curve.f + a.curve.step, kLastCurveParameter);
    LatLon p;
    double direction = 0.0;
    if (!gf_evalCurveSegment(a.curve, a.curve.f, p, direction)) {
        gf_logf("{} error in curve at index: {:.2F}", a.head.callsign, a.curve.f);
        return false;
    }
    a.block.lat = p.lat;
    a.block.lon = p.lon;
    const double target = gf_wrapHeading(a.phase == MovePhase::Pushback ? direction + kPi : direction);
    a.block.heading = gf_turnTowards(a.block.heading, target, a.turnRate);
    return true;
}

void lf_moveStraight(LiveAcRecord& a)
{
    if (lf_steersOnGround(a)) {
        if (a.phase == MovePhase::TaxiToStand || a.steerToBearing)
            a.block.heading = gf_turnTowards(a.block.heading, a.track, a.turnRate);
    } else {
        a.block.heading = gf_wrapHeading(a.block.heading + a.headingPerTick);
    }
    if (a.phase == MovePhase::EnginesStarting)
        return;
    // Every other phase moves, in the air and on the take-off run too.
    a.block.lat += a.latPerTick;
    a.block.lon += a.lonPerTick;
}

void lf_attitudeAndAltitude(LiveAcRecord& a)
{
    if (a.phase == MovePhase::TakeoffRoll) {
        lf_takeoffRunTick(a);
        return;
    }
    // The height lies outside the motion lines of the record: read only on approach.
    if (a.landing && !a.onGround && a.heightAboveGroundFt <= kFlareHeightFt)
        lf_flare(a);
    if (a.settling) {
        a.block.pitch += a.pitchPerTick;
        // Settled once the ground pitch is reached, from whichever side the pitch comes.
        const bool reached = a.pitchPerTick >= 0.0 ? a.block.pitch >= a.groundPitch : a.block.pitch <= a.groundPitch;
        if (reached) {
            a.block.pitch = a.groundPitch;
            a.block.bank = 0.0;
            a.pitchPerTick = 0.0;
            a.bankPerTick = 0.0;
            a.settling = 0;
            a.curveState = 0;
        }
        a.block.bank += a.bankPerTick;
        return;
    }
    if (a.curveState == 0 && a.onGround) {
        a.block.pitch = a.groundPitch;
        a.block.bank = 0.0;
        return;
    }
    if (a.curveState == 0)
        a.block.pitch += a.pitchPerTick;
    else
        a.block.pitch = std::max(a.block.pitch + a.pitchPerTick, kFlareFloorPitch);
    a.block.bank += a.bankPerTick;
    a.block.altitude += a.altPerTick;
}

bool lf_blockIsFinite(const AiPositionBlock& b)
{
    for (double v : {b.lat, b.lon, b.pitch, b.bank, b.heading, b.altitude, b.verticalSpeed, b.airspeed})
        if (!std::isfinite(v))
            return false;
    return true;
}

void lf_stopRates(LiveAcRecord& a)
{
    a.latPerTick = a.lonPerTick = a.pitchPerTick = a.bankPerTick = a.headingPerTick = a.altPerTick = 0.0;
    a.curve.reset();
}

} // namespace

bool gf_evalCurveSegment(const CurveSegment& c, double f, LatLon& out, double& heading)
{
    if (!c.active() || std::isnan(c.t0) || std::isnan(c.t1) || !(f >= c.t0 && f <= c.t1) || c.t1 == c.t0)
        return false;
    const double u = (f - c.t0) / (c.t1 - c.t0);
    if (!(u >= 0.0 && u <= 1.0))
        return false;
    const double g = 1.0 - u;
    const double north = 2.0 * g * u * c.controlNorth + u * u * c.endNorth;
    const double east = 2.0 * g * u * c.controlEast + u * u * c.endEast;
    const double dirNorth = 2.0 * u * (c.endNorth - c.controlNorth) + 2.0 * g * c.controlNorth;
    const double dirEast = 2.0 * u * (c.endEast - c.controlEast) + 2.0 * g * c.controlEast;
    heading = gf_wrapHeading(std::atan2(dirEast, dirNorth));
    out.lat = c.originLat + north / kMetresPerDegreeLat;
    out.lon = gf_wrapLongitude(c.originLon + east / lf_metresPerDegreeLon(c.originLat));
    return true;
}

bool lf_setUpCurve(LiveAcRecord& a)
{
    if (a.stream.size() < 3)
        return false;
    const Situation& front = a.stream[0];
    const Situation& next = a.stream[1];
    Situation& after = a.stream[2];
    if (after.groundSpeed == 0.0)
        after.groundSpeed = (front.groundSpeed + next.groundSpeed) / 2.0;
    CurveSegment& c = a.curve;
    c.originLat = a.block.lat;
    c.originLon = a.block.lon;
    c.t0 = 0.0;
    c.t1 = 1.0;
    const double perDegLon = lf_metresPerDegreeLon(c.originLat);
    c.endNorth = (after.lat - c.originLat) * kMetresPerDegreeLat;
    c.endEast = gf_longitudeDelta(c.originLon, after.lon) * perDegLon;
    c.controlNorth = (next.lat - c.originLat) * kMetresPerDegreeLat;
    c.controlEast = gf_longitudeDelta(c.originLon, next.lon) * perDegLon;
    c.f = 0.0;
    a.stream.erase(1);
    return true;
}

void lf_moveOneTick(LiveAcRecord& a)
{
    if (a.curve.active())
        lf_followCurve(a); // a failed evaluation leaves the position as it is
    else
        lf_moveStraight(a);
    lf_attitudeAndAltitude(a);
    a.block.lon = gf_wrapLongitude(a.block.lon);
}

void gf_moveLiveAc(LiveAcRecord& a)
{
    if (a.state != ObjectState::InSim)
        return;
    const AiPositionBlock before = a.block;
    if (!a.stream.empty() && g_tick >= a.stream.front().timeKey) {
        try {
            nextPosMain(a);
        } catch (const std::exception&) {
            // Logged where it failed. The same step would fail again every tick: the aircraft goes.
            gf_logf("{}: {} removed after a failed step", "gf_moveLiveAc", gf_acDescription(a));
            removeAircraftFromSim(a);
            return;
        }
        a.block.verticalSpeed = a.verticalSpeedFpm / 60.0;
        a.block.airspeed = (!a.stream.empty() && a.stream.front().stationary) ? 0.0 : a.trueAirspeedKt;
    }
    if (a.state == ObjectState::InSim && !a.stream.empty() && !a.stream.front().stationary)
        lf_moveOneTick(a);
    if (!lf_blockIsFinite(a.block)) {
        gf_logf("{}: {} position not finite, held", "gf_moveLiveAc", gf_acDescription(a));
        a.block = before;
        lf_stopRates(a);
    }
}

} // namespace zyn
