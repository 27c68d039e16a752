#include "engine/air_phases.h"

#include "aircraft/category_tables.h"
#include "base/tick.h"
#include "engine/aircraft_events.h"
#include "engine/ground_phases.h"
#include "engine/identity.h"
#include "engine/motion.h"
#include "engine/motion_inputs.h"
#include "engine/motion_math.h"
#include "engine/stand_hold.h"
#include "sim/queues.h"

#include <algorithm>
#include <cmath>

namespace zyn {

namespace {

constexpr double kLowLevelFt = 10000.0;
constexpr double kStandardQnh = 1013.0;
constexpr double kApproachRangeNm = 10.0;
constexpr double kDescendingFpm = -250.0;
constexpr double kGoAroundClimbFpm = 600.0;
constexpr double kFlapsLevelFpm = 100.0;
constexpr double kFlapsUpHeightFt = 2400.0;
constexpr double kFirstFlapsHeightFt = 2000.0;


// The aircraft lands at (or flies near) the park airport: within the approach range of it.
bool lf_nearParkAirport(const LiveAcRecord& a)
{
    const auto& in = g_motionInputs;
    return in.parkAirportSet && gf_distanceNm(gf_positionOf(a.block), in.parkAirport) <= kApproachRangeNm;
}

void lf_setLandingRate(LiveAcRecord& a, double fpm)
{
    a.stream.at(1).verticalRate = fpm;
    a.verticalSpeedFpm = fpm;
    a.altPerTick = fpm / 6000.0;
}

void lf_climbFromGround(LiveAcRecord& a)
{
    const double nextAlt = a.stream.at(1).altitude;
    if (nextAlt <= a.block.altitude)
        a.altPerTick = 0.0;
    else
        a.altPerTick = std::min((nextAlt - a.block.altitude) / lf_ticksToNext(a), a.categoryFactor);
}

void lf_airToAir(LiveAcRecord& a)
{
    const Situation& front = a.stream.at(0);
    const Situation& next = a.stream.at(1);
    const double r = (next.altitude - a.block.altitude) / lf_ticksToNext(a);
    if (!a.landing) {
        a.altPerTick = a.heightAboveGroundFt > 1000.0 ? std::min(r, a.categoryFactor)
                                                      : std::min(std::max(r, 0.2), a.categoryFactor);
        return;
    }
    if (front.altitude == next.altitude && a.heightAboveGroundFt <= 1000.0 &&
        front.verticalRate + next.verticalRate <= 100.0)
        lf_setLandingRate(a, lf_landingVerticalSpeed(a));
    else
        a.altPerTick = r;
}

// Times the k-th situation (from 1) as the next one when it is airborne.
bool lf_skipToAirborne(LiveAcRecord& a, std::size_t k)
{
    if (a.stream.size() < k || !a.stream[k - 1].airborne)
        return false;
    for (std::size_t i = 2; i < k; ++i)
        a.stream.erase(1);
    const double d = gf_distanceNm(gf_positionOf(a.stream[0]), gf_positionOf(a.stream[1]));
    lf_retimeNext(a, gf_travelTicks(d, lf_meanSpeed(a)));
    lf_climbFromGround(a);
    return true;
}

void lf_groundToGround(LiveAcRecord& a)
{
    double verticalSum = 0.0;
    for (std::size_t i = 0; i < a.stream.size(); ++i)
        verticalSum += a.stream[i].verticalRate;
    if (a.landing || verticalSum <= 100.0) {
        lf_setLandingRate(a, lf_landingVerticalSpeed(a));
        gf_sendGear(a, 1);
        return;
    }
    const std::size_t last = std::min<std::size_t>(a.stream.size() - 1, 10);
    for (std::size_t k = 3; k <= last; ++k) {
        if (lf_skipToAirborne(a, k)) {
            gf_sendGear(a, 1);
            return;
        }
    }
    lf_setLandingRate(a, std::max(a.stream.at(1).verticalRate, 601.0));
    gf_sendGear(a, 1);
}

void lf_verticalRate(LiveAcRecord& a)
{
    const bool frontUp = a.stream.at(0).airborne != 0;
    const bool nextUp = a.stream.at(1).airborne != 0;
    if (!frontUp && !nextUp) {
        lf_groundToGround(a);
    } else if (!frontUp) {
        lf_climbFromGround(a);
    } else if (!nextUp) {
        // The field altitude is known only for the park airport; elsewhere the aircraft descends
        // at the landing rate instead of aiming at an airport it does not land at.
        const auto& in = g_motionInputs;
        if (in.qnh > kStandardQnh || !lf_nearParkAirport(a))
            lf_setLandingRate(a, in.qnh >= 1014 ? lf_landingVerticalSpeed(a) : -601.0);
        else
            a.altPerTick = (in.parkAirportAltitudeFt - a.block.altitude) / lf_ticksToNext(a);
        gf_sendGear(a, 1);
    } else {
        lf_airToAir(a);
    }
}

void lf_pitchTowardsRate(LiveAcRecord& a)
{
    double v = a.stream.at(1).verticalRate;
    v = v >= 0.0 ? std::min(v, 2400.0) : std::max(v, -3000.0) * 0.5;
    const double target = (-3.0 - (v / 600.0) * 2.2) * kDegToRad;
    const double limit = gf_categoryConstants(a.categoryCode()).maxPitchRatePerTick;
    a.pitchPerTick = std::clamp((target - a.block.pitch) / lf_ticksToNext(a), -limit, limit);
}

// At and above 10000 ft, once per crossing: cruise lights, climb throttle, gear and flaps up.
void lf_highAltitudeConfig(LiveAcRecord& a)
{
    if (a.highLightsSet)
        return;
    a.highLightsSet = 1;
    a.lowLightsSet = 0;
    gf_sendLights(a, {1, 1, 0, 0, 0, 0, 1});
    gf_sendThrottleStep(a, a.rotorcraft() ? 4 : 3);
    gf_sendGear(a, 0);
    gf_sendFlapStep(a, 0);
}

// Above the approach height: take-off and approach are over; throttle and flaps follow the climb.
void lf_climbConfig(LiveAcRecord& a)
{
    lf_shrinkWindows(a);
    gf_setCabinLights(a.objectId, 1);
    a.takingOff = 0;
    a.landing = 0;
    const double fpm = a.stream.at(0).verticalRate;
    if (fpm <= kDescendingFpm && a.lastThrottle == 3)
        gf_sendThrottleStep(a, a.rotorcraft() ? 4 : 2);
    else if (fpm > 400.0 && a.lastThrottle == 4 && !a.rotorcraft())
        gf_sendThrottleStep(a, 3);
    if (a.rotorcraft())
        return;
    const double h = a.heightAboveGroundFt;
    if (h >= kFlapsUpHeightFt) {
        gf_sendGear(a, 0);
        gf_sendFlapStep(a, 0);
    } else if (h >= kFirstFlapsHeightFt) {
        if (fpm <= kFlapsLevelFpm && a.lastFlaps == 0)
            gf_sendFlapStep(a, 1);
    } else if (fpm <= kFlapsLevelFpm) {
        if (a.lastFlaps == 1)
            gf_sendFlapStep(a, 2);
        else if (a.lastFlaps == 0)
            gf_sendFlapStep(a, 1);
    }
}

void lf_goAround(LiveAcRecord& a)
{
    lf_shrinkWindows(a);
    gf_sendThrottleStep(a, 4);
    gf_sendGear(a, 0);
    a.goAroundDone = 1;
    a.landing = 0;
    gf_sendFlapStep(a, 0);
    a.curveState = 0;
}

void lf_beginApproach(LiveAcRecord& a)
{
    gf_sendThrottleStep(a, a.rotorcraft() ? 4 : 1);
    gf_sendFlapStep(a, 3);
    gf_sendGear(a, 1);
    gf_queueIdentityCheck(a.hexId);
    a.landing = 1;
    a.goAroundDone = 0;
    gf_dropStand(a);
    lf_resetWindows(a);
    a.phaseCounter = 1;
}

// At or below the approach height: the approach begins within 10 NM of the park airport while
// descending; climbing away fast, or landing away from the field, is a go-around.
void lf_approachConfig(LiveAcRecord& a)
{
    gf_setCabinLights(a.objectId, 0);
    const double fpm = a.stream.at(0).verticalRate;
    if (fpm > kDescendingFpm) {
        const bool stillOnApproach = fpm <= kGoAroundClimbFpm && (!a.landing || lf_nearParkAirport(a));
        // The take-off run raises its own gear once it is off the runway.
        if (!stillOnApproach && !a.goAroundDone && a.phase != MovePhase::TakeoffRoll)
            lf_goAround(a);
        return;
    }
    if (!a.landing && lf_nearParkAirport(a))
        lf_beginApproach(a);
}

void lf_heightRules(LiveAcRecord& a)
{
    if (a.stream.at(0).altitude >= kLowLevelFt) {
        lf_highAltitudeConfig(a);
        return;
    }
    if (!a.lowLightsSet) {
        a.highLightsSet = 0;
        a.lowLightsSet = 1;
        gf_sendLights(a, {1, 1, 1, 1, 1, 1, 1});
    }
    const bool airliner = a.category == AcCategory::Buzjets || a.category == AcCategory::Large ||
                          a.category == AcCategory::Heavy;
    if (a.heightAboveGroundFt > (airliner ? 2050.0 : 625.0))
        lf_climbConfig(a);
    else
        lf_approachConfig(a);
}

} // namespace

void nextPosAir(LiveAcRecord& a)
{
    const Situation& front = a.stream.at(0);
    const Situation& next = a.stream.at(1);
    if (next.stationary) {
        if (a.category == AcCategory::Rotorcraft)
            adjustTimeGround(a); // a helicopter hovers until the stop's time
        return;
    }
    double speed = lf_meanSpeed(a);
    if (a.landing && !next.airborne)
        speed = front.groundSpeed > 0.0 ? front.groundSpeed : 100.0;
    const std::int32_t travel = gf_travelTicks(gf_distanceNm(gf_positionOf(front), gf_positionOf(next)), speed);
    lf_setNextPlayTime(a, std::int64_t(g_tick) + travel);
}

double lf_landingVerticalSpeed(const LiveAcRecord& a)
{
    if (a.heightAboveGroundFt <= 100.0)
        return -600.0;
    const double mean = (a.stream.at(0).verticalRate + a.stream.at(1).verticalRate) / 2.0;
    return std::min(-601.0, mean - (g_motionInputs.qnh - kStandardQnh) * 6.0);
}

void lf_airPhaseStep(LiveAcRecord& a)
{
    if (a.phase != MovePhase::TakeoffRoll && a.phase != MovePhase::Airborne)
        lf_setPhase(a, MovePhase::Airborne);
    const Situation& next = a.stream.at(1);
    a.trueAirspeedKt = next.airspeed;
    a.verticalSpeedFpm = next.verticalRate;
    if (a.curveState == 0) {
        lf_verticalRate(a);
        if (a.phase != MovePhase::TakeoffRoll)
            lf_pitchTowardsRate(a);
    }
    const Situation& n = a.stream.at(1); // the vertical step may have skipped situations
    const double t = lf_ticksToNext(a);
    const double lowHeight = a.landing ? 2000.0 : 1000.0;
    const bool reportedTurn = n.bankValid && n.headingValid && n.headingFromFeed && a.heightAboveGroundFt < lowHeight;
    const double turn = reportedTurn ? gf_angleDiff(a.block.heading, n.heading) : lf_turnToNextLeg(a);
    a.headingPerTick = turn / t;
    if (!n.bankValid)
        lf_limitBank(a, turn, static_cast<std::int32_t>(t));
    else
        a.bankPerTick = (n.bank - a.block.bank) / t;
    lf_heightRules(a);
}

void lf_flare(LiveAcRecord& a)
{
    const double cg = a.staticCgFt;
    switch (a.curveState) {
    case 0: {
        if (!a.flareReference && lf_nearParkAirport(a))
            a.flareReference = g_motionInputs.parkAirportAltitudeFt;
        const double h = a.flareReference ? a.block.altitude - *a.flareReference : a.heightAboveGroundFt;
        a.flareHeight = h;
        if (std::min(a.heightAboveGroundFt, h) <= cg + 30.0) {
            a.altPerTick = -0.1;
            a.pitchPerTick = (-4.0 * kDegToRad - a.block.pitch) / double(std::max<std::uint32_t>(a.flareTicks, 1));
            a.stream.at(0).verticalRate = -601.0;
            a.curveState = 1;
        }
        break;
    }
    case 1:
    case 2:
    case 3: {
        // Stages 1..3 step down at 20, 10 and 3 ft above the resting height.
        struct Stage {
            double aboveCgFt, altPerTick, frontFpm;
        };
        static constexpr Stage kStages[] = {{20.0, -0.075, -450.0}, {10.0, -0.05, -300.0}, {3.0, -0.025, -150.0}};
        const Stage& s = kStages[a.curveState - 1];
        if (a.heightAboveGroundFt <= cg + s.aboveCgFt) {
            if (a.curveState == 2)
                gf_sendThrottleStep(a, 0);
            a.flareReference.reset();
            a.altPerTick = s.altPerTick;
            a.stream.at(0).verticalRate = s.frontFpm;
            ++a.curveState;
        }
        break;
    }
    default: break;
    }
}

} // namespace zyn
