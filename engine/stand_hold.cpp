#include "engine/stand_hold.h"

#include "engine/motion.h"
#include "engine/removal.h"

namespace zyn {

namespace {

bool lf_atStand(MovePhase phase) { return phase == MovePhase::TaxiToStand || phase == MovePhase::Parked; }

// Pushing back or starting the engines: the aircraft still stands by the stand it leaves.
bool lf_leavingStand(MovePhase phase) { return phase == MovePhase::Pushback || phase == MovePhase::EnginesStarting; }

// Removed, withdrawn, to be removed once its object appears, or ended.
bool lf_ending(const LiveAcRecord& a)
{
    return a.gone != 0 || a.erase != 0 || a.removeWhenCreated != 0 || a.state == ObjectState::RemovalRequested;
}

} // namespace

bool gf_holdsStand(const LiveAcRecord& a) { return a.standId != 0 && lf_atStand(a.phase) && !lf_ending(a); }

LiveAcRecord* gf_standHolder(std::uint32_t sid)
{
    if (sid == 0)
        return nullptr;
    for (auto& a : g_liveAircraft)
        if (a.standId == sid && gf_holdsStand(a))
            return &a;
    return nullptr;
}

bool gf_standHeldByOther(const LiveAcRecord& a)
{
    if (a.standId == 0)
        return false;
    for (const auto& other : g_liveAircraft)
        if (&other != &a && other.standId == a.standId && gf_holdsStand(other))
            return true;
    return false;
}

bool gf_standOpen(const ParkPos& stand)
{
    if (!stand.liveOccupied)
        return true;
    const LiveAcRecord* holder = gf_standHolder(stand.sid);
    return holder && holder->phase == MovePhase::Parked && holder->inSim();
}

void gf_updateStandFlag(std::uint32_t sid)
{
    if (ParkPos* stand = gf_standBySid(sid))
        stand->liveOccupied = gf_standHolder(sid) != nullptr;
}

bool gf_holdStand(LiveAcRecord& a, ParkPos& stand, MovePhase phase)
{
    const LiveAcRecord* holder = gf_standHolder(stand.sid);
    if (holder && holder != &a)
        return false;
    if (a.standId != stand.sid)
        gf_dropStand(a);
    a.initLat = stand.latitude;
    a.initLon = stand.longitude;
    a.initHeading = stand.heading;
    a.standId = stand.sid;
    a.cargoStand = stand.cargo ? 1 : 0;
    lf_setPhase(a, phase);
    gf_updateStandFlag(stand.sid); // also when the aircraft was in that phase already
    return true;
}

void gf_dropStand(LiveAcRecord& a)
{
    const std::uint32_t sid = a.standId;
    a.initLat = a.initLon = a.initHeading = 0.0;
    a.standId = 0;
    a.cargoStand = 0;
    gf_updateStandFlag(sid);
}

void gf_followPhase(LiveAcRecord& a)
{
    if (a.standId == 0)
        return;
    if (lf_atStand(a.phase) || lf_leavingStand(a.phase))
        gf_updateStandFlag(a.standId);
    else
        gf_dropStand(a);
}

void gf_endLiveRecord(LiveAcRecord& a)
{
    a.gone = 1;
    gf_updateStandFlag(a.standId);
}

void gf_forgetStandHolds()
{
    for (auto& a : g_liveAircraft) {
        const bool atStand = lf_atStand(a.phase);
        a.standId = 0;
        a.cargoStand = 0;
        // Parked at a stand or on its way there, it would stand where the next stands let another
        // park, holding nothing: it goes with them, in whatever state, so that no respawn brings it back.
        if (atStand && !lf_ending(a)) {
            a.initLat = a.initLon = a.initHeading = 0.0;
            removeAircraftFromSim(a);
        }
    }
    for (auto& stand : g_stands)
        stand.liveOccupied = false;
}

} // namespace zyn
