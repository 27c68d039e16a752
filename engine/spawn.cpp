#include "engine/spawn.h"

#include "airport/park_airport_state.h"
#include "base/geo.h"
#include "base/log.h"
#include "base/tick.h"
#include "engine/aircraft_events.h"
#include "engine/identity.h"
#include "engine/live_removals.h"
#include "engine/motion.h"
#include "engine/motion_math.h"
#include "engine/queues.h"
#include "engine/removal.h"
#include "engine/stand_candidates.h"
#include "engine/stand_claims.h"
#include "engine/stand_hold.h"
#include "engine/stand_search.h"
#include "livery/matching.h"
#include "livery/matching_summary.h"
#include "settings/settings.h"
#include "sim/event_ids.h"
#include "sim/failed_liveries.h"
#include "sim/flight_plan.h"
#include "sim/queues.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace zyn {

std::unordered_map<std::uint32_t, std::string_view> g_liveryByHexId;
std::vector<std::uint32_t> g_identityCheckIds;

namespace {

constexpr double kGroundPitch = 0.010471975511965976; // 0.6 degrees
constexpr double kLowLightsCeilingFt = 10000.0;
constexpr double kCabinLightsFloorFt = 2000.0;


void lf_setStationary(Situation& s)
{
    s.stationary = 1;
    s.groundSpeed = 0.0;
}

// Step 2 of the spawn: a stationary second report means the aircraft stands.
void lf_markStanding(SituationStream& stream)
{
    Situation& f = stream[0];
    Situation& n = stream[1];
    if (!n.stationary) {
        f.stationary = 0;
        return;
    }
    lf_setStationary(f);
    n.groundSpeed = 0.0;
    if (stream.size() > 2 && stream[2].stationary)
        stream[2].groundSpeed = 0.0;
}

double lf_spawnHeading(const LiveAcRecord& a)
{
    if (a.useRespawnHeading)
        return gf_wrapHeading(a.respawnHeading);
    if (a.phase == MovePhase::Parked)
        return gf_wrapHeading(a.initHeading);
    const Situation& f = a.stream[0];
    const Situation& n = a.stream[1];
    if (!n.stationary)
        return gf_bearing(gf_positionOf(f), gf_positionOf(n));
    return gf_wrapHeading(f.track * kDegToRad);
}

bool lf_finite(const AiPositionBlock& b)
{
    for (const double v : {b.lat, b.lon, b.pitch, b.bank, b.heading, b.altitude, b.verticalSpeed, b.airspeed})
        if (!std::isfinite(v))
            return false;
    return true;
}

void lf_setFirstBlock(LiveAcRecord& a)
{
    const Situation& f = a.stream[0];
    a.block.lat = f.lat;
    a.block.lon = gf_wrapLongitude(f.lon);
    a.block.altitude = f.altitude;
    a.block.verticalSpeed = f.verticalRate;
    a.block.airspeed = f.airspeed;
    a.block.pitch = f.airborne ? gf_spawnPitch(f.verticalRate) : kGroundPitch;
    a.block.bank = f.bankValid ? f.bank : 0.0;
    a.block.heading = lf_spawnHeading(a);
    a.headingPerTick = f.airborne ? 0.0 : a.block.heading;
}

void lf_queueEvent(const AiAcRecord& a, std::uint32_t eventId, std::uint32_t value)
{
    gf_queueSimEvent({a.objectId, eventId, value});
}

void lf_airborneLights(LiveAcRecord& a)
{
    lf_queueEvent(a, simid::kEngineAutoStart, 0);
    if (!a.rotorcraft())
        lf_queueEvent(a, simid::kSpoilersSet, 0);
    const std::uint32_t low = a.block.altitude <= kLowLightsCeilingFt ? 1 : 0;
    const std::uint32_t cabin = a.heightAboveGroundFt >= kCabinLightsFloorFt ? 1 : 0;
    gf_sendLights(a, {1, 1, low, 0, 1, low, cabin});
}

void lf_groundLights(LiveAcRecord& a)
{
    if (!a.rotorcraft())
        lf_queueEvent(a, simid::kSpoilersSet, 0);
    const bool parked = a.phase == MovePhase::Parked;
    lf_queueEvent(a, parked ? simid::kEngineAutoShutdown : simid::kEngineAutoStart, 0);
    const std::uint32_t nav = parked ? (param::NAV_LIGHTS_WHILE_PARKED.on() ? 1 : 0) : 1;
    const std::uint32_t taxi = a.phase == MovePhase::Taxi ? 1 : 0;
    gf_sendLights(a, {nav, parked ? 0u : 1u, 0, taxi, 0, 1, 1});
    gf_sendThrottleStep(a, a.rotorcraft() ? 4 : 0);
    gf_sendFlapStep(a, a.phase == MovePhase::Taxi ? 1 : 0);
}

// Step 3 of the route respawn; true when the route changed.
bool lf_takeRoute(LiveAcRecord& a, const AcHead& r)
{
    bool changed = false;
    if (a.head.origin.empty() && !r.origin.empty()) {
        a.head.origin = r.origin;
        changed = true;
    }
    if (a.head.destination.empty() && !r.destination.empty()) {
        a.head.destination = r.destination;
        changed = true;
    }
    if (r.origin.empty() || r.destination.empty() || r.origin == a.head.origin || r.destination == a.head.destination)
        return changed;
    // A report naming the park airport as the destination of a departure from it is a return,
    // not a new route.
    if (r.destination == a.head.origin && a.head.origin == gf_parkAirport().iata)
        return changed;
    a.head.origin = r.origin;
    a.head.destination = r.destination;
    if (a.onGround && a.phase != MovePhase::TaxiToStand && a.phase != MovePhase::Parked) {
        lf_setPhase(a, MovePhase::Taxi);
        a.track = a.block.heading;
    }
    return true;
}

enum class CallsignChange { None, Changed, Refused };

CallsignChange lf_takeCallsign(LiveAcRecord& a, const AcHead& r)
{
    if (r.callsign.empty() || r.callsign == a.head.callsign || r.callsign == a.head.registration)
        return CallsignChange::None;
    a.head.callsign = r.callsign;
    a.head.text1 = r.callsign;
    a.head.text2.clear();
    if (r.callsign.back() == '_') {
        if (lf_ghostBaseFlies(r.callsign))
            return CallsignChange::Refused;
    } else {
        gf_removeGhost(r.callsign);
    }
    return CallsignChange::Changed;
}

// No installed livery fits: the aircraft is not created, and its next reports are not spawned.
void lf_endWithoutLivery(LiveAcRecord& a)
{
    if (g_aircraftWithoutLivery.size() >= kMostRemembered)
        g_aircraftWithoutLivery.clear(); // matched again at worst
    g_aircraftWithoutLivery.insert(gf_acTextWithSuffix(a));
    gf_endLiveRecord(a);
}

void lf_replaceIfSet(std::string& mine, const std::string& theirs)
{
    if (!theirs.empty() && theirs != mine)
        mine = theirs;
}

} // namespace

double gf_spawnPitch(double v)
{
    if (!std::isfinite(v))
        v = 0.0;
    const double p = v < 0.0 ? std::max(v, -3000.0) * 0.5 : std::min(v, 2400.0);
    return (-3.0 - (p / 600.0) * 2.2) * kDegToRad;
}

bool lf_chooseLiveAcLivery(LiveAcRecord& a)
{
    if (!a.liveryTitle.empty())
        return true;
    if (const auto it = g_liveryByHexId.find(a.hexId); it != g_liveryByHexId.end()) {
        if (!gf_isNotCreatableTitle(it->second)) {
            a.liveryTitle = it->second;
            return true;
        }
        g_liveryByHexId.erase(it);
    }
    gf_matchLiveAcLivery(a);
    if (a.liveryTitle.empty())
        return false;
    if (g_liveryByHexId.size() >= kMostRemembered)
        g_liveryByHexId.clear(); // a cache: a long session starts it over instead of growing it
    g_liveryByHexId[a.hexId] = a.liveryTitle;
    return true;
}

bool gf_rematchFailedLivery(LiveAcRecord& a)
{
    if (!gf_isNotCreatableTitle(a.liveryTitle))
        return true;
    a.liveryTitle = {};
    if (lf_chooseLiveAcLivery(a))
        return true;
    lf_endWithoutLivery(a);
    return false;
}

void spawnLiveAc(LiveAcRecord& a)
{
    try {
        if (a.stream.size() < 2) {
            gf_logf("{} sz:{}", "spawnLiveAc", a.stream.size());
            return;
        }
        lf_markStanding(a.stream);
        if (a.phase == MovePhase::New) {
            if (!lf_chooseLiveAcLivery(a)) {
                lf_endWithoutLivery(a);
                return;
            }
            if (a.stream[0].airborne) {
                a.phase = MovePhase::Airborne;
            } else {
                const SpawnStand standing = gf_takeStandAtSpawn(a);
                if (standing == SpawnStand::Wait)
                    return;
                if (standing == SpawnStand::Gone) {
                    gf_endLiveRecord(a);
                    return;
                }
                if (standing == SpawnStand::Taxi)
                    a.phase = MovePhase::Taxi;
            }
        }
        gf_forgetSentAway(a.hexId); // created elsewhere than where it was sent away from: it moved
        gf_queueIdentityCheck(a.hexId);
        lf_setFirstBlock(a);
        if (!lf_finite(a.block)) {
            gf_logf("{}: {} first position not usable, dropped", "spawnLiveAc", gf_acDescription(a));
            gf_endLiveRecord(a);
            return;
        }
        a.onGround = a.stream[0].airborne ? 0 : 1;
        a.state = ObjectState::CreationRequested;
        a.creationSent = 0;
        a.heldForUser = 0;
        g_pendingCreationIds.push_back(a.hexId);
        if (!a.head.callsign.empty() && a.head.callsign.back() != '_')
            gf_removeGhost(a.head.callsign);
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "spawnLiveAc", e.what());
        throw;
    }
}

bool lf_parks(LiveAcRecord& a, std::uint32_t objectId, double heightAboveGroundFt)
{
    if (objectId < 3)
        return false;
    a.objectId = objectId;
    a.heightAboveGroundFt = heightAboveGroundFt;
    if (!a.stream.empty() && !a.stream[0].airborne) {
        a.onGround = 1;
        if (!a.rotorcraft())
            lf_queueEvent(a, simid::kGearSet, 1);
        a.altPerTick = 0.0;
        if (a.phase == MovePhase::Parked) {
            a.weekSlot = g_nowWeekSlot.load();
            if (param::LOG.on())
                gf_logf("{:8}: {:8} parks", gf_standNameById(a.standId), a.head.callsign);
            gf_dropFittedCandidatesOn(a.standId);
        }
        a.phaseCounter = 1;
    }
    lf_createFlightPlan(a);
    gf_requestStaticCog(objectId);
    return true;
}

void lf_createFlightPlan(LiveAcRecord& a)
{
    if (a.head.origin.empty() || a.head.destination.empty())
        return;
    a.flightPlanAssigned = 0;
    const auto path = g_flightPlanFolder / gf_flightPlanFileName(a.objectId);
    bool assigned = false;
    if (!g_flightPlanFolder.empty() && gf_writeFlightPlan(path, a.head, a.category)) {
        if (param::MSFS_2020.on()) {
            assigned = gf_assignFlightPlan(a.objectId, path);
        } else {
            assigned = true;
        }
    }
    if (assigned)
        a.flightPlanAssigned = 1;
    else
        gf_logf("{} creating a flight plan failed", gf_acDescription3(a));
}

void lf_setLightsByPhase(LiveAcRecord& a)
{
    if (a.onGround)
        lf_groundLights(a);
    else
        lf_airborneLights(a);
    a.state = ObjectState::InSim;
}

bool gf_respawnLiveAc(LiveAcRecord& a, const TrafficRecord& r)
{
    if (a.takingOff || a.landing)
        return true;
    if (a.state == ObjectState::New) {
        lf_replaceIfSet(a.head.origin, r.head.origin);
        lf_replaceIfSet(a.head.destination, r.head.destination);
        lf_replaceIfSet(a.head.callsign, r.head.callsign);
        lf_replaceIfSet(a.head.registration, r.head.registration);
        return true;
    }
    if (a.state != ObjectState::InSim || a.phase == MovePhase::Pushback || a.keepWindow >= 1)
        return true;
    const bool routeChanged = lf_takeRoute(a, r.head);
    if (a.head.registration.empty())
        a.head.registration = r.head.registration;
    const auto callsign = lf_takeCallsign(a, r.head);
    if (callsign == CallsignChange::Refused)
        return false;
    if (!routeChanged && callsign == CallsignChange::None)
        return true;
    if (!param::GUID_CHANGES.on())
        return true;
    if (param::LOG.on())
        gf_logf("          {} respawns", gf_acDescriptionLong(a));
    liveryRespawn(a);
    return false;
}

bool gf_beingRespawned(const LiveAcRecord& a)
{
    // Only a respawn brings a record back to state 0, and only a respawn sets its heading.
    return a.state == ObjectState::RespawnPending || (a.state == ObjectState::New && a.useRespawnHeading);
}

void liveryRespawn(LiveAcRecord& a)
{
    try {
        Situation c = a.stream.front();
        if (a.phase == MovePhase::Parked) {
            a.stream.truncate(1);
            Situation& f = a.stream.front();
            f.stationary = 1;
            f.track = a.block.heading * kRadToDeg;
            c = f;
        } else {
            c.lat = a.block.lat;
            c.lon = a.block.lon;
            c.bank = a.block.bank;
            c.bankValid = 1;
            c.altitude = a.block.altitude;
            Situation& f = a.stream.front();
            f.stationary = (f.lat == a.block.lat && f.lon == a.block.lon) ? 1 : 0;
        }
        c.timeKey = g_tick + 1;
        a.stream.push_front(c);
        a.respawnHeading = a.block.heading;
        a.useRespawnHeading = 1;
        // The selected object goes; the query box offers its callsign to find the new one.
        gf_dropSelection(a, a.head.callsign);
        if (a.objectId != 0) {
            a.state = ObjectState::RespawnPending;
            g_removalQueue.push_back(a.objectId);
        } else {
            // No removal report will come for it: spawn it again at once instead of waiting forever.
            gf_logf("{} removing act {} with objectid=0 ?", "liveryRespawn", gf_acDescription(a));
            a.state = ObjectState::New;
        }
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "liveryRespawn", e.what());
    }
}

} // namespace zyn
