#include "parking/static_parking.h"

#include "aircraft/aircraft_db.h"
#include "airport/park_airport_state.h"
#include "airport/stand_lookup.h"
#include "base/geo.h"
#include "base/log.h"
#include "base/text_util.h"
#include "engine/identity.h"
#include "engine/live_removals.h"
#include "engine/removal.h"
#include "engine/session_calls.h"
#include "engine/stand_hold.h"
#include "engine/stand_options.h"
#include "engine/stand_search.h"
#include "parking/park_airport.h"
#include "parking/parking_fit.h"
#include "parking/session_calls.h"
#include "parking/static_conflicts.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "shown/display_state.h"
#include "shown/display_texts.h"
#include "shown/status_line.h"
#include "sim/user_aircraft.h"
#include "traffic/live_identities.h"
#include "traffic/parked_traffic.h"
#include "traffic/process_line.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_map>

#include <fmt/format.h>

namespace zyn {

std::vector<StaticRemoval> g_staticRemovals;
std::vector<StaticStayer> g_staticStayers;
std::vector<LiveParked> g_liveParked;

namespace {

constexpr std::int32_t kLongestFit = 47;

void lf_sortCandidates(bool largestFirst)
{
    std::stable_sort(g_standCandidates.begin(), g_standCandidates.end(),
                     [largestFirst](const StandCandidate& a, const StandCandidate& b) {
                         return largestFirst ? a.fit > b.fit : a.fit < b.fit;
                     });
}

// Options are renumbered 1, 2, 3 in list order; what remembers an option by its number follows.
void lf_renumberOptions(ParkPos& stand)
{
    std::unordered_map<std::uint32_t, std::uint32_t> moved;
    for (std::uint32_t i = 0; i < stand.options.size(); ++i) {
        const std::uint32_t number = i + 1;
        if (stand.options[i].number != number && stand.options[i].number != 0)
            moved.emplace(stand.options[i].number, number);
        stand.options[i].number = number;
    }
    if (moved.empty())
        return;
    for (auto* seen : {&stand.realSeen, &stand.softSeen})
        for (auto& [hexId, at] : *seen)
            if (const auto it = moved.find(static_cast<std::uint32_t>(at.number)); it != moved.end())
                at.number = static_cast<std::int32_t>(it->second);
}

void lf_clearStandMarks(bool renumber)
{
    for (ParkPos& stand : g_stands) {
        stand.taken = false;
        stand.reserved = false;
        stand.neighbourTaken = false;
        if (renumber)
            lf_renumberOptions(stand);
    }
    lf_markReservedStands();
}

// Nothing may stand on a stand reserved for the user, the one the user's aircraft stands at among
// them: a static there, made before the user came, goes now rather than be kept as fitted.
void lf_clearReservedStands()
{
    for (AiAcRecord& parked : g_staticAircraft) {
        const ParkPos* stand = gf_standBySid(parked.standId);
        if (stand && stand->reserved && (parked.inSim() || parked.state == ObjectState::CreationRequested))
            gf_removeStaticNow(parked);
    }
}

void lf_takeStand(std::uint32_t sid)
{
    if (ParkPos* stand = gf_standBySid(sid))
        gf_markListedStands(*stand);
}

LatLon lf_positionOf(const AiAcRecord& parked) { return {parked.initLat, parked.initLon}; }

bool lf_standingStatic(const AiAcRecord& parked, std::uint32_t kind)
{
    return parked.feedKind == kind && parked.inSim();
}

void lf_toRemovalList(const AiAcRecord& parked) { g_staticRemovals.push_back({parked.head.callsign, parked.standId}); }

void lf_addStayer(const AiAcRecord& parked)
{
    g_staticStayers.push_back({.callsign = parked.head.callsign,
                               .callsign1 = parked.head.text1,
                               .callsign2 = parked.head.text2,
                               .registration = parked.head.registration,
                               .airline = parked.head.airline,
                               .type = parked.head.type,
                               .parked = parked.weekSlot,
                               .standId = parked.standId,
                               .leave = false});
}

void lf_dropCandidate(const StandCandidate* candidate)
{
    g_standCandidates.erase(g_standCandidates.begin() + (candidate - g_standCandidates.data()));
}

void lf_collectLiveParked()
{
    g_liveParked.clear();
    for (const LiveParkedEntry& entry : g_liveParkedDisplay) {
        const auto live = std::find_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                       [&](const LiveAcRecord& a) { return a.hexId == entry.hexId; });
        if (live != g_liveAircraft.end() && live->standId != 0)
            g_liveParked.push_back({live->hexId, live->standId});
    }
}

void lf_showAveragesUnknown()
{
    g_liveParkedMeanShown = -1.0;
    gf_showParking([](ParkingDisplay& d) {
        d.staticAverage = -1.0f;
        d.softParking = false;
    });
}

bool lf_candidateMatchesStatic(const AiAcRecord& parked, const StandCandidate& candidate)
{
    const std::string& cs = parked.head.callsign;
    // Two aircraft without registrations are not the same aircraft for that.
    return (!candidate.callsign.empty() && gf_equalsBeforeStar(candidate.callsign, cs)) ||
           (!candidate.callsign2.empty() && gf_equalsBeforeStar(candidate.callsign2, cs)) ||
           (!candidate.registration.empty() && candidate.registration == parked.head.registration);
}

// The new candidates by stand and by callsign, for comparing every static with them; a candidate
// that a static stands for is marked and dropped when all are compared.
class CandidateLookup {
public:
    CandidateLookup()
    {
        for (std::size_t i = 0; i < g_standCandidates.size(); ++i) {
            m_byStand.try_emplace(g_standCandidates[i].standId, i);
            if (!g_standCandidates[i].callsign.empty())
                m_byCallsign.try_emplace(g_standCandidates[i].callsign, i);
        }
        m_dropped.assign(g_standCandidates.size(), false);
    }
    StandCandidate* onStand(std::uint32_t sid) { return lf_live(m_byStand, sid); }
    // The candidate whose callsign the static carries with its "*".
    StandCandidate* calledAs(const std::string& staticCallsign)
    {
        if (!staticCallsign.ends_with('*'))
            return nullptr;
        return lf_live(m_byCallsign, staticCallsign.substr(0, staticCallsign.size() - 1));
    }
    void drop(const StandCandidate* c) { m_dropped[static_cast<std::size_t>(c - g_standCandidates.data())] = true; }
    void eraseDropped()
    {
        std::size_t i = 0;
        std::erase_if(g_standCandidates, [&](const StandCandidate&) { return m_dropped[i++]; });
    }

private:
    template <typename Map, typename Key> StandCandidate* lf_live(const Map& map, const Key& key)
    {
        const auto it = map.find(key);
        return it == map.end() || m_dropped[it->second] ? nullptr : &g_standCandidates[it->second];
    }
    std::unordered_map<std::uint32_t, std::size_t> m_byStand;
    std::unordered_map<std::string, std::size_t> m_byCallsign;
    std::vector<bool> m_dropped;
};

// A static parked from parked traffic stays while the service still reports that aircraft at its
// stand: the candidate there is it.
void lf_checkPtStatic(AiAcRecord& parked, CandidateLookup& candidates)
{
    bool live = false;
    {
        std::lock_guard lock(g_liveIdentityMutex);
        live = g_liveHexIds.contains(parked.parkedHexId);
    }
    const StandCandidate* here = live ? nullptr : candidates.onStand(parked.standId);
    if (here && lf_candidateMatchesStatic(parked, *here)) {
        lf_addStayer(parked);
        candidates.drop(here);
        return;
    }
    gf_removeStaticNow(parked);
}

// A fitted static that a parked-traffic candidate claims: it stays when it has stood there no longer
// than the candidate's window, or when it is that very aircraft.
void lf_checkFittedStatic(AiAcRecord& parked, WeekSlot now, CandidateLookup& candidates)
{
    const StandCandidate* onStand = candidates.onStand(parked.standId);
    const StandCandidate* called = candidates.calledAs(parked.head.callsign);
    // The earlier of the two in the list, as a scan of it would meet them.
    const StandCandidate* candidate = !onStand ? called : !called ? onStand : std::min(onStand, called);
    if (!candidate)
        return;
    const bool inWindow = !gf_parkedBefore(parked.weekSlot, gf_windowStart(now, candidate->fit));
    if (inWindow || (gf_equalsBeforeStar(candidate->callsign, parked.head.callsign) && gf_sameKeyPair(*candidate, parked)))
        candidates.drop(candidate);
    else
        gf_removeStaticNow(parked);
}

void lf_checkStaticsAgainstPT(bool full, WeekSlot now)
{
    CandidateLookup candidates;
    for (AiAcRecord& parked : g_staticAircraft) {
        if (!parked.inSim())
            continue;
        if (parked.feedKind == 0)
            lf_checkPtStatic(parked, candidates);
        else if (!full)
            lf_checkFittedStatic(parked, now, candidates);
    }
    candidates.eraseDropped();
}

// Without an answer from the service the parked-traffic statics stay as they are, counted and on
// their stands, rather than be fitted over.
void lf_keepPtStatics()
{
    for (const AiAcRecord& parked : g_staticAircraft)
        if (lf_standingStatic(parked, 0))
            lf_addStayer(parked);
}

void lf_keepOrRemoveByWindow(const AiAcRecord& parked, const StandCandidate* candidate, WeekSlot now)
{
    if (gf_parkedBefore(parked.weekSlot, gf_windowStart(now, candidate->fit))) {
        lf_toRemovalList(parked);
        return;
    }
    lf_addStayer(parked);
    lf_dropCandidate(candidate);
}

bool lf_liveCallsign(const std::string& callsign)
{
    if (callsign.empty())
        return false;
    std::lock_guard lock(g_liveIdentityMutex);
    return g_liveCallsigns.contains(callsign);
}

// A candidate on an overlapping stand that the static's wings reach.
const StandCandidate* lf_crowdingCandidate(const AiAcRecord& parked, const ParkPos& stand)
{
    for (const std::uint32_t sid : stand.adjacent) {
        const ParkPos* neighbour = gf_standBySid(sid);
        const StandCandidate* candidate = gf_candidateOnStand(sid);
        if (neighbour && candidate &&
            parked.halfWingspanNm + gf_wingspan(candidate->type) >
                gf_distanceNm(lf_positionOf(parked), {neighbour->latitude, neighbour->longitude}))
            return candidate;
    }
    return nullptr;
}

// The static's own stand has a use of its airline and type within the fit back from now (into the
// day before when the span reaches past midnight).
bool lf_standStillUsed(const AiAcRecord& parked, const ParkPos& stand, WeekSlot now)
{
    const std::int32_t maxFit = std::min(std::max(g_realFitSteps, g_softFitSteps), kLongestFit);
    const auto usedOn = [&](std::uint32_t day, std::int32_t from, std::int32_t span) {
        return std::any_of(stand.options.begin(), stand.options.end(), [&](const ParkPosOption& o) {
            std::int32_t overflow = -1;
            return o.number >= 1 && o.day == static_cast<std::int32_t>(day) && gf_sameKeyPair(o, parked) &&
                   gf_findSlotBefore(o, from, span, overflow);
        });
    };
    const auto start = static_cast<std::int32_t>(now.slot);
    if (usedOn(now.day, start, maxFit))
        return true;
    const std::int32_t rest = std::min(maxFit - start, static_cast<std::int32_t>(kSlotsPerDay) - 2);
    const std::uint32_t dayBefore = now.day <= 1 ? 7 : now.day - 1;
    return rest > 0 && usedOn(dayBefore, static_cast<std::int32_t>(kSlotsPerDay) - 1, rest - 1);
}

void lf_classifyFittedStatic(AiAcRecord& parked, WeekSlot now)
{
    if (lf_liveCallsign(parked.head.text1) || lf_liveCallsign(parked.head.text2)) {
        lf_toRemovalList(parked);
        return;
    }
    if (const StandCandidate* candidate = gf_candidateOnStand(parked.standId)) {
        const bool same = gf_sameKeyPair(*candidate, parked) &&
                          (gf_equalsBeforeStar(candidate->callsign, parked.head.callsign) ||
                           gf_equalsBeforeStar(candidate->callsign2, parked.head.callsign));
        if (same) {
            lf_addStayer(parked);
            lf_dropCandidate(candidate);
        } else {
            lf_keepOrRemoveByWindow(parked, candidate, now);
        }
        return;
    }
    const ParkPos* stand = gf_standBySid(parked.standId);
    if (!stand) {
        lf_toRemovalList(parked);
        return;
    }
    if (const StandCandidate* crowding = lf_crowdingCandidate(parked, *stand)) {
        lf_keepOrRemoveByWindow(parked, crowding, now);
        return;
    }
    if (lf_standStillUsed(parked, *stand, now))
        lf_addStayer(parked);
    else
        lf_toRemovalList(parked);
}

bool lf_leavesNextHalfHour(StaticStayer& stayer, const ParkPos& stand, const ParkPosOption& option, WeekSlot now)
{
    const std::string_view callsign = std::string_view(stayer.callsign).substr(
        0, stayer.callsign.ends_with('*') ? stayer.callsign.size() - 1 : stayer.callsign.size());
    if (option.number < 1 || option.day != static_cast<std::int32_t>(now.day) || option.callsign != callsign ||
        option.airline != stayer.airline || option.type != stayer.type)
        return false;
    // The stayer carries its next callsign; the option's own second callsign does not matter here.
    stayer.leave = gf_optionHoldsNextHalfHour(stand, option, now) == 0;
    return true;
}

void lf_classifyFittedStatics(WeekSlot now)
{
    for (AiAcRecord& parked : g_staticAircraft)
        if (lf_standingStatic(parked, 1))
            lf_classifyFittedStatic(parked, now);
    std::stable_sort(g_staticStayers.begin(), g_staticStayers.end(), [](const StaticStayer& a, const StaticStayer& b) {
        return a.parked.day != b.parked.day ? a.parked.day < b.parked.day : a.parked.slot < b.parked.slot;
    });
    for (StaticStayer& stayer : g_staticStayers) {
        const ParkPos* stand = gf_standBySid(stayer.standId);
        if (!stand || stayer.callsign2.empty() || stayer.callsign.find(stayer.callsign1) == std::string::npos)
            continue;
        for (const ParkPosOption& option : stand->options)
            if (lf_leavesNextHalfHour(stayer, *stand, option, now))
                break;
    }
}

// A stayer that leaves within the half hour goes, and its stand is offered again under the callsign
// it leaves with.
void lf_replaceLeavingStayers(WeekSlot now)
{
    for (const StaticStayer& stayer : g_staticStayers) {
        if (!stayer.leave)
            continue;
        g_standCandidates.push_back({.hexId = 0,
                                     .fitted = 1,
                                     .standId = stayer.standId,
                                     .fit = gf_stayerFit(stayer.parked, now),
                                     .airline = stayer.airline,
                                     .type = stayer.type,
                                     .callsign = stayer.callsign1,
                                     .callsign2 = stayer.callsign2,
                                     .registration = stayer.registration,
                                     .slotMatch = 0});
        g_staticRemovals.push_back({stayer.callsign, stayer.standId});
    }
    std::erase_if(g_staticStayers, [](const StaticStayer& s) { return s.leave; });
}

// Brings candidates, stayers and live parked aircraft down to count: the latest candidates first,
// then the latest stayers, then (unless the initial load is kept) the live parked aircraft.
void lf_trimToCount(std::int64_t count)
{
    std::int64_t excess = static_cast<std::int64_t>(g_standCandidates.size() + g_liveParked.size() +
                                                    g_staticStayers.size()) - count;
    for (; excess > 0; --excess) {
        if (!g_standCandidates.empty()) {
            g_standCandidates.pop_back();
        } else if (!g_staticStayers.empty()) {
            g_staticRemovals.push_back({g_staticStayers.back().callsign, g_staticStayers.back().standId});
            g_staticStayers.pop_back();
        } else if (!g_liveParked.empty() && !param::INITIAL_LOAD_ONLY.on()) {
            const std::uint32_t sid = g_liveParked.back().standId;
            g_liveParked.pop_back();
            const auto live = std::find_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                           [sid](const LiveAcRecord& a) { return a.standId == sid && a.inSim(); });
            if (live != g_liveAircraft.end())
                gf_sendAwayForCount(*live);
        } else {
            break;
        }
    }
}

// Too many live aircraft parked for the count: the longest parked go.
void lf_limitLiveParked(std::int64_t count)
{
    if (param::RT_PARKTRAFFIC_ONLY.on() || param::INITIAL_LOAD_ONLY.on() || count <= 0 || static_cast<std::int64_t>(g_liveParked.size()) <= count)
        return;
    const auto extra = static_cast<std::int64_t>(g_liveParked.size()) - count;
    gf_setStatusMessage(fmt::format("Parking adjustments: {} more live ac than wanted", extra), true);
    gf_removeLiveParked(static_cast<std::size_t>(extra));
    gf_listLiveParked(); // the expiry of this renewal has decided already
    lf_collectLiveParked();
}

void lf_emptyLists()
{
    g_staticRemovals.clear();
    g_staticStayers.clear();
    g_liveParked.clear();
    g_standCandidates.clear();
}

} // namespace

void gf_removeStaticNow(AiAcRecord& parked)
{
    lf_toRemovalList(parked);
    removeAircraftFromSim(parked);
}

void gf_resetParkedTrafficSets()
{
    {
        std::lock_guard lock(g_liveIdentityMutex);
        g_liveCallsigns.clear();
        g_liveHexIds.clear();
    }
    gf_clearTrafficStore();
}

void lf_markReservedStands()
{
    const std::string reserved = gf_reservedStand();
    if (ParkPos* stand = reserved.empty() ? nullptr : gf_findStandByName(reserved))
        stand->reserved = true;
    const std::string here = gf_closestStandName(gf_positionOf(g_userAc.get()));
    if (ParkPos* stand = here.empty() || here == reserved ? nullptr : gf_findStandByName(here))
        stand->reserved = true;
}

void lf_calculateStaticParking()
{
    const WeekSlot slot = lf_weekSlotNow();
    gf_setStatusMessage("Making changes to airport parking parameters is disabled while static parking takes place ...",
                        false);
    lf_emptyLists();
    lf_showAveragesUnknown();
    gf_resetParkedTrafficSets();
    lf_clearStandMarks(false);
    gf_applyParkTrafficOnly();
    const bool ptOnly = param::RT_PARKTRAFFIC_ONLY.on();
    if (gf_takeParkedTraffic())
        lf_findStandsForPT();
    if (!ptOnly) {
        const std::size_t fromPt = g_standCandidates.size();
        gf_logf("{} parking position{} from PT", fromPt, gf_plural(fromPt));
        const std::int64_t wanted = lf_parkCount();
        if (wanted - static_cast<std::int64_t>(fromPt) > 0)
            lf_fitRealThenSoft(slot, wanted, static_cast<std::int64_t>(fromPt));
        lf_sortCandidates(false);
        if (static_cast<std::int64_t>(g_standCandidates.size()) > std::max<std::int64_t>(wanted, 0))
            g_standCandidates.resize(static_cast<std::size_t>(std::max<std::int64_t>(wanted, 0)));
    }
    const std::size_t m = g_standCandidates.size();
    if (m == 0) {
        gf_log("no parking positions found");
        gf_enableControls();
        return;
    }
    if (ptOnly) {
        gf_logf("{} positions from RT parktraffic only\n", m);
    } else {
        const auto achieved = g_stands.empty() ? 0L : std::lround(static_cast<double>(m) * 100.0 / static_cast<double>(g_stands.size()));
        gf_logf("{} positions ({}% vs wanted {}%, with Max fit={} hours)\n", m, achieved,
                param::parking_percentage.value.load(), gf_hoursOfSteps(param::MAX_FIT.value.load()));
    }
    lf_sortCandidates(true);
    gf_disableControls();
}

void gf_parkingAdjustments(bool full)
{
    const WeekSlot slot = lf_weekSlotNow();
    gf_resetParkedTrafficSets();
    gf_disableControls();
    gf_showParking([](ParkingDisplay& d) { d.softParking = false; });
    lf_emptyLists();
    lf_clearStandMarks(true);
    lf_clearReservedStands();
    if (full)
        for (AiAcRecord& parked : g_staticAircraft)
            if (lf_standingStatic(parked, 1))
                gf_removeStaticNow(parked);
    const std::int64_t count = lf_parkCount();
    gf_expireLiveParked();
    lf_collectLiveParked();
    lf_limitLiveParked(count);
    for (const LiveParked& live : g_liveParked)
        lf_takeStand(live.standId);
    const bool ptOnly = param::RT_PARKTRAFFIC_ONLY.on();
    if (gf_takeParkedTraffic()) {
        lf_findStandsForPT();
        lf_checkStaticsAgainstPT(full, slot);
        gf_logf("{} new parking position{} from PT", g_standCandidates.size(), gf_plural(g_standCandidates.size()));
        if (ptOnly) {
            gf_setStatusMessage(fmt::format("ParkTraffic changes: {} to be removed, {} to be added",
                                            g_staticRemovals.size(), g_standCandidates.size()),
                                true);
            lf_sortCandidates(true);
            lf_applyStaticRemovals();
            return;
        }
    } else {
        if (ptOnly) {
            lf_sortCandidates(true);
            return;
        }
        lf_keepPtStatics();
    }
    const auto total = static_cast<std::int64_t>(g_standCandidates.size() + g_liveParked.size() + g_staticStayers.size());
    for (const StaticStayer& stayer : g_staticStayers)
        lf_takeStand(stayer.standId);
    if (count - total > 0)
        lf_fitRealThenSoft(slot, count, total);
    lf_classifyFittedStatics(slot);
    lf_replaceLeavingStayers(slot);
    lf_sortCandidates(false);
    lf_trimToCount(count);
    lf_sortCandidates(true);
    gf_setStatusMessage(fmt::format("Parking adjustments: {} to be removed, {} to be added\n", g_staticRemovals.size(),
                                    g_standCandidates.size()),
                        true);
    lf_applyStaticRemovals();
}

void lf_applyStaticRemovals()
{
    while (!g_staticRemovals.empty()) {
        const StaticRemoval removal = std::move(g_staticRemovals.back());
        g_staticRemovals.pop_back();
        const auto parked = std::find_if(g_staticAircraft.begin(), g_staticAircraft.end(), [&](const AiAcRecord& a) {
            return a.standId == removal.standId && a.head.callsign == removal.callsign &&
                   (a.state == ObjectState::InSim || a.state == ObjectState::RemovalRequested);
        });
        if (parked != g_staticAircraft.end())
            removeAircraftFromSim(*parked);
    }
    if (!g_standCandidates.empty())
        gf_disableControls();
}

std::uint32_t gf_staticParkedStats(bool updateDisplay)
{
    std::uint32_t count = 0;
    std::int64_t halfHours = 0;
    const WeekSlot now = g_nowWeekSlot.load();
    for (const AiAcRecord& parked : g_staticAircraft) {
        if (parked.state != ObjectState::InSim && parked.state != ObjectState::RemovalRequested)
            continue;
        ++count;
        halfHours += gf_slotDistance(parked.weekSlot, now);
    }
    if (updateDisplay && !param::WEEK.on()) {
        const float mean = count == 0 ? 0.0f : static_cast<float>(static_cast<double>(halfHours) / (2.0 * count) + 0.5);
        gf_showStaticAverage(mean);
    }
    return count;
}

void gf_clearParkAirport()
{
    g_standCandidates.clear();
    gf_removeAllStaticAc();
    // Live aircraft on the airport's ground go with its stands: their stand numbers mean nothing at
    // the next airport. Those parked at a stand or taxiing to one go as its stands are forgotten.
    for (LiveAcRecord& live : g_liveAircraft) {
        if (live.phase > MovePhase::TakeoffRoll)
            continue;
        gf_dropStand(live);
        if (live.inSim() || live.state == ObjectState::CreationRequested)
            removeAircraftFromSim(live);
    }
    gf_endParking();
    gf_compactLiveList();
    lf_emptyLists();
    gf_followMaxLive();
}

void gf_clearStaticParkingLists() { lf_emptyLists(); }

} // namespace zyn
