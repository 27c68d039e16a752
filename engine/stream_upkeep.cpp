#include "engine/stream_upkeep.h"

#include "base/log.h"
#include "base/tick.h"
#include "engine/aircraft_events.h"
#include "engine/ground_phases.h"
#include "engine/motion.h"
#include "engine/motion_math.h"
#include "engine/removal.h"
#include "engine/stand_claims.h"
#include "engine/stand_hold.h"
#include "settings/settings.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace zyn {

namespace {

constexpr double kSameSpotDeg = 0.00015;
constexpr double kNearStandNm = 0.0458963282937365;      // 85 m
constexpr double kStandStepNm = 0.0016198704103671706;   // 3 m
constexpr double kFarFromStandNm = 0.10799136069114472;  // 200 m
constexpr double kStopLeftNm = 0.011879049676025918;     // 22 m
constexpr double kShortStopSeconds = 15.0;
constexpr double kTakeoffReportKt = 43.0;
constexpr std::int32_t kNoPreviousDistance = 0;

bool lf_samePosition(const Situation& a, const Situation& b) { return a.lat == b.lat && a.lon == b.lon; }

// The play time of the first situation moves to now: the aircraft goes on from where it is.
void lf_restartFromNow(LiveAcRecord& a)
{
    a.stream.front().timeKey = g_tick + 1;
    a.keepWindow = 0;
    lf_resetWindows(a);
}

// Degrees between the bearing from x to s and the aircraft's heading (signed).
double lf_offHeadingDeg(const LiveAcRecord& a, const Situation& x, const Situation& s)
{
    return gf_angleDiff(a.block.heading, gf_bearing(gf_positionOf(x), gf_positionOf(s))) * kRadToDeg;
}

// Phase 0: the first report after the pushback began tells which way the tail swings.
void lf_notePushbackTurn(LiveAcRecord& a, const Situation& s)
{
    if (param::STRAIGHT_PBS_ONLY.on() || a.pushbackStage != 2)
        return;
    if (!s.headingValid && s.track == 0.0)
        return;
    const double heading = s.headingValid ? s.heading : s.track * kDegToRad;
    a.pushbackTurnPositive = gf_angleDiff(a.block.heading, heading) > 0.0 ? 1 : 0;
    a.pushbackTurnKnown = 1;
}

// Phase 1: engines run; the aircraft taxis once the reports have clearly moved away.
bool lf_engineStartDone(LiveAcRecord& a, Situation& s)
{
    const double d = gf_distanceNm(gf_positionOf(s), gf_positionOf(a.block));
    const double hw = a.halfWingspanNm;
    if ((d > 2.75 * hw && d > a.engineStartHold) || d > 6.0 * hw) {
        s.stationary = 0;
        if (a.keepWindow > 0)
            lf_restartFromNow(a);
        a.pushbackTurnKnown = 0;
        a.pushbackStage = 0;
        lf_setPhase(a, MovePhase::Taxi);
        gf_dropStand(a);
        a.holding = 0;
        return true;
    }
    if (!a.holding) {
        a.holding = 1;
        a.holdStartTick = g_tick;
    }
    a.engineStartHold = d;
    return false;
}

bool lf_checkMovingReport(LiveAcRecord& a, Situation& s)
{
    if (a.landing || a.rollingOut)
        return checkNewPosDuringLanding(a, s);
    if (!lf_checkSituation(a, s))
        return false;
    return a.keepWindow <= 0 || checkExtendingSituations(a, s);
}

// Lifting off again during the roll-out: a touch-and-go.
void lf_touchAndGo(LiveAcRecord& a)
{
    a.phase = MovePhase::Taxi; // the phase before the landing stays the previous one
    lf_takeoffConfiguration(a, 3, kEventFull);
    a.afterLanding = 0;
}

// What a taken report starts on the ground: the take-off, or a touch-and-go.
void lf_takeoffChecks(LiveAcRecord& a, const Situation& s)
{
    if (a.takingOff || !a.onGround || !a.inSim())
        return;
    const Situation& newest = a.stream.back();
    if (!a.rollingOut) {
        const bool fast = s.groundSpeed >= kTakeoffReportKt && newest.groundSpeed >= kTakeoffReportKt;
        if ((s.airborne || fast) && a.phase == MovePhase::Taxi)
            lf_prepareTakeoff(a);
    } else if (newest.airborne && s.airborne) {
        lf_touchAndGo(a);
    }
}

bool lf_allStationary(const SituationStream& stream)
{
    for (const Situation& x : stream)
        if (!x.stationary)
            return false;
    return true;
}

// Phase-specific decision; false drops the report.
bool lf_decideByPhase(LiveAcRecord& a, Situation& s)
{
    switch (a.phase) {
    case MovePhase::TaxiToStand:
    case MovePhase::Parked:
        if (a.state == ObjectState::New || a.state == ObjectState::CreationRequested)
            return false;
        return lf_checkStandDeparture(a, s);
    case MovePhase::Pushback: lf_notePushbackTurn(a, s); return false;
    case MovePhase::EnginesStarting: return lf_engineStartDone(a, s);
    default: return lf_checkMovingReport(a, s);
    }
}

} // namespace

void decodeExisting(LiveAcRecord& a, Situation s)
{
    if (a.stream.size() > kMaxWaitingSituations)
        removeAircraftFromSim(a); // the report is still taken: the removal ends the stream
    if (a.holding && !a.stream.empty() &&
        gf_distanceNm(gf_positionOf(s), gf_positionOf(a.stream.front())) * kMetresPerNm >
            param::HOLDING_THRESHOLD_METERS.value) {
        a.holding = 0;
        a.holdStartTick = 0;
        removeAircraftFromSim(a);
        return;
    }
    if (a.stream.empty()) {
        a.stream.push_back(s);
        return;
    }
    if (a.phase == MovePhase::New) {
        if (!lf_checkSituation(a, s))
            return;
        s.timeKey = std::max(s.timeKey, a.stream.back().timeKey + 1);
        a.stream.push_back(s);
        return;
    }
    if (!lf_decideByPhase(a, s) || a.stream.empty())
        return;
    if (!s.airborne && a.stream.back().stationary) {
        if (!s.stationary)
            removeSmallStop(a, s);
        else if (lf_allStationary(a.stream))
            a.stream.truncate(1);
    }
    s.timeKey = std::max(s.timeKey, a.stream.back().timeKey + 1);
    lf_takeoffChecks(a, s);
    a.stream.push_back(s);
    if (a.stream.size() == 2 && a.stream[0].stationary && a.stream[1].stationary) {
        a.stream[0].timeKey = g_tick + 1;
        a.stream[0].groundSpeed = a.stream[1].groundSpeed;
    }
}

bool lf_checkSituation(LiveAcRecord& a, Situation& s)
{
    const Situation& newest = a.stream.back();
    s.stationary = lf_samePosition(s, newest) ? 1 : 0;
    if (a.category == AcCategory::Rotorcraft)
        return true;
    const bool flyingInSim = a.inSim() && !a.onGround;
    if (!s.stationary) {
        if (std::abs(s.lat - newest.lat) < kSameSpotDeg && std::abs(gf_longitudeDelta(newest.lon, s.lon)) < kSameSpotDeg) {
            if (s.airborne || flyingInSim)
                return false;
            if (a.takingOff && s.groundSpeed > 0.0 && newest.groundSpeed >= 50.0)
                return false;
            s = newest; // a few metres off: the aircraft stands
            s.groundSpeed = 0.0;
            s.stationary = 1;
            return true;
        }
        if (s.groundSpeed != 0.0)
            return true;
        if (!a.takingOff && !s.airborne)
            return true;
        return newest.groundSpeed < 50.0;
    }
    if (s.airborne || flyingInSim)
        return false;
    if (a.takingOff && s.groundSpeed > 0.0 && newest.groundSpeed >= 30.0)
        return false;
    s.groundSpeed = 0.0;
    return true;
}

bool lf_checkStandDeparture(LiveAcRecord& a, Situation& s)
{
    const double nearNm = a.previousPhase == MovePhase::TaxiToStand ? 2.0 * kNearStandNm : kNearStandNm;
    const double d = gf_distanceNm({a.initLat, a.initLon}, gf_positionOf(s));
    if (d <= nearNm) {
        a.parkedSince = gf_steadyTicks100ns();
        if (a.standLastDistance == kNoPreviousDistance) {
            a.standFirstDistance = a.standLastDistance = d;
            a.standSteps = 0;
            return false;
        }
        if (d < a.standLastDistance + kStandStepNm) {
            if (d <= a.standLastDistance - kStandStepNm)
                a.standSteps = 0;
            a.departing = 0;
            return false;
        }
        ++a.standSteps;
        a.standLastDistance = d;
        const double moved = d - a.standFirstDistance;
        if (!((a.standSteps >= 3 && moved >= a.halfWingspanNm * 0.5) || moved > a.halfWingspanNm)) {
            a.departing = 0;
            return false;
        }
    } else if (a.phase == MovePhase::TaxiToStand) {
        lf_setPhase(a, MovePhase::Taxi);
        s.stationary = 0;
        return true;
    } else if (d > kFarFromStandNm) {
        if (a.inSim()) {
            removeAircraftFromSim(a);
            return false;
        }
        return true;
    }
    s.stationary = 0;
    a.departing = 1;
    if (a.previousPhase == MovePhase::Parked)
        return true;
    lf_leaveStand(a);
    lf_setPhase(a, MovePhase::Parked);
    return true;
}

// The stand itself is let go where the aircraft moves off it, as its pushback or pull-out begins.
void lf_leaveStand(LiveAcRecord& a)
{
    if (a.keepWindow >= 1)
        lf_restartFromNow(a);
    if (!a.head.airline.empty() && a.cargoStand == a.cargo)
        gf_recordStandDeparture(a);
}

bool checkExtendingSituations(LiveAcRecord& a, const Situation& s)
{
    if (a.stream.empty()) {
        gf_logf("{} empty sz?", "checkExtendingSituations");
        return false;
    }
    if (!a.onGround && std::abs(lf_offHeadingDeg(a, a.stream.back(), s)) >= 100.0)
        return false;
    lf_restartFromNow(a);
    a.holding = 0;
    a.holdStartTick = 0;
    return true;
}

bool checkNewPosDuringLanding(LiveAcRecord& a, Situation& s)
{
    if (a.stream.empty()) {
        gf_logf("{} empty sz?", "checkNewPosDuringLanding");
        return false;
    }
    if (lf_samePosition(s, a.stream.back()))
        return false;
    const auto behind = [&](const Situation& x, double limitDeg) {
        return std::abs(lf_offHeadingDeg(a, x, s)) >= limitDeg;
    };
    if (a.stream.size() >= 2) {
        if (behind(a.stream.back(), 90.0)) {
            a.stream.pop_back();
            if (a.stream.size() >= 2 && behind(a.stream.back(), 90.0))
                a.stream.pop_back();
        }
    } else if (a.landing) {
        if (behind(a.stream.front(), 90.0))
            return false;
    } else if (behind(a.stream.front(), 150.0)) {
        if (a.keepWindow > 0)
            return false;
        Situation here = a.stream.front();
        here.lat = a.block.lat;
        here.lon = a.block.lon;
        here.timeKey = g_tick + 1;
        a.stream.clear();
        a.stream.push_back(here);
    }
    if (a.keepWindow > 0) {
        a.keepWindow = 0;
        lf_resetWindows(a);
    }
    const Situation& newest = a.stream.back();
    if (lf_samePosition(s, newest)) {
        s.stationary = 1;
        return true;
    }
    s.stationary = 0;
    if (s.groundSpeed > newest.groundSpeed && s.groundSpeed > 40.0)
        s.groundSpeed = newest.groundSpeed;
    return true;
}

void removeSmallStop(LiveAcRecord& a, const Situation& s)
{
    try {
        const std::size_t n = a.stream.size();
        // The stop is the run of standing situations at the end; the one before it moves.
        for (std::size_t k = 3; k <= 7 && k <= n; ++k) {
            if (!a.stream[n - k].stationary) {
                checkStops(a, k - 1, s);
                return;
            }
        }
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "removeSmallStop", e.what());
    }
}

void checkStops(LiveAcRecord& a, std::size_t stopCount, const Situation& s)
{
    try {
        const std::size_t n = a.stream.size();
        if (stopCount == 0 || stopCount >= n)
            return; // the front is where the aircraft is: never part of a removable stop
        // The stop's first report stays (the aircraft reaches the spot); the standing ones after it go.
        const Situation& first = a.stream.at(n - stopCount);
        const double seconds = (double(a.stream.back().timeKey) - first.timeKey) / 100.0;
        if (seconds < kShortStopSeconds || gf_distanceNm(gf_positionOf(s), gf_positionOf(first)) < kStopLeftNm)
            a.stream.truncate(n - stopCount + 1);
    } catch (const std::exception& e) {
        gf_logf("{}: num:{} {}", "checkStops", stopCount, e.what());
    }
}

} // namespace zyn
