#include "engine/stand_claims.h"

#include "airport/park_airport_state.h"
#include "airport/stand_lookup.h"
#include "base/log.h"
#include "engine/ground_phases.h"
#include "engine/identity.h"
#include "engine/motion.h"
#include "engine/motion_math.h"
#include "engine/removal.h"
#include "engine/stand_hold.h"
#include "engine/stand_options.h"
#include "engine/stand_search.h"
#include "settings/settings.h"

#include <algorithm>
#include <cmath>

namespace zyn {

namespace {

constexpr double kParkNm = 0.010799136069114472;       // 20 m
constexpr double kTowParkNm = 0.029697624190064796;    // 55 m
constexpr double kSpawnStandNm = 0.029697624190064796; // 55 m
constexpr double kSpawnNearLastNm = 0.018898488120950324; // 35 m
constexpr double kSpawnSlowKt = 5.0;
constexpr double kStandsAroundParkAirportNm = 5.0;
constexpr double kClearanceFactor = 1.1;

constexpr LatLon kNoParkAttempt{-999.0, -999.0};
LatLon g_lastParkAttempt = kNoParkAttempt;

bool lf_ghostMarked(const std::string& callsign) { return !callsign.empty() && callsign.back() == '_'; }

// Parked at the stand, or pushing back from it or starting the engines beside it, in the simulator.
bool lf_standsAt(const LiveAcRecord& other, const ParkPos& stand)
{
    return other.standId == stand.sid && other.inSim() &&
           (other.phase == MovePhase::Pushback || other.phase == MovePhase::EnginesStarting ||
            other.phase == MovePhase::Parked);
}

void lf_logStand(const ParkPos& stand, const LiveAcRecord& other, const char* what, const std::string& claimant)
{
    if (param::LOG.on())
        gf_logf("{:8}: {:8} {} {}", stand.id, other.head.callsign, what, claimant);
}

// Whether the claimant may take the stand; aircraft that hold it and give way are removed. Ghosts
// carry a trailing "_": only that mark makes two callsigns the same aircraft.
bool lf_claimStand(const LiveAcRecord& claimant, const ParkPos& stand)
{
    const std::string& mine = claimant.head.callsign;
    for (auto& other : g_liveAircraft) {
        if (&other == &claimant || !lf_standsAt(other, stand))
            continue;
        const std::string& theirs = other.head.callsign;
        if (theirs == mine) {
            lf_logStand(stand, other, "ac with same callsign", mine + " wants it, remove existing ... ");
        } else if (mine == theirs + "_") {
            return false;
        } else if (theirs == mine + "_" || (lf_ghostMarked(theirs) && !lf_ghostMarked(mine))) {
            lf_logStand(stand, other, "ghost, replace by", mine);
        } else if ((lf_ghostMarked(mine) && !lf_ghostMarked(theirs)) || gf_silentTicks(other) <= kHeardWithinTicks) {
            return false;
        } else {
            lf_logStand(stand, other, "removed because another live", mine + " wants the stand ...");
        }
        removeAircraftFromSim(other);
        return true;
    }
    return true;
}

double lf_standDistanceNm(const ParkPos& a, const ParkPos& b)
{
    return gf_distanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude});
}

bool lf_collides(const AcRecord& x, const AcRecord& y, double distanceNm)
{
    return (x.halfWingspanNm + y.halfWingspanNm) * kClearanceFactor >= distanceNm;
}

void lf_removeAdjacentColliding(const LiveAcRecord& parker, const ParkPos& stand, const ParkPos& adjacent)
{
    if (adjacent.latitude == 0.0 && adjacent.longitude == 0.0)
        return;
    const double d = lf_standDistanceNm(stand, adjacent);
    for (auto& other : g_liveAircraft) {
        if (&other == &parker || other.standId != adjacent.sid || !other.inSim() ||
            (other.phase != MovePhase::Parked && other.phase != MovePhase::Pushback) || !lf_collides(parker, other, d))
            continue;
        if (param::LOG.on())
            gf_logf("{:8}: {:8} removed by parking {} at adjacent and possibly colliding stand {}", adjacent.id,
                    other.head.callsign, parker.head.callsign, stand.id);
        removeAircraftFromSim(other);
    }
}

bool lf_sameAircraft(const AiAcRecord& parked, const AcRecord& live)
{
    return parked.head.text1 == live.head.callsign ||
           (!live.head.registration.empty() && parked.head.registration == live.head.registration);
}

// A static on the claimed stand makes way for the live aircraft; the log tells the user why it went.
void lf_makeWay(AiAcRecord& parked, const AcRecord& live, const ParkPos& stand)
{
    const ObjectState before = parked.state;
    removeAircraftFromSim(parked);
    if (!param::LOG.on())
        return;
    const char* same = lf_sameAircraft(parked, live) ? " the same live version" : "";
    const AcHead& p = parked.head;
    if (before == ObjectState::InSim)
        gf_logf("{:8}: {:8} {} makes way for{} {} {}", stand.id, p.callsign, p.registration, same, live.head.callsign,
                live.head.registration);
    else if (before == ObjectState::CreationRequested && parked.erase)
        gf_logf("queued {:8}: {:8} {} makes way for{} {} {}", stand.id, p.callsign, p.registration, same,
                live.head.callsign, live.head.registration);
}

bool lf_onAdjacentStand(const ParkPos& stand, std::uint32_t sid)
{
    return std::find(stand.adjacent.begin(), stand.adjacent.end(), sid) != stand.adjacent.end();
}

} // namespace

void checkStandOrExcludedIsOccupiedByStaticAndRemove(const LiveAcRecord& live, const ParkPos& stand)
{
    try {
        for (auto& parked : g_staticAircraft) {
            if (parked.standId == 0 || parked.state == ObjectState::RemovalRequested || parked.erase)
                continue;
            if (parked.standId == stand.sid) {
                lf_makeWay(parked, live, stand);
                continue;
            }
            const ParkPos* at = gf_standBySid(parked.standId);
            if (!at || !lf_onAdjacentStand(stand, parked.standId) ||
                !lf_collides(live, parked, lf_standDistanceNm(stand, *at)))
                continue;
            if (param::LOG.on())
                gf_logf("{:8}: {:8} removed by {} parking at adjacent stand {}", gf_standNameById(parked.standId),
                        parked.head.callsign, live.head.callsign, stand.id);
            removeAircraftFromSim(parked);
        }
        // Withdrawn creations leave at once: they must not count as parked in the checks that follow.
        std::erase_if(g_staticAircraft, [](const AiAcRecord& a) { return a.erase != 0; });
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "checkStandOrExcludedIsOccupiedByStaticAndRemove", e.what());
        throw;
    }
}

namespace {

// An aircraft of another callsign parked or pushing back at an overlapping stand is in the way when
// the new one would touch it, or when that stand's place is unknown.
bool lf_blocksAdjacent(const LiveAcRecord& a, const ParkPos& stand, const ParkPos* adjacent, const LiveAcRecord& other)
{
    if (!adjacent || (adjacent->latitude == 0.0 && adjacent->longitude == 0.0))
        return true;
    return lf_collides(a, other, lf_standDistanceNm(stand, *adjacent));
}

// The first overlapping stand whose occupant the new aircraft would touch; 0 when there is none.
// One whose creation is still on its way stands there as much: many parked aircraft spawn within
// the seconds their creations take.
std::uint32_t lf_findNearestStand(const LiveAcRecord& a, const ParkPos& stand)
{
    for (const std::uint32_t sid : stand.adjacent) {
        const ParkPos* adjacent = gf_standBySid(sid);
        for (const auto& other : g_liveAircraft)
            if (&other != &a && other.standId == sid &&
                (other.inSim() || other.state == ObjectState::CreationRequested) &&
                (other.phase == MovePhase::Parked || other.phase == MovePhase::Pushback) &&
                other.head.callsign != a.head.callsign && lf_blocksAdjacent(a, stand, adjacent, other))
                return sid;
    }
    return 0;
}

bool lf_forbiddenStand(const ParkPos& stand)
{
    const std::string reserved = gf_reservedStand();
    return stand.reserved || (!reserved.empty() && stand.id == reserved) || stand.id == gf_userStand();
}

} // namespace

void gf_forgetParkAttempt() { g_lastParkAttempt = {-999.0, -999.0}; }

void lf_setStandCargo(LiveAcRecord& a)
{
    ParkPos* stand = gf_standBySid(a.standId);
    if (!a.cargo || a.cargoStand || !stand)
        return;
    stand->cargo = true;
    stand->cargoChanged = true;
    a.cargoStand = 1;
    gf_countStandUpdate();
    gf_logf("{} stand: {}, cargo attribute set to true, {} parked here", gf_parkAirport().icao, stand->id,
            gf_acDescription(a));
}

void try2Park(LiveAcRecord& a, bool towed)
{
    if (a.stream.empty()) {
        gf_logf("{} empty sz?", "try2Park");
        return;
    }
    const LatLon position = gf_positionOf(a.stream.back());
    if (position.lat == g_lastParkAttempt.lat && position.lon == g_lastParkAttempt.lon)
        return;
    g_lastParkAttempt = position;
    ParkPos* stand = gf_standFits(position, a, towed ? kTowParkNm : kParkNm, towed);
    if (!stand || lf_forbiddenStand(*stand))
        return;
    for (auto& other : g_liveAircraft) {
        if (&other != &a && other.standId == stand->sid && other.phase == MovePhase::Parked && other.inSim()) {
            lf_logStand(*stand, other, "removed,", a.head.callsign + " wants to park there");
            removeAircraftFromSim(other);
        }
    }
    if (!gf_holdStand(a, *stand, MovePhase::TaxiToStand))
        return; // one on its way to the stand, or being created there, keeps it
    gf_forgetParkAttempt(); // the next aircraft to stop on this very spot is offered the stand all the same
    for (const std::uint32_t sid : stand->adjacent)
        if (const ParkPos* adjacent = gf_standBySid(sid))
            lf_removeAdjacentColliding(a, *stand, *adjacent);
    checkStandOrExcludedIsOccupiedByStaticAndRemove(a, *stand);
    a.stream.truncate(1);
    if (param::LOG.on())
        gf_logf("{:8}: {:8} taxis to the stand", stand->id, a.head.callsign);
    drive2Stand(a, StandTarget{stand->latitude, stand->longitude, stand->heading});
}

void gf_recordStandArrival(LiveAcRecord& a)
{
    if (a.head.airline.empty() || a.cargo != a.cargoStand)
        return;
    const WeekSlot now = g_nowWeekSlot.load();
    if (lf_addRealParkPosOption(a.standId, a, true, now, false))
        gf_setStandSlot(a.hexId, now);
}

void gf_recordStandDeparture(LiveAcRecord& a)
{
    const WeekSlot now = g_nowWeekSlot.load();
    if (lf_addRealParkPosOption(a.standId, a, true, now, true))
        gf_setStandSlot(a.hexId, now);
}

SpawnStand gf_takeStandAtSpawn(LiveAcRecord& a)
{
    const AirportRecord park = gf_parkAirport();
    Situation& f = a.stream[0];
    const Situation& n = a.stream[1];
    if (g_stands.empty() || park.icao.empty() ||
        gf_distanceNm({park.lat, park.lon}, gf_positionOf(f)) > kStandsAroundParkAirportNm)
        return SpawnStand::Taxi;
    LatLon reference = gf_positionOf(f);
    if (!f.stationary) {
        const LatLon last = gf_positionOf(a.stream.back());
        if (n.groundSpeed > kSpawnSlowKt || gf_distanceNm(last, reference) > kSpawnNearLastNm)
            return SpawnStand::Taxi;
        reference = last;
    }
    // Sent away for the parking count, it is not created at its stand again while it stands there.
    if (gf_sentAwayStillThere(a.hexId, reference, kSpawnStandNm))
        return SpawnStand::Gone;
    ParkPos* stand = gf_standFits(reference, a, kSpawnStandNm, f.stationary != 0);
    if (!stand) {
        if (!n.stationary)
            return SpawnStand::Taxi;
        a.stream.erase(0);
        return SpawnStand::Wait;
    }
    if (lf_forbiddenStand(*stand))
        return SpawnStand::Unclaimed;
    if (!lf_claimStand(a, *stand) || lf_findNearestStand(a, *stand) != 0 ||
        !gf_holdStand(a, *stand, MovePhase::Parked))
        return SpawnStand::Gone;
    checkStandOrExcludedIsOccupiedByStaticAndRemove(a, *stand);
    a.parkedSince = gf_steadyTicks100ns();
    a.standSteps = 0;
    a.standLastDistance = 0.0;
    lf_setStandCargo(a);
    a.stream.truncate(1);
    Situation& first = a.stream[0];
    first.stationary = 1;
    first.groundSpeed = 0.0;
    first.lat = stand->latitude;
    first.lon = stand->longitude;
    first.track = stand->heading * kRadToDeg;
    const WeekSlot now = g_nowWeekSlot.load();
    if (lf_addRealParkPosOption(stand->sid, a, false, now, false))
        gf_setStandSlot(a.hexId, now);
    lf_checkMaxPark(a);
    return SpawnStand::Parked;
}

void gf_resetParkAttempt() { g_lastParkAttempt = kNoParkAttempt; }

} // namespace zyn
