#include "engine/air_phases.h"

#include "engine/category_tables.h"
#include "core/tick.h"
#include "engine/ground_phases.h"
#include "engine/motion.h"
#include "engine/motion_inputs.h"
#include "engine/motion_math.h"

#include <algorithm>
#include <cmath>

namespace zyn {

namespace {

constexpr double kLowLevelFt = 10000.0;
constexpr double kStandardQnh = 1013.0;

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
        return;
    }
    const std::size_t last = std::min<std::size_t>(a.stream.size() - 1, 10);
    for (std::size_t k = 3; k <= last; ++k)
        if (lf_skipToAirborne(a, k))
            return;
    lf_setLandingRate(a, std::max(a.stream.at(1).verticalRate, 601.0));
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
        const auto& in = g_motionInputs;
        if (in.qnh > kStandardQnh || !in.parkAirportSet)
            lf_setLandingRate(a, in.qnh >= 1014 ? lf_landingVerticalSpeed(a) : -601.0);
        else
            a.altPerTick = (in.parkAirportAltitudeFt - a.block.altitude) / lf_ticksToNext(a);
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

// The climb configuration's motion half: above the approach height the take-off and the
// approach are over.
void lf_heightRules(LiveAcRecord& a)
{
    if (a.stream.at(0).altitude >= kLowLevelFt)
        return;
    const bool airliner = a.category == AcCategory::Buzjets || a.category == AcCategory::Large ||
                          a.category == AcCategory::Heavy;
    if (a.heightAboveGroundFt > (airliner ? 2050.0 : 625.0)) {
        lf_shrinkWindows(a);
        a.takingOff = 0;
        a.landing = 0;
    }
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
        if (!a.flareReference && g_motionInputs.parkAirportSet)
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
