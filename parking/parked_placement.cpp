// The traffic service's parked aircraft put on the stands they stand at, as candidates that the
// statics are parked from; a parked-traffic static already there stays or gives way by its age.
#include "aircraft/aircraft_db.h"
#include "base/geo.h"
#include "base/log.h"
#include "engine/stand_options.h"
#include "engine/stand_search.h"
#include "parking/parking_fit.h"
#include "parking/static_parking.h"
#include "settings/settings.h"
#include "traffic/client.h"
#include "traffic/live_identities.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace zyn {

namespace {

constexpr double kPtStandReachNm = 0.05939524838012959; // 110 m

// The entry is flying or parked live around the user under its own identity.
bool lf_entryIsLive(const ParkedTrafficRecord& entry)
{
    {
        std::lock_guard lock(g_liveIdentityMutex);
        if (g_liveHexIds.contains(entry.hexId))
            return true;
    }
    if (gf_callsignIsLive(entry.head.callsign))
        return true;
    return std::any_of(g_liveAircraft.begin(), g_liveAircraft.end(),
                       [&](const LiveAcRecord& live) { return lf_isLiveTwin(entry, live); });
}

AcRecord lf_entryAircraft(const ParkedTrafficRecord& entry)
{
    AcHead head = entry.head;
    if (gf_findRegistration(head.registration))
        head.flag = 1;
    AcRecord aircraft = gf_makeAiAircraft(head);
    if (aircraft.head.airline.empty() && !gf_callsignAirline(aircraft))
        aircraft.head.airline = "PVT";
    aircraft.hexId = entry.hexId;
    return aircraft;
}

// A candidate on an overlapping stand leaves no room for the aircraft's wings.
bool lf_neighbourCrowds(const ParkPos& stand, const AcRecord& aircraft)
{
    for (const std::uint32_t sid : stand.adjacent) {
        const StandCandidate* other = gf_candidateOnStand(sid);
        const ParkPos* neighbour = gf_standBySid(sid);
        if (other && neighbour &&
            aircraft.halfWingspanNm + gf_wingspan(other->type) >
                gf_distanceNm({stand.latitude, stand.longitude}, {neighbour->latitude, neighbour->longitude}))
            return true;
    }
    return false;
}

// The statics from parked traffic by stand: only they can hold a stand an entry wants.
using PtStatics = std::unordered_multimap<std::uint32_t, AiAcRecord*>;

PtStatics lf_ptStaticsByStand()
{
    PtStatics statics;
    for (AiAcRecord& parked : g_staticAircraft)
        if (parked.feedKind == 0 && parked.standId != 0)
            statics.emplace(parked.standId, &parked);
    return statics;
}

// A static already on the stand decides whether the entry may be placed there.
bool lf_staticHoldsStand(const ParkedTrafficRecord& entry, const ParkPos& stand, const PtStatics& statics)
{
    PtAtStand context{entry, stand, g_nowWeekSlot.load()};
    const auto [first, last] = statics.equal_range(stand.sid);
    for (auto it = first; it != last; ++it)
        if (lf_ptStaticAtStand(context, *it->second))
            break;
    return context.conflict;
}

void lf_placeEntry(const ParkedTrafficRecord& entry, const PtStatics& statics)
{
    if (entry.head.callsign.empty() || lf_entryIsLive(entry))
        return;
    const AcRecord aircraft = lf_entryAircraft(entry);
    ParkPos* stand = gf_standFits({entry.lat, entry.lon}, aircraft, kPtStandReachNm, false);
    if (!stand) {
        gf_logf("[{:10}: {:8x} {:8} {:12}, hh:{} ===> could not find a stand for PT's {:.6f},{:.6f}]", entry.stand,
                entry.hexId, entry.head.callsign, entry.head.registration, entry.slot, entry.lat, entry.lon);
        return;
    }
    if (stand->reserved || stand->taken)
        return;
    if (stand->neighbourTaken && lf_neighbourCrowds(*stand, aircraft))
        return;
    if (lf_staticHoldsStand(entry, *stand, statics))
        return;
    g_standCandidates.push_back({.hexId = entry.hexId,
                                 .fitted = 0,
                                 .standId = stand->sid,
                                 .fit = entry.slot,
                                 .airline = aircraft.head.airline,
                                 .type = aircraft.head.type,
                                 .callsign = entry.head.callsign,
                                 .callsign2 = {},
                                 .registration = entry.head.registration,
                                 .slotMatch = 1});
    gf_markListedStands(*stand);
}

} // namespace

bool lf_isLiveTwin(const ParkedTrafficRecord& entry, const LiveAcRecord& live)
{
    const std::string& cs = entry.head.callsign;
    return live.hexId == entry.hexId || (!cs.empty() && (live.head.callsign == cs || live.head.callsign == cs + "_")) ||
           (!entry.head.registration.empty() && live.head.registration == entry.head.registration);
}

bool lf_ptStaticAtStand(PtAtStand& context, AiAcRecord& parked)
{
    if (parked.feedKind != 0 || parked.standId != context.stand.sid || parked.state == ObjectState::RemovalRequested)
        return false;
    if (parked.head.callsign == context.entry.head.callsign + "*")
        return false;
    const WeekSlot start = gf_windowStart(context.now, context.entry.slot);
    if (gf_parkedAtOrBefore(parked.weekSlot, start)) {
        gf_removeStaticNow(parked);
        return true;
    }
    std::string callsign = parked.head.callsign;
    if (!callsign.empty())
        callsign.pop_back(); // the static's "*"
    g_standCandidates.push_back({.hexId = parked.parkedHexId,
                                 .fitted = 0,
                                 .standId = context.stand.sid,
                                 .fit = static_cast<std::int32_t>(gf_slotDistance(parked.weekSlot, context.now)),
                                 .airline = parked.head.airline,
                                 .type = parked.head.type,
                                 .callsign = std::move(callsign),
                                 .callsign2 = {},
                                 .registration = parked.head.registration,
                                 .slotMatch = 1});
    context.conflict = true;
    return true;
}

void lf_findStandForPT(const ParkedTrafficRecord& entry) { lf_placeEntry(entry, lf_ptStaticsByStand()); }

void lf_findStandsForPT()
{
    const std::int64_t wanted = lf_parkCount();
    const bool ptOnly = param::RT_PARKTRAFFIC_ONLY.on();
    if (wanted < 1 && !ptOnly)
        return;
    const PtStatics statics = lf_ptStaticsByStand();
    for (const ParkedTrafficRecord& entry : g_trafficClient.parkedList) {
        if (!ptOnly && static_cast<std::int64_t>(g_standCandidates.size()) >= wanted)
            break;
        lf_placeEntry(entry, statics);
    }
}

} // namespace zyn
