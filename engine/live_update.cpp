#include "engine/live_update.h"

#include "aircraft/aircraft_db.h"
#include "base/geo.h"
#include "base/log.h"
#include "base/tick.h"
#include "engine/identity.h"
#include "engine/live_removals.h"
#include "engine/motion_inputs.h"
#include "engine/motion_math.h"
#include "engine/movement.h"
#include "engine/queues.h"
#include "engine/removal.h"
#include "engine/spawn.h"
#include "engine/stand_hold.h"
#include "livery/matching_summary.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "sim/queues.h"
#include "sim/user_aircraft.h"

#include <algorithm>
#include <cmath>

namespace zyn {

UserAcData g_userOfTick;

namespace {

constexpr std::int32_t kLeadTicksMovingOnGround = 300;
constexpr std::int32_t kLeadTicks = 100;
constexpr double kGroundConflictNm = 1.5;
constexpr double kGroundConflictUserHeightFt = 1000.0;
constexpr double kGroundConflictLateralFt = 500.0;
constexpr double kAirConflictNm = 6.0;
constexpr double kAirConflictAltitudeFt = 3000.0;
constexpr double kAirConflictLateralFt = 4000.0;
constexpr double kUserTaxiKt = 8.0;
constexpr double kReleaseDistanceNm = 500.0 * kNmPerMetre;
constexpr double kGroundCollisionNm = 0.08099352051835854; // 150 m
constexpr std::size_t kCreationBacklog = 10;

enum class Verdict { Go, Hold, Wait };

bool lf_mixedStream(const SituationStream& stream)
{
    bool air = false, ground = false;
    for (const auto& s : stream) {
        air = air || s.airborne;
        ground = ground || !s.airborne;
    }
    return air && ground;
}

// The angle of an airborne aircraft's track from the perpendicular to the line from the user.
double lf_angleFromPerpendicularDeg(double trackRad, double bearingFromUserRad)
{
    const double beta = gf_angleDiff(bearingFromUserRad, trackRad) * kRadToDeg;
    if (beta < -90.0)
        return 90.0 - (beta + 180.0);
    if (beta < 0.0)
        return beta + 90.0;
    if (beta <= 90.0)
        return 90.0 - beta;
    return beta - 90.0;
}

Verdict lf_userAirborneConflict(LiveAcRecord& a, const Situation& f)
{
    const UserAcData& u = g_userOfTick;
    const LatLon user{u.lat, u.lon};
    if (!f.airborne) {
        if (a.heldForUser)
            return Verdict::Hold;
        const LatLon at = gf_positionOf(a.block);
        const double d = gf_distanceNm(user, at);
        if (d > kGroundConflictNm || u.aboveGround >= kGroundConflictUserHeightFt)
            return Verdict::Go;
        const double alpha = std::abs(gf_angleDiff(u.heading, gf_bearing(user, at)));
        if (std::sin(alpha) * d * kFeetPerNm > kGroundConflictLateralFt)
            return Verdict::Go;
        a.heldForUser = 1;
        return Verdict::Hold;
    }
    const double d = gf_distanceNm(user, gf_positionOf(f));
    if (d > kAirConflictNm || std::abs(f.altitude - u.altitude) >= kAirConflictAltitudeFt)
        return Verdict::Go;
    const double angle = lf_angleFromPerpendicularDeg(a.track, gf_bearing(user, gf_positionOf(f)));
    if (std::cos(angle * kDegToRad) * d * kFeetPerNm > kAirConflictLateralFt)
        return Verdict::Go;
    a.heldForUser = 1;
    return Verdict::Hold;
}

Verdict lf_userOnGroundConflict(LiveAcRecord& a, const Situation& f)
{
    const UserAcData& u = g_userOfTick;
    const double d = gf_distanceNm({u.lat, u.lon}, gf_positionOf(f));
    if (a.heldForUser) {
        if (u.groundSpeed > kUserTaxiKt)
            return Verdict::Hold;
        if (f.airborne)
            return Verdict::Go;
        if (!(f.groundSpeed <= kUserTaxiKt && d >= kReleaseDistanceNm))
            return Verdict::Hold;
    }
    if (!f.airborne && param::COLLISION_USER_GND.on() && d < kGroundCollisionNm)
        return Verdict::Hold;
    return Verdict::Go;
}

Verdict lf_userConflict(LiveAcRecord& a, const Situation& f)
{
    if (!g_userOnGround.load())
        return param::COLLISION_USER_AIR.on() ? lf_userAirborneConflict(a, f) : Verdict::Go;
    return lf_userOnGroundConflict(a, f);
}

// The simulator link learns a new object's id only from the in-range query; an object created
// beyond its radius (a report taken before the range shrank) would stay in the simulator unknown.
bool lf_beyondSimQuery(const Situation& f)
{
    const LatLon user{g_userOfTick.lat, g_userOfTick.lon};
    return gf_positionKnown(user) && gf_distanceNm(user, gf_positionOf(f)) * kMetresPerNm > g_rangeMetres.load();
}

// False when the live limit leaves no room for the aircraft and nothing farther away can make way.
// One being respawned has its room already.
bool lf_roomForOneMore(const LiveAcRecord& a, const Situation& f)
{
    const std::int32_t maxLive = param::MAX_LIVE.value.load();
    if (maxLive == -1)
        return true;
    const auto others = std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(), [&a](const LiveAcRecord& x) {
        return &x != &a && gf_countsAgainstMaxLive(x);
    });
    if (std::max(maxLive, 0) > others)
        return true;
    return !gf_removeFarthestLiveAc(gf_distanceNm(g_motionInputs.user, gf_positionOf(f)));
}

void lf_identityFromRegistration(LiveAcRecord& a)
{
    const auto hit = gf_findRegistration(a.head.registration);
    if (!hit)
        return;
    gf_takeRegistrationNames(a.head, *hit);
    a.cargo = hit->cargo;
    if (!lf_isRealCallsign(a.head.callsign))
        a.head.callsign = a.head.registration;
}

bool lf_endsInUnderscore(const std::string& s) { return !s.empty() && s.back() == '_'; }

// Steps 7 on of the buffer rules; true when the aircraft may be spawned.
bool lf_mayBeSpawned(LiveAcRecord& a, const Situation& f)
{
    if (!lf_roomForOneMore(a, f))
        return false;
    const std::string blocked = param::BLOCK_CALLSIGN.getValue();
    if (!blocked.empty() && blocked == a.head.callsign)
        return false;
    lf_identityFromRegistration(a);
    if (!lf_isRealCallsign(a.head.callsign))
        return false;
    if (a.head.airline.empty())
        a.head.airline = gf_airlinePrefix(a.head.callsign).value_or("PVT");
    if (g_aircraftWithoutLivery.contains(gf_acTextWithSuffix(a)))
        return false;
    return !(lf_endsInUnderscore(a.head.callsign) && lf_ghostBaseFlies(a.head.callsign));
}

void lf_noteStateChange(LiveAcRecord& a)
{
    if (a.state == a.stateSeen)
        return;
    a.stateSeen = a.state;
    a.stateSinceTick = g_tick;
}

// A record must not wait forever for an object or for a removal report that never comes. The wait for
// an object counts from the creation's sending: before it, the creation waits its turn in the pacing.
void lf_giveUpStuckWait(LiveAcRecord& a)
{
    const std::int32_t waited = g_tick - a.stateSinceTick;
    if (a.state == ObjectState::CreationRequested && a.objectId == 0 && !a.creationSent)
        return;
    if (a.state == ObjectState::CreationRequested && waited > kCreationWaitTicks) {
        gf_logf("{}: {} no object after {} s, given up", "updateLiveAc", gf_acDescription(a), waited / 100);
        if (a.objectId != 0) {
            removeAircraftFromSim(a);
            return;
        }
        gf_endLiveRecord(a);
    } else if (a.state != ObjectState::CreationRequested && waited > kRemovalWaitTicks) {
        gf_logf("{}: {} no removal report after {} s, given up", "updateLiveAc", gf_acDescription(a), waited / 100);
        gf_endLiveRecord(a);
    }
}

void lf_handOver(LiveAcRecord& a)
{
    if (a.stream.empty()) {
        gf_logf("{} stream empty ? {}, hexid:{}, objectid:{}, alt:{:.0f} ft, lalo:{:.6f},{:.6f}, TAS:{:.0f}",
                "updateLiveAc", gf_acDescription(a), a.hexId, a.objectId, a.block.altitude, a.block.lat, a.block.lon,
                a.block.airspeed);
        removeAircraftFromSim(a);
        return;
    }
    if (a.objectId == 0) {
        gf_logf("{} objectid=0? hexid: {},cs:{}, reg:{}, aimo:{} sz:{}", "updateLiveAc", a.hexId, a.head.callsign,
                a.head.registration, gf_acTextWithSuffix(a), a.stream.size());
        removeAircraftFromSim(a);
        return;
    }
    gf_updateAircraft({a.block, a.objectId});
}

} // namespace

bool lf_isRealCallsign(std::string_view c) { return !c.empty() && c != "@@@@@@@@" && c.size() < 9; }

void updateBufferAc(LiveAcRecord& a)
{
    try {
        if (a.stream.empty()) {
            gf_endLiveRecord(a);
            return;
        }
        const Situation& f = a.stream.front();
        const std::int32_t lead = (!f.airborne && f.groundSpeed != 0.0) ? kLeadTicksMovingOnGround : kLeadTicks;
        if (g_tick < f.timeKey - lead)
            return;
        if (a.stream.size() == 1 || (lf_endsInUnderscore(a.head.callsign) &&
                                     std::find(g_ghostCallsigns.begin(), g_ghostCallsigns.end(), a.head.callsign) !=
                                         g_ghostCallsigns.end())) {
            gf_endLiveRecord(a);
            return;
        }
        if (lf_mixedStream(a.stream) || lf_beyondSimQuery(f) || lf_userConflict(a, f) == Verdict::Hold ||
            (g_liveCreationQueue.size() > kCreationBacklog && a.phase == MovePhase::New)) {
            a.stream.pop_front(); // tried again with the next report
            return;
        }
        if (!lf_mayBeSpawned(a, f)) {
            gf_endLiveRecord(a);
            return;
        }
        spawnLiveAc(a);
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "updateBufferAc", e.what());
    }
}

bool updateLiveAc(LiveAcRecord& a)
{
    lf_noteStateChange(a);
    switch (a.state) {
    case ObjectState::New: updateBufferAc(a); return a.gone != 0;
    case ObjectState::InSim: break;
    default: lf_giveUpStuckWait(a); return a.gone != 0;
    }
    try {
        gf_moveLiveAc(a);
        if (a.state == ObjectState::InSim)
            lf_handOver(a);
    } catch (const std::exception& e) {
        gf_logf("{}: {} {}, sz:{}", "updateLiveAc", e.what(), gf_acDescription(a), a.stream.size());
    }
    return a.gone != 0;
}

} // namespace zyn
