#include "engine/motion.h"

#include "aircraft/ac_category.h"
#include "aircraft/category_tables.h"
#include "airport/park_pos.h"
#include "base/log.h"
#include "base/tick.h"
#include "engine/air_phases.h"
#include "engine/aircraft_events.h"
#include "engine/ground_phases.h"
#include "engine/identity.h"
#include "engine/motion_inputs.h"
#include "engine/motion_math.h"
#include "engine/removal.h"
#include "engine/stand_claims.h"
#include "engine/stand_hold.h"
#include "platform/system/clock.h"
#include "settings/settings.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <stdexcept>

#include <fmt/format.h>

namespace zyn {

namespace {

constexpr std::int32_t kNarrowWindow = 1000;
constexpr std::int32_t kWorkingWindow = 3000;
constexpr std::int32_t kTakeoffWindowAhead = 5000;
constexpr std::int32_t kHoldStepTicks = 300;
constexpr std::int32_t kTicksPerMinute = 6000;
constexpr std::int32_t kWeekSeconds = 604800;
constexpr double kAtStandNm = 0.0010799136069114472; // 2 m
constexpr double kInTheWayFactor = 1.2;
// A stream cannot shrink and grow forever in one step: each retry consumes a continuation.
constexpr int kMostRetries = 64;

void lf_logStepFailure(const char* function, const std::exception& e, const LiveAcRecord& a)
{
    gf_logf("{}: {} {}, sz:{}", function, e.what(), gf_acDescription(a), a.stream.size());
}

// Another taxiing aircraft in the simulator within reach of this one's wings.
bool lf_taxiingAircraftInTheWay(const LiveAcRecord& a)
{
    const LatLon here = gf_positionOf(a.block);
    for (const auto& other : g_liveAircraft) {
        if (&other == &a || other.objectId == a.objectId || !other.onGround || other.phase != MovePhase::Taxi ||
            other.state != ObjectState::InSim)
            continue;
        const double reach = (a.halfWingspanNm + other.halfWingspanNm) * kInTheWayFactor;
        if (gf_distanceNm(here, gf_positionOf(other.block)) <= reach)
            return true;
    }
    return false;
}

// Waits in place on the ground: a stationary copy of the front 3 s later.
bool lf_holdOnGround(LiveAcRecord& a)
{
    if (lf_taxiingAircraftInTheWay(a)) {
        a.holding = 0;
        a.holdStartTick = 0;
        return false;
    }
    if (a.holding && (std::int64_t(g_tick) - a.holdStartTick) / kTicksPerMinute > param::MAX_HOLDING_MINUTES.value)
        return false;
    if (!a.holding)
        a.holdStartTick = g_tick;
    a.holding = 1;
    a.keepWindow = 1;
    Situation wait = a.stream.front();
    wait.timeKey += kHoldStepTicks;
    wait.groundSpeed = 0.0;
    wait.stationary = 1;
    a.stream.push_back(wait);
    return true;
}

// How many continuations a stream that ran dry gets the first time.
std::int32_t lf_firstGrant(const LiveAcRecord& a)
{
    if (!gf_categoryEnabled(a.category))
        return 0;
    if (a.onGround)
        return a.phase == MovePhase::Parked ? 1 : 10;
    if (g_motionInputs.autoGroundRange)
        return 0;
    if (!gf_positionKnown(g_motionInputs.user))
        return 8;
    const double d = gf_distanceNm(gf_positionOf(a.block), g_motionInputs.user);
    return d < g_motionInputs.rangeNm - 0.5 ? 8 : 0;
}

double lf_stepUpTakeoffSpeed(double v, Situation& s)
{
    if (v <= 30) return 40;
    if (v <= 60) return 80;
    if (v <= 100) return 110;
    if (v <= 140) { s.verticalRate = 600; return 150; }
    if (v <= 160) { s.verticalRate = 1200; return 170; }
    s.verticalRate = 2400;
    return 180;
}

double lf_stepDownRollOutSpeed(double v, Situation& s)
{
    if (v >= 140) { s.verticalRate = 0; return 100; }
    if (v >= 100) return 80;
    if (v >= 80) return 60;
    if (v >= 60) return 30;
    return 20;
}

} // namespace

std::int64_t gf_steadyTicks100ns()
{
    return std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>>(
               gf_steadyNow().time_since_epoch())
        .count();
}

void lf_setPhase(LiveAcRecord& a, MovePhase phase)
{
    if (a.phase == phase)
        return;
    a.previousPhase = a.phase;
    a.phase = phase;
    gf_followPhase(a);
}

void lf_shrinkWindows(LiveAcRecord& a)
{
    for (std::int32_t* w : {&a.windowBack, &a.windowAhead})
        if (*w > kNarrowWindow)
            *w = std::max(kNarrowWindow, *w - 100);
}

void lf_resetWindows(LiveAcRecord& a)
{
    a.windowAhead = a.takingOff ? kTakeoffWindowAhead : kWorkingWindow;
    a.windowBack = kWorkingWindow;
}

double lf_ticksToNext(const LiveAcRecord& a)
{
    const std::int64_t left = std::int64_t(a.stream.at(1).timeKey) - g_tick;
    return double(std::max<std::int64_t>(left, kShortestLegTicks));
}

void lf_setNextPlayTime(LiveAcRecord& a, std::int64_t t)
{
    Situation& next = a.stream.at(1);
    if (a.keepWindow < 1) {
        const std::int64_t p = next.timeKey;
        if (t > p + a.windowAhead)
            t = p + a.windowAhead;
        else
            t = std::max(t, p - a.windowBack);
    }
    t = std::max<std::int64_t>(t, g_tick);
    next.timeKey = static_cast<std::int32_t>(std::min<std::int64_t>(t, INT32_MAX));
}

void lf_retimeNext(LiveAcRecord& a, std::int32_t ticks) { lf_setNextPlayTime(a, std::int64_t(g_tick) + ticks); }

bool lf_restAirborne(const LiveAcRecord& a)
{
    for (std::size_t i = 1; i < a.stream.size(); ++i)
        if (!a.stream[i].airborne)
            return false;
    return true;
}

double lf_turnToNextLeg(const LiveAcRecord& a)
{
    if (a.stream.size() < 3)
        return 0.0;
    const double b = gf_bearing(gf_positionOf(a.stream[1]), gf_positionOf(a.stream[2]));
    return gf_angleDiff(a.block.heading, b);
}

double lf_meanSpeed(const LiveAcRecord& a)
{
    const Situation& front = a.stream.at(0);
    const Situation& next = a.stream.at(1);
    if (front.groundSpeed != 0.0 || next.groundSpeed != 0.0)
        return (front.groundSpeed + next.groundSpeed) / 2.0;
    std::int64_t dt = std::int64_t(next.timeKey) - front.timeKey;
    if (dt < 26)
        dt = kShortestLegTicks;
    return std::max(1.0, gf_distanceNm(gf_positionOf(front), gf_positionOf(next)) * kTicksPerHour / double(dt));
}

void lf_limitBank(LiveAcRecord& a, double turn, std::int32_t ticks)
{
    const auto& c = gf_categoryConstants(a.categoryCode());
    const double target = -std::clamp(turn, -c.maxBank, c.maxBank);
    const double rate = (target - a.block.bank) / double(std::max(ticks, 1));
    a.bankPerTick = std::clamp(rate, -c.maxBankRatePerTick, c.maxBankRatePerTick);
}

void lf_extendStream(LiveAcRecord& a, std::int32_t count)
{
    a.keepWindow = count;
    Situation s = a.stream.front();
    const bool parked = a.phase == MovePhase::Parked;
    if (s.stationary || parked) {
        s.stationary = 1;
        s.groundSpeed = 0.0;
    } else if (a.onGround && !a.rollingOut) {
        if (a.takingOff) {
            s.groundSpeed = lf_stepUpTakeoffSpeed(s.groundSpeed, s);
        } else {
            s.stationary = 1;
            s.groundSpeed = 0.0;
        }
    } else if (a.onGround) {
        s.groundSpeed = lf_stepDownRollOutSpeed(s.groundSpeed, s);
    } else if (!(a.landing && count < 4)) {
        s.groundSpeed = std::max(1.0, s.groundSpeed * (a.landing ? 90.0 : 95.0) / 100.0);
    }
    const double k = a.onGround ? 3.0 : 8.0;
    if (s.groundSpeed > 0.0) {
        const LatLon to = gf_destinationPoint(gf_positionOf(s), a.block.heading, k * s.groundSpeed * kFeetPerNm / 3600.0);
        s.stationary = (to.lat == s.lat && to.lon == s.lon) ? 1 : 0;
        s.lat = to.lat;
        s.lon = to.lon;
        if (a.landing && a.curveState == 0) {
            s.verticalRate = -667.0;
            s.altitude -= k * 10.005;
        } else if (!a.landing && a.phase == MovePhase::TakeoffRoll) {
            s.verticalRate = 1500.0;
            s.altitude += k * 25.0;
        }
        s.altitude = std::max(s.altitude, 0.0);
        s.airborne = s.altitude > 0.0 ? 1 : 0;
    }
    const std::int64_t seconds = parked ? kWeekSeconds : (a.onGround ? 3 : 8);
    s.timeKey = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t(s.timeKey) + 100 * seconds, INT32_MAX));
    a.stream.push_back(s);
}

bool lf_streamEnded(LiveAcRecord& a)
{
    if (a.phase == MovePhase::TaxiToStand) {
        lf_arriveAtStand(a);
    } else if (a.phase == MovePhase::EnginesStarting ||
               (a.phase == MovePhase::Taxi && !a.takingOff && !a.rollingOut)) {
        return lf_holdOnGround(a);
    }
    if (a.keepWindow < 0)
        return false;
    if (a.keepWindow == 1) {
        a.keepWindow = -1;
        return false;
    }
    if (a.keepWindow >= 2) {
        lf_extendStream(a, a.keepWindow - 1);
        return true;
    }
    const std::int32_t grant = lf_firstGrant(a);
    if (grant < 1)
        return false;
    lf_extendStream(a, grant);
    return true;
}

void lf_arriveAtStand(LiveAcRecord& a)
{
    // Its own claim is no one else's: only another holder of the stand makes the arrival go.
    const ParkPos* stand = gf_standBySid(a.standId);
    if (stand && gf_standHeldByOther(a)) {
        a.keepWindow = 1;
        removeAircraftFromSim(a);
        return;
    }
    if (gf_distanceNm(gf_positionOf(a.block), {a.initLat, a.initLon}) > kAtStandNm) {
        lf_setPhase(a, MovePhase::Taxi);
        return;
    }
    lf_setPhase(a, MovePhase::Parked);
    a.weekSlot = g_nowWeekSlot.load();
    if (a.towed && param::LOG.on())
        gf_logIndentedf("towed aircraft {} parks", a.head.callsign);
    a.stream.front().stationary = 1;
    a.parkedSince = gf_steadyTicks100ns();
    a.standSteps = 0;
    a.parkedCounter = 0;
    lf_setStandCargo(a);
    lf_parkedShutDown(a);
    if (param::LOG.on())
        gf_logf("{:8}: {:8} arrived at stand", stand ? stand->id : std::string(), a.head.callsign);
    gf_queueIdentityCheck(a.hexId);
    gf_recordStandArrival(a);
    lf_checkMaxPark(a);
}

void nextPosMain(LiveAcRecord& a)
{
    try {
        for (int attempt = 0; attempt < kMostRetries; ++attempt) {
            if (a.stream.size() < 2) {
                if (lf_streamEnded(a))
                    continue;
                if (a.phase != MovePhase::Parked)
                    lf_chooseStandForLiveAc(a, a.phase != MovePhase::Airborne);
                removeAircraftFromSim(a);
                return;
            }
            if (!a.onGround && a.stream[1].stationary && a.category != AcCategory::Rotorcraft) {
                a.stream.erase(1); // an aircraft in the air never flies to a standstill
                continue;
            }
            nextPos(a);
            return;
        }
        throw std::runtime_error("stream continuations do not end");
    } catch (const std::exception& e) {
        lf_logStepFailure("nextPosMain", e, a);
        throw;
    }
}

void nextPos(LiveAcRecord& a)
{
    try {
        a.curve.reset();
        {
            const Situation& front = a.stream.at(0);
            Situation& next = a.stream.at(1);
            if (!next.stationary && next.lat == front.lat && next.lon == front.lon)
                next.stationary = 1;
            if (!next.stationary)
                a.track = gf_bearing(gf_positionOf(front), gf_positionOf(next));
        }
        if (a.onGround)
            nextPosGround(a);
        else
            nextPosAir(a);
        if (a.stream.size() >= 2) {
            const Situation& next = a.stream[1];
            if (!next.stationary) {
                const double t = lf_ticksToNext(a);
                a.latPerTick = (next.lat - a.block.lat) / t;
                a.lonPerTick = gf_longitudeDelta(a.block.lon, next.lon) / t;
                if (a.onGround)
                    lf_groundPhaseStep(a);
                else
                    lf_airPhaseStep(a);
            } else {
                a.latPerTick = 0.0;
                a.lonPerTick = 0.0;
                if (!a.rollingOut && !a.takingOff)
                    lf_shrinkWindows(a);
            }
        }
        a.stream.pop_front();
        if (a.stream.empty()) {
            removeAircraftFromSim(a);
            throw std::runtime_error(fmt::format("{} {} stream at the end is empty?", "nextPos", gf_acDescription(a)));
        }
    } catch (const std::exception& e) {
        lf_logStepFailure("nextPos", e, a);
        throw;
    }
}

} // namespace zyn
