#include "engine/identity.h"

#include "airport/park_airport_state.h"
#include "airport/park_pos.h"
#include "base/geo.h"
#include "base/log.h"
#include "base/tick.h"
#include "base/time_util.h"
#include "engine/motion_inputs.h"
#include "engine/motion_math.h"
#include "engine/parking_queries.h"
#include "engine/removal.h"
#include "engine/spawn.h"
#include "settings/settings.h"
#include "shown/repaint.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace zyn {

std::atomic<std::int32_t> g_maxLive{0};
std::vector<LiveParkedEntry> g_liveParkedDisplay;
std::atomic<double> g_liveParkedMeanHours{0.0};

namespace {

struct SentAway {
    std::uint32_t hexId = 0;
    LatLon stood;
};
std::vector<SentAway> g_sentAway;

constexpr std::int32_t kEngineTicksPerMinute = 6000;
constexpr std::int64_t kParkedMinutes = 90;
constexpr std::int64_t kHeavyParkedMinutes = 180;

bool lf_liveParked(const LiveAcRecord& a) { return a.inSim() && a.phase == MovePhase::Parked; }

// Parked as the parking count sees it: at a stand in the simulator, or created there and on its way.
bool lf_countedParked(const LiveAcRecord& a)
{
    return a.phase == MovePhase::Parked && !a.gone && !a.removeWhenCreated &&
           (a.inSim() || a.state == ObjectState::CreationRequested);
}

std::int64_t lf_silentMinutes(const LiveAcRecord& a) { return gf_silentTicks(a) / kEngineTicksPerMinute; }

// The live parked aircraft the count weighs, longest parked first. Of those parked the same whole
// minutes the one that parked first by the clock goes first, never a newcomer by its place in the list.
std::vector<LiveAcRecord*> lf_liveParkedByTime()
{
    std::vector<LiveAcRecord*> list;
    for (LiveAcRecord& a : g_liveAircraft)
        if (lf_countedParked(a))
            list.push_back(&a);
    std::stable_sort(list.begin(), list.end(),
                     [](const LiveAcRecord* x, const LiveAcRecord* y) { return x->parkedSince < y->parkedSince; });
    return list;
}

std::vector<SentAway>::iterator lf_findSentAway(std::uint32_t hexId)
{
    return std::find_if(g_sentAway.begin(), g_sentAway.end(), [hexId](const SentAway& s) { return s.hexId == hexId; });
}

const char* lf_stateWord(bool onGround) { return onGround ? "on ground" : "airborne"; }

bool lf_coupledCallsign(const IdentityContext& ctx, const AiAcRecord& parked)
{
    const AcHead& n = ctx.live->head;
    const AcHead& p = parked.head;
    const auto oneOf = [&p](const std::string& t) { return !t.empty() && (t == p.text1 || t == p.text2); };
    const bool ghost = !n.callsign.empty() && n.callsign.back() == '_';
    return oneOf(n.callsign) || oneOf(n.text2) || (ghost && oneOf(ctx.callsignBase));
}

} // namespace

void gf_queueIdentityCheck(std::uint32_t hexId)
{
    auto& ids = g_identityCheckIds;
    if (std::find(ids.begin(), ids.end(), hexId) != ids.end())
        return;
    if (ids.size() >= kMostIdentityChecks)
        ids.erase(ids.begin());
    ids.push_back(hexId);
}

std::string gf_standNameOf(const AiAcRecord& a)
{
    const ParkPos* stand = gf_standBySid(a.standId);
    return stand ? stand->id : std::string();
}

IdentityContext gf_identityContext(const LiveAcRecord& live)
{
    const std::string& c = live.head.callsign;
    return {&live, c.empty() ? std::string() : c.substr(0, c.size() - 1), live.onGround != 0};
}

bool gf_checkSameIdentity(const IdentityContext& ctx, const AiAcRecord& parked)
{
    if (!parked.inSim() || ctx.live == nullptr)
        return false;
    const AcRecord& n = *ctx.live;
    const bool log = param::LOG.on();
    const char* state = lf_stateWord(ctx.onGround);
    if (parked.feedKind == 0 && parked.parkedHexId == n.hexId) {
        if (log)
            gf_logf("{:8}: {:8} removed, new {} {} has same hexid", gf_standNameOf(parked), parked.head.callsign,
                    state, n.head.callsign);
        return true;
    }
    if (!n.head.registration.empty() && n.head.registration == parked.head.registration) {
        if (log)
            gf_logf("{:8}: {:8} {} removed, new {} {} has same regcode {}", gf_standNameOf(parked),
                    parked.head.callsign, parked.head.registration, state, n.head.callsign, n.head.registration);
        return true;
    }
    if (!lf_coupledCallsign(ctx, parked))
        return false;
    if (log)
        gf_logf("{:8}: {:8} \"{} {}\" removed, new {} {} \"{} {}\" has {} callsign", gf_standNameOf(parked),
                parked.head.callsign, parked.head.text1, parked.head.text2, state, n.head.callsign, n.head.text1,
                n.head.text2, n.head.callsign == parked.head.text1 ? "same" : "coupled");
    return true;
}

bool gf_countsAgainstMaxLive(const LiveAcRecord& a)
{
    // One being respawned keeps its room: a newcomer taking it would leave none for its new object.
    return !a.gone && (a.inSim() || (a.state == ObjectState::CreationRequested && !a.removeWhenCreated) ||
                       gf_beingRespawned(a));
}

void gf_enforceMaxLive()
{
    const std::int32_t most = param::MAX_LIVE.value.load();
    if (most < 0)
        return;
    std::vector<std::pair<double, LiveAcRecord*>> counted;
    for (LiveAcRecord& a : g_liveAircraft)
        if (gf_countsAgainstMaxLive(a))
            counted.emplace_back(gf_distanceNm(g_motionInputs.user, gf_positionOf(a.block)), &a);
    if (counted.size() <= static_cast<std::size_t>(most))
        return;
    const std::size_t excess = counted.size() - static_cast<std::size_t>(most);
    std::partial_sort(counted.begin(), counted.begin() + static_cast<std::ptrdiff_t>(excess), counted.end(),
                      [](const auto& x, const auto& y) { return x.first > y.first; });
    for (std::size_t i = 0; i < excess; ++i)
        removeAircraftFromSim(*counted[i].second);
}

void gf_followMaxLive()
{
    const std::int32_t now = param::MAX_LIVE.value.load();
    if (g_maxLive.exchange(now) != now)
        gf_enforceMaxLive();
}

std::int32_t gf_silentTicks(const LiveAcRecord& a) { return std::max(0, g_tick.load() - a.lastReportTick); }

void gf_expireLiveParked()
{
    if (!param::INITIAL_LOAD_ONLY.on()) {
        for (LiveAcRecord& a : g_liveAircraft) {
            const std::int64_t limit = a.category == AcCategory::Heavy ? kHeavyParkedMinutes : kParkedMinutes;
            if (!lf_liveParked(a) || lf_silentMinutes(a) <= limit)
                continue;
            if (param::LOG.on())
                gf_logf("{:8}: {:8} silent {} minutes, removed", gf_standNameOf(a), a.head.callsign,
                        lf_silentMinutes(a));
            removeAircraftFromSim(a);
        }
    }
    gf_listLiveParked();
}

void gf_listLiveParked()
{
    g_liveParkedDisplay.clear();
    for (const LiveAcRecord& a : g_liveAircraft)
        if (lf_liveParked(a))
            g_liveParkedDisplay.push_back({a.hexId, lf_silentMinutes(a)});
    std::stable_sort(g_liveParkedDisplay.begin(), g_liveParkedDisplay.end(),
                     [](const auto& x, const auto& y) { return x.minutes > y.minutes; });
}

void gf_removeLiveParked(std::size_t count)
{
    const auto list = lf_liveParkedByTime();
    for (std::size_t i = 0; i < std::min(count, list.size()); ++i) {
        LiveAcRecord& a = *list[i];
        gf_logf("live parked {} at {} removed", gf_acDescription(a), gf_standNameOf(a));
        gf_sendAwayForCount(a);
    }
}

void gf_sendAwayForCount(LiveAcRecord& a)
{
    const LatLon stood = a.initLat != 0.0 || a.initLon != 0.0 ? LatLon{a.initLat, a.initLon} : gf_positionOf(a.block);
    if (const auto known = lf_findSentAway(a.hexId); known != g_sentAway.end()) {
        known->stood = stood;
    } else {
        if (g_sentAway.size() >= kMostRemembered)
            g_sentAway.erase(g_sentAway.begin());
        g_sentAway.push_back({a.hexId, stood});
    }
    removeAircraftFromSim(a);
}

bool gf_sentAwayStillThere(std::uint32_t hexId, LatLon reported, double reachNm)
{
    const auto known = lf_findSentAway(hexId);
    if (known == g_sentAway.end())
        return false;
    if (gf_distanceNm(known->stood, reported) <= reachNm)
        return true;
    g_sentAway.erase(known);
    return false;
}

void gf_forgetSentAway(std::uint32_t hexId)
{
    if (const auto known = lf_findSentAway(hexId); known != g_sentAway.end())
        g_sentAway.erase(known);
}

void gf_forgetAllSentAway() { g_sentAway.clear(); }

bool gf_parkingCountReached()
{
    const std::int64_t most = gf_parkingCount();
    if (most < 1 || param::RT_PARKTRAFFIC_ONLY.on())
        return false;
    const auto live = std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(), lf_countedParked);
    return live + static_cast<std::int64_t>(gf_parkedByStaticOrder().size()) >= most;
}

void lf_checkMaxPark(const LiveAcRecord& parking)
{
    try {
        if (param::RT_PARKTRAFFIC_ONLY.on())
            return;
        const auto live = lf_liveParkedByTime();
        gf_liveParkedStats(true);
        gf_showStaticParkedStats();
        // Those being created at their stands count too: many stand at once as a session starts.
        const auto liveCount = static_cast<std::int64_t>(live.size());
        // An aircraft already standing among the live parked ones is not counted a second time, and is
        // never the one sent away for its own arrival.
        const auto isParking = [&parking](const LiveAcRecord* e) { return e->hexId == parking.hexId; };
        const bool counted = std::any_of(live.begin(), live.end(), isParking);
        const std::int64_t extra = counted ? 0 : 1;
        const std::int64_t most = gf_parkingCount();
        if (most < 1)
            return; // no parking count yet: nothing to keep within
        const auto longest = std::find_if_not(live.begin(), live.end(), isParking);
        if (!param::INITIAL_LOAD_ONLY.on() && liveCount + extra > most && longest != live.end()) {
            LiveAcRecord& away = **longest;
            gf_logf("{:}: {:8} max park exceeded, removed", gf_standNameOf(away), away.head.callsign);
            gf_sendAwayForCount(away);
        }
        auto statics = gf_parkedByStaticOrder();
        if (statics.empty())
            return;
        // One still being created gives way as well: it would stand beyond the count a moment later.
        if (static_cast<std::int64_t>(statics.size()) + liveCount + extra > most)
            removeAircraftFromSim(*statics.back());
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "lf_checkMaxPark", e.what());
        throw;
    }
}

void gf_removeAcAtStand()
{
    const std::string reserved = gf_reservedStand();
    if (reserved.empty())
        return;
    auto stand = std::find_if(g_stands.begin(), g_stands.end(), [&](const ParkPos& p) { return p.id == reserved; });
    // Without the stand nothing is removed: sid 0 would match every aircraft without a stand.
    if (stand == g_stands.end() || stand->sid == 0)
        return;
    const std::uint32_t sid = stand->sid;
    for (AiAcRecord& a : g_staticAircraft) {
        if (a.inSim() && a.standId == sid) {
            removeAircraftFromSim(a);
            return;
        }
    }
    for (LiveAcRecord& a : g_liveAircraft) {
        if (lf_liveParked(a) && a.standId == sid) {
            removeAircraftFromSim(a);
            return;
        }
    }
}

std::uint32_t gf_liveParkedStats(bool show)
{
    std::uint32_t count = 0;
    double halfHours = 0.0;
    const WeekSlot now = g_nowWeekSlot.load();
    for (const LiveAcRecord& a : g_liveAircraft) {
        if (!lf_liveParked(a))
            continue;
        ++count;
        halfHours += gf_slotDistance(a.weekSlot, now);
    }
    if (show) {
        const double mean = count == 0 ? 0.0 : halfHours / (2.0 * count) + 0.5;
        if (g_liveParkedMeanHours.exchange(mean) != mean)
            gf_repaintBand(Band::Statistics);
    }
    return count;
}

} // namespace zyn
