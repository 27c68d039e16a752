#include "engine/ground_phases.h"

#include "aircraft/category_tables.h"
#include "airport/park_pos.h"
#include "base/log.h"
#include "base/tick.h"
#include "engine/aircraft_events.h"
#include "engine/identity.h"
#include "engine/motion.h"
#include "engine/motion_inputs.h"
#include "engine/motion_math.h"
#include "engine/movement.h"
#include "engine/stand_claims.h"
#include "engine/stand_hold.h"
#include "settings/settings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace zyn {

namespace {

constexpr double kSteerGapDeg = 3.0;
constexpr double kLongLegNm = 0.02699784017278618;  // 50 m
constexpr double kNearLastNm = 0.018898488120950324; // 35 m
constexpr double kSplitLegMetres = 100.0;
constexpr double kTakeoffRunStartKt = 43.0;
constexpr double kClimbingFpm = 256.0;
constexpr double kLeftRunwayDeg = 15.0;
constexpr double kRollOutSlowKt = 90.0;
constexpr std::int32_t kGearUpTick = -300;
constexpr double kThrottleClimbHeightFt = 800.0;
constexpr double kSmallestPushbackNm = 0.0053995680345572351; // 10 m
constexpr std::uint32_t kTaxiFlapStep = 1;


// The speed to and from a stand; never zero, so that travel times stay finite.
double lf_standTaxiSpeed(const LiveAcRecord& a) { return std::max(a.categorySpeedStep, 1.0); }

// Engines running, throttle closed and taxi flaps.
void lf_readyToTaxi(LiveAcRecord& a)
{
    gf_sendEngineStart(a);
    gf_sendThrottleStep(a, 0);
    gf_sendFlapStep(a, kTaxiFlapStep);
}

// A situation at p on the ground moving at the stand taxi speed, timed after `after` by its travel.
Situation lf_taxiPoint(const LiveAcRecord& a, LatLon p, LatLon from, std::int64_t after)
{
    Situation s = a.stream.front();
    s.lat = p.lat;
    s.lon = p.lon;
    s.altitude = 0.0;
    s.airborne = 0;
    s.stationary = 0;
    s.verticalRate = 0.0;
    s.groundSpeed = lf_standTaxiSpeed(a);
    s.airspeed = s.groundSpeed;
    const std::int64_t t = after + gf_travelTicks(gf_distanceNm(from, p), s.groundSpeed);
    s.timeKey = static_cast<std::int32_t>(std::min<std::int64_t>(t, std::numeric_limits<std::int32_t>::max()));
    return s;
}


std::int32_t lf_roundToInt(double v)
{
    if (!std::isfinite(v))
        return 1;
    return static_cast<std::int32_t>(std::clamp(std::round(v), -1.0e9, 1.0e9));
}

// Turn steps of a turn of degrees at the current turn rate.
std::int32_t lf_turnSteps(double degrees, double turnRate)
{
    if (!(turnRate > 0.0))
        return 1;
    return std::max(1, lf_roundToInt(degrees / turnRate / 100.0));
}

void lf_endPushback(LiveAcRecord& a)
{
    a.track = a.block.heading;
    lf_readyToTaxi(a);
    lf_setPhase(a, MovePhase::EnginesStarting);
    a.pushbackStage = 1;
    a.engineStartHold = 900.0;
    a.keepWindow = 0;
    a.departing = 0;
}

void lf_pushbackStep(LiveAcRecord& a)
{
    --a.pushbackStage;
    if (a.pushbackStage == 1) {
        if (!a.pushbackTurnKnown) {
            if (a.stream.size() > 2)
                a.stream.pop_back(); // the turn end point: the pushback stays straight
            return;
        }
        if (a.pushbackTurnPositive)
            a.stream.back() = a.pushbackEndAlternative;
        if (lf_setUpCurve(a)) {
            a.curve.step = 1.0 / lf_turnSteps(90.0, a.turnRate);
            a.curveAngleDeg = 90.0;
        }
    } else if (a.pushbackStage <= 0) {
        lf_endPushback(a);
    }
}

// Turns and speed changes of a taxi leg, then whether the aircraft still has to turn towards its track.
void lf_shapeTaxiLeg(LiveAcRecord& a)
{
    const Situation& next = a.stream.at(1);
    if (next.stationary)
        return;
    if (a.stream.size() < 3) {
        if (a.keepWindow < 1)
            lf_splitSpeedChange(a);
    } else if (!a.stream[2].stationary) {
        const Situation& front = a.stream[0];
        const double turn = std::abs(lf_turnToNextLeg(a)) * kRadToDeg;
        const std::int64_t span = std::max<std::int64_t>(std::int64_t(next.timeKey) - front.timeKey, 25);
        const bool sameSpotAfter = a.stream[2].lat == front.lat && a.stream[2].lon == front.lon;
        if (turn <= kSteerGapDeg) {
            lf_splitSpeedChange(a);
        } else if (turn > 45.0 && gf_distanceNm(gf_positionOf(front), gf_positionOf(next)) > kLongLegNm &&
                   front.groundSpeed <= 43.0 && span >= 600) {
            lf_insertMidpoint(a);
        } else if (turn <= 160.0 && !sameSpotAfter && lf_setUpCurve(a)) {
            a.curveAngleDeg = turn;
        } else {
            lf_splitSpeedChange(a);
        }
    } else {
        lf_splitSpeedChange(a);
    }
    if (!a.curve.active()) {
        a.headingGapDeg = std::abs(gf_angleDiff(a.block.heading, a.track)) * kRadToDeg;
        a.steerToBearing = a.headingGapDeg > kSteerGapDeg ? 1 : 0;
    } else {
        a.steerToBearing = 0;
    }
}

void lf_offerStand(LiveAcRecord& a)
{
    const bool fromStand = a.previousPhase == MovePhase::Parked || a.previousPhase == MovePhase::Pushback ||
                           a.previousPhase == MovePhase::EnginesStarting;
    if (!a.stream.back().stationary || a.phase != MovePhase::Taxi || !g_motionInputs.parkingLoaded ||
        (!a.towed && fromStand))
        return;
    if (a.keepWindow >= 1) {
        try2Park(a, a.towToStand != 0);
        return;
    }
    if (a.stream.at(1).groundSpeed <= 5.0 &&
        gf_distanceNm(gf_positionOf(a.block), gf_positionOf(a.stream.back())) <= kNearLastNm)
        try2Park(a, false);
}

// The roll-out ends once the aircraft has turned off the runway; below 90 kt the spoilers and
// reversers are stowed and the flaps go to the taxi setting.
void lf_rollOut(LiveAcRecord& a)
{
    if (std::abs(gf_angleDiff(a.savedHeading, a.block.heading)) * kRadToDeg >= kLeftRunwayDeg) {
        gf_sendFlapStep(a, 0);
        a.rollingOut = 0;
        a.savedHeading = 0.0;
        gf_sendThrottleStep(a, a.rotorcraft() ? 4 : 0);
        gf_sendSpoilers(a, 0);
        gf_setEngineLevers(a, 0.0, 0.0);
        gf_sendLights(a, {1, 1, 0, 1, 0, 1, 1});
        return;
    }
    if (a.stream.front().groundSpeed <= kRollOutSlowKt) {
        gf_sendSpoilers(a, 0);
        gf_setEngineLevers(a, 0.0, 0.0);
        gf_sendFlapStep(a, kTaxiFlapStep);
    }
}

// Throttle while lined up for take-off: spooling up with the speed, full once rolling fast.
void lf_takeoffThrottle(LiveAcRecord& a)
{
    const double front = a.stream.at(0).groundSpeed;
    const double next = a.stream.at(1).groundSpeed;
    std::uint32_t step = 4;
    if (!a.rotorcraft() && front < 25.0 && next < 30.0)
        step = (front >= 20.0 || next >= 25.0) ? 2 : (front >= 15.0 || next >= 20.0) ? 1 : 0;
    gf_sendThrottleStep(a, step);
}

// The take-off run may start once the reports climb, or are all airborne at rotation speed.
void lf_maybeStartTakeoffRun(LiveAcRecord& a)
{
    if (!a.takingOff || a.phase == MovePhase::TakeoffRoll || a.stream.front().groundSpeed < kTakeoffRunStartKt)
        return;
    bool slowClimbFound = false;
    for (std::size_t i = 1; i < a.stream.size() && !slowClimbFound; ++i)
        slowClimbFound = a.stream[i].verticalRate <= kClimbingFpm;
    const double t = lf_ticksToNext(a);
    if (!slowClimbFound) {
        a.altPerTick = lf_restAirborne(a) ? std::max(a.stream[1].altitude - a.block.altitude, 0.1) / t
                                          : a.categoryFactor;
        lf_startTakeoffRun(a);
        return;
    }
    const double rotation = gf_categoryConstants(a.categoryCode()).rotationSpeedKt;
    for (std::size_t i = 1; i < a.stream.size(); ++i)
        if (a.stream[i].groundSpeed < rotation)
            return;
    if (!lf_restAirborne(a))
        return;
    a.altPerTick = a.categoryFactor;
    lf_startTakeoffRun(a);
}

// Forwards when the first reported position lies within 90 degrees of the stand heading.
void lf_leaveStandForwardsOrBack(LiveAcRecord& a)
{
    const double bearing = gf_bearing({a.initLat, a.initLon}, gf_positionOf(a.stream.back()));
    const double off = std::abs(std::round(gf_angleDiff(a.initHeading, bearing) * kRadToDeg));
    if (off < 90.0)
        lf_pullOut(a);
    else
        lf_pushBack(a);
}

} // namespace

void lf_pullOut(LiveAcRecord& a)
{
    a.departing = 0;
    a.keepWindow = 0;
    const LatLon p = gf_destinationPoint({a.initLat, a.initLon}, a.initHeading, 2.0 * a.halfWingspanNm * kFeetPerNm);
    a.stream.truncate(1);
    a.stream.front().groundSpeed = lf_standTaxiSpeed(a);
    a.stream.push_back(lf_taxiPoint(a, p, gf_positionOf(a.block), g_tick));
    if (param::LOG.on())
        gf_logf("{:8}: {:8} pulling out", gf_standNameOf(a), a.head.callsign);
    gf_dropStand(a); // off the stand: the next aircraft may have it
    lf_setPhase(a, MovePhase::Taxi);
    a.track = a.block.heading;
    gf_sendLights(a, kTaxiLights);
    lf_readyToTaxi(a);
}

void lf_pushBack(LiveAcRecord& a)
{
    a.keepWindow = 0;
    a.departing = 0;
    a.steerToBearing = 0;
    const double back = gf_wrapHeading(a.initHeading + kPi);
    const ParkPos* stand = gf_standBySid(a.standId);
    // Without a known stand the aircraft backs out by its own half wingspan.
    const double reachNm = std::max(stand && stand->radius > 0.0 ? stand->radius : a.halfWingspanNm,
                                    kSmallestPushbackNm) * 2.5;
    const LatLon here = gf_positionOf(a.block);
    const LatLon p1 = gf_destinationPoint(here, back, reachNm * kFeetPerNm);
    a.stream.truncate(1);
    a.stream.front().groundSpeed = lf_standTaxiSpeed(a);
    const Situation end1 = lf_taxiPoint(a, p1, here, g_tick);
    a.track = a.block.heading;
    a.stream.push_back(end1);
    lf_insertMidpoint(a);
    // The two ends of a turned pushback: the turn curves from the midpoint through P1 to the end, so
    // each end is reached from the midpoint, half the straight travel after now.
    const double sideNm = std::max(a.halfWingspanNm, kSmallestPushbackNm) * kFeetPerNm;
    const LatLon right = gf_destinationPoint(p1, gf_wrapHeading(back + kPi / 2.0), sideNm);
    const LatLon left = gf_destinationPoint(p1, gf_wrapHeading(back - kPi / 2.0), sideNm);
    const LatLon mid = gf_positionOf(a.stream[1]);
    const std::int64_t atMid = std::int64_t(g_tick) + (std::int64_t(end1.timeKey) - g_tick) / 2;
    a.pushbackEndAlternative = lf_taxiPoint(a, right, mid, atMid);
    a.stream.push_back(lf_taxiPoint(a, left, mid, atMid));
    a.pushbackTurnKnown = 0;
    a.pushbackTurnPositive = 0;
    gf_sendLights(a, kTaxiLights);
    lf_setPhase(a, MovePhase::Pushback);
    a.pushbackStage = 2;
}

void drive2Stand(LiveAcRecord& a, const StandTarget& target)
{
    if (a.stream.empty()) {
        gf_logf("{} empty sz?", "drive2Stand");
        return;
    }
    Situation& last = a.stream.back();
    const LatLon to{target.lat, target.lon};
    const bool same = last.lat == target.lat && last.lon == target.lon;
    const double speed = lf_standTaxiSpeed(a);
    const std::int64_t travel =
        std::max<std::int64_t>(100, gf_travelTicks(gf_distanceNm(gf_positionOf(last), to), speed));
    last.groundSpeed = speed;
    Situation s = a.stream.front();
    s.lat = target.lat;
    s.lon = target.lon;
    s.bank = a.block.bank;
    s.bankValid = 1;
    s.headingValid = 0;
    s.altitude = a.block.altitude;
    s.groundSpeed = speed;
    s.airspeed = speed;
    s.track = target.heading * kRadToDeg; // the merge compares new reports' tracks with it
    s.verticalRate = 0.0;
    // Never before the last report: play times only rise.
    const std::int64_t start = std::max<std::int64_t>(a.stream.front().timeKey, last.timeKey);
    s.timeKey = static_cast<std::int32_t>(start + travel);
    s.airborne = 0;
    s.stationary = same ? 1 : 0;
    a.stream.push_back(s);
    s.groundSpeed = 0.0;
    s.airspeed = 0.0;
    s.stationary = 1;
    s.timeKey += 50;
    a.stream.push_back(s);
    a.track = target.heading;
    if (a.keepWindow > 0) {
        a.keepWindow = 0;
        lf_resetWindows(a);
    }
}

void lf_takeoffConfiguration(LiveAcRecord& a, std::uint32_t throttleStep, std::uint32_t spoilers)
{
    a.takingOff = 1;
    gf_sendThrottleStep(a, throttleStep);
    gf_sendSpoilers(a, spoilers);
    gf_sendFlapStep(a, kTaxiFlapStep);
    a.landing = 0;
    a.goAroundDone = 0;
    gf_sendLights(a, kTakeoffLights);
    a.windowAhead = 5000;
    a.windowBack = 3000;
}

void lf_prepareTakeoff(LiveAcRecord& a)
{
    if (a.towed)
        gf_log("towed aircraft takes-off?");
    lf_takeoffConfiguration(a, 0, 0);
    a.towToStand = 0;
    if (!a.head.airline.empty())
        lf_chooseStandForLiveAc(a, true);
}

void lf_insertMidpoint(LiveAcRecord& a)
{
    const Situation& front = a.stream.at(0);
    const Situation& next = a.stream.at(1);
    Situation mid = front;
    mid.lat = (front.lat + next.lat) / 2.0;
    mid.lon = gf_wrapLongitude(front.lon + gf_longitudeDelta(front.lon, next.lon) / 2.0);
    mid.groundSpeed = (front.groundSpeed + next.groundSpeed) / 2.0;
    mid.altitude = (front.altitude + next.altitude) / 2.0;
    mid.timeKey = static_cast<std::int32_t>((std::int64_t(front.timeKey) + next.timeKey) / 2);
    mid.airborne = mid.altitude > 0.0 ? 1 : 0;
    if (!mid.airborne)
        mid.altitude = 0.0;
    mid.stationary = 0;
    a.stream.insert(1, mid);
}

void lf_splitSpeedChange(LiveAcRecord& a)
{
    const Situation& front = a.stream.at(0);
    const Situation& next = a.stream.at(1);
    if ((front.groundSpeed > 0.0 || next.groundSpeed > 0.0) && std::abs(front.groundSpeed - next.groundSpeed) > 5.0 &&
        gf_distanceNm(gf_positionOf(front), gf_positionOf(next)) * kMetresPerNm >= kSplitLegMetres)
        lf_insertMidpoint(a);
}

void nextPosGround(LiveAcRecord& a)
{
    if (a.stream.empty()) {
        gf_logf("{} empty sz?", "nextPosGround");
        return;
    }
    switch (a.phase) {
    case MovePhase::Pushback: lf_pushbackStep(a); break;
    case MovePhase::EnginesStarting: break;
    case MovePhase::Parked:
        lf_resetWindows(a);
        if (a.departing)
            lf_leaveStandForwardsOrBack(a);
        break;
    default:
        if (a.stream.size() >= 2) {
            lf_shapeTaxiLeg(a);
            lf_offerStand(a);
        }
        break;
    }
    adjustTimeGround(a);
}

void adjustTimeGround(LiveAcRecord& a)
{
    if (a.stream.size() < 2) {
        gf_logf("{} empty?", "adjustTimeGround");
        return;
    }
    const Situation& front = a.stream[0];
    const Situation& next = a.stream[1];
    if (next.stationary) {
        std::int64_t dt = std::int64_t(next.timeKey) - front.timeKey;
        dt = std::max<std::int64_t>(dt, 25);
        lf_setNextPlayTime(a, std::max(front.timeKey + dt, std::int64_t(g_tick) + 25));
        return;
    }
    a.turnRate = a.turnRateBase;
    const double d = gf_distanceNm(gf_positionOf(front), gf_positionOf(next));
    const std::int32_t travel = gf_travelTicks(d, lf_meanSpeed(a));
    if (!a.curve.active() && !a.steerToBearing) {
        lf_retimeNext(a, travel);
        return;
    }
    const double angle = (a.curve.active() && !a.steerToBearing) ? a.curveAngleDeg : a.headingGapDeg;
    if (angle != 0.0 && d > 0.0 && a.turnRate > 0.0) {
        const double r = double(travel) / lf_turnSteps(angle, a.turnRate);
        if (angle <= 45.0) {
            const double m = r >= 1.2 ? std::min({r * 10.0 / angle, r * 30.0 / kMetresPerNm / d, r}) : r;
            if (m > 0.0)
                a.turnRate /= m;
        } else {
            a.turnRate *= std::min(r, std::min(angle, 90.0) / 30.0);
            if (angle >= 90.0) {
                a.windowBack = std::max(a.windowBack, 2000);
                a.windowAhead = std::max(a.windowAhead, 2000);
            }
        }
    }
    lf_retimeNext(a, travel);
}

void lf_groundPhaseStep(LiveAcRecord& a)
{
    if (a.phase == MovePhase::Parked || a.phase == MovePhase::Airborne)
        lf_setPhase(a, MovePhase::Taxi);
    else if (a.takingOff)
        lf_takeoffThrottle(a);
    else if (!a.rollingOut)
        gf_sendThrottleStep(a, a.rotorcraft() ? 4 : 0);
    else
        lf_rollOut(a);
    if (!a.rollingOut && !a.takingOff)
        lf_shrinkWindows(a);
    if (a.curveState == 0 && a.phase != MovePhase::TakeoffRoll) {
        a.block.pitch = a.groundPitch;
        a.block.bank = 0.0;
        a.pitchPerTick = 0.0;
        a.bankPerTick = 0.0;
    }
    const double t = lf_ticksToNext(a);
    if (a.curve.active())
        a.curve.step = 1.0 / t;
    const double nextSpeed = a.stream.at(1).groundSpeed;
    a.trueAirspeedKt = a.phase == MovePhase::Pushback ? -nextSpeed : nextSpeed;
    lf_maybeStartTakeoffRun(a);
}

void lf_startTakeoffRun(LiveAcRecord& a)
{
    const double ticks = double(std::max<std::uint32_t>(a.rotationTicks, 1));
    a.phaseCounter = static_cast<std::int32_t>(ticks);
    a.block.bank = 0.0;
    a.bankPerTick = 0.0;
    a.pitchPerTick = (a.rotationPitch - a.block.pitch) / ticks;
    if (!a.takingOff)
        lf_prepareTakeoff(a);
    lf_setPhase(a, MovePhase::TakeoffRoll);
    a.headingPerTick = 0.0;
    a.curve.reset();
    if (a.rollingOut) { // a touch-and-go
        a.rollingOut = 0;
        a.landing = 0;
        a.towToStand = 0;
        gf_sendThrottleStep(a, 4);
        gf_sendSpoilers(a, kEventFull);
        gf_sendFlapStep(a, kTaxiFlapStep);
    }
}

void lf_takeoffRunTick(LiveAcRecord& a)
{
    const std::int32_t n = --a.phaseCounter;
    a.onGround = 0; // also with a rotation of one tick or none: the run always ends in the air
    if (n >= 1) {
        if (a.block.pitch > a.rotationPitch)
            a.block.pitch += a.pitchPerTick;
        return;
    }
    a.block.bank += a.bankPerTick;
    if (a.block.pitch > a.climbPitch)
        a.block.pitch += (a.climbPitch - a.rotationPitch) / double(std::max<std::uint32_t>(a.climbTransitionTicks, 1));
    if (n == 0)
        return;
    if (n > -100)
        a.block.altitude += a.altPerTick * 0.1;
    else if (n > -200)
        a.block.altitude += a.altPerTick * 0.2;
    else if (n > -300)
        a.block.altitude += a.altPerTick * 0.5;
    else
        a.block.altitude += a.altPerTick;
    if (n == kGearUpTick)
        gf_sendGear(a, 0);
    if (n < kGearUpTick && a.block.pitch <= a.climbPitch) {
        a.pitchPerTick = 0.0;
        if (a.heightAboveGroundFt >= kThrottleClimbHeightFt) {
            gf_sendThrottleStep(a, a.rotorcraft() ? 4 : 3);
            lf_setPhase(a, MovePhase::Airborne);
            a.phaseCounter = 1;
        }
    }
}

} // namespace zyn
