#include "engine/stand_search.h"

#include "aircraft/aircraft_db.h"
#include "airport/park_airport_state.h"
#include "airport/stand_lookup.h"
#include "base/log.h"
#include "base/random_util.h"
#include "engine/identity.h"
#include "engine/live_removals.h"
#include "engine/session_calls.h"
#include "engine/stand_claims.h"
#include "engine/stand_hold.h"
#include "engine/stand_options.h"
#include "livery/livery_index.h"
#include "settings/settings.h"
#include "shown/repaint.h"
#include "sim/user_aircraft.h"
#include "traffic/live_identities.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace zyn {

std::atomic<bool> g_softLearningAllowed{false};
std::vector<StandSlot> g_standSlots;

namespace {

constexpr double kOversizeNm = 0.0009719222462203025;   // 1.8 m
constexpr double kOversizeReachNm = 0.010799136069114472; // 20 m
constexpr double kOptionMatchNm = 0.0458963282937365;    // 85 m
constexpr double kOneMetreNm = 1.0 / 1852.0;
constexpr double kSmallClassStepNm = 0.00755939524838013;  // 14 m
constexpr double kLargeClassStepNm = 0.011339092872570195; // 21 m
constexpr double kClassSplitNm = 0.009611230689557531;     // 17.8 m half span
constexpr double kLearnAroundParkAirportNm = 5.0;
constexpr double kLearnBelowFt = 2500.0;
constexpr std::int32_t kNoClass = 100;
constexpr std::uint32_t kSlotsPerWeek = 7 * kSlotsPerDay;
constexpr std::uint32_t kRelearnAfterSlots = 3;
constexpr std::size_t kSmallAirportStands = 10;

struct SizeCandidate {
    const ParkPos* stand = nullptr;
    std::int32_t sizeClass = 0;
    bool match = false;
};
std::vector<SizeCandidate> g_sizeCandidates; // reused, so that a choice allocates nothing

std::uint32_t lf_weekHalfHour(WeekSlot w) { return (w.day - 1) * kSlotsPerDay + w.slot; }

bool lf_heliAllowed(const ParkPos& stand, const AcRecord& a) { return stand.heli == a.rotorcraft(); }

double lf_classStep(const AcRecord& a) { return a.halfWingspanNm <= kClassSplitNm ? kSmallClassStepNm : kLargeClassStepNm; }

bool lf_inUseAt(const ParkPos& stand, WeekSlot now)
{
    const std::uint64_t bit = std::uint64_t{1} << now.slot;
    return std::any_of(stand.options.begin(), stand.options.end(), [&](const ParkPosOption& o) {
        return o.number != 0 && o.day == static_cast<std::int32_t>(now.day) && (o.halfHours & bit) != 0;
    });
}

bool lf_anyOptionMatches(const ParkPos& stand, const AcRecord& a)
{
    if (a.head.callsign.empty())
        return false;
    return std::any_of(stand.options.begin(), stand.options.end(),
                       [&](const ParkPosOption& o) { return lf_matchOptionRecord(a.head.callsign, a, o); });
}

void lf_collectBySize(const ParkPos& stand, WeekSlot now, double step, const AcRecord& a, std::int32_t& best)
{
    if (a.halfWingspanNm - stand.radius > kOversizeNm)
        return;
    const auto sizeClass = static_cast<std::int32_t>(std::lround((stand.radius - a.halfWingspanNm) / step));
    if (sizeClass > best || lf_inUseAt(stand, now))
        return;
    best = sizeClass;
    g_sizeCandidates.push_back({&stand, sizeClass, lf_anyOptionMatches(stand, a)});
}

void lf_collectAnySize(const ParkPos& stand, WeekSlot now, const AcRecord& a, std::int32_t& best)
{
    const auto sizeClass = static_cast<std::int32_t>(std::lround(std::abs(a.halfWingspanNm - stand.radius)));
    if (sizeClass > best || lf_inUseAt(stand, now))
        return;
    best = sizeClass;
    g_sizeCandidates.push_back({&stand, sizeClass, lf_anyOptionMatches(stand, a)});
}

// One pass over the stands the filter admits: by size, and when none fits, any size.
template <typename Filter> bool lf_collectPass(WeekSlot now, const AcRecord& a, Filter filter, bool bySize)
{
    std::int32_t best = kNoClass;
    for (const auto& stand : g_stands) {
        if (!filter(stand))
            continue;
        if (bySize)
            lf_collectBySize(stand, now, lf_classStep(a), a, best);
        else
            lf_collectAnySize(stand, now, a, best);
    }
    return !g_sizeCandidates.empty();
}

template <typename Filter> bool lf_collectEitherSize(WeekSlot now, const AcRecord& a, Filter filter)
{
    return lf_collectPass(now, a, filter, true) || lf_collectPass(now, a, filter, false);
}

bool lf_collectGateOrRamp(WeekSlot now, bool gate, const AcRecord& a)
{
    return lf_collectEitherSize(now, a, [gate](const ParkPos& s) { return !s.cargo && !s.heli && s.ramp != gate; });
}

void lf_collectCandidates(WeekSlot now, const AcRecord& a)
{
    const auto heli = [](const ParkPos& s) { return s.heli; };
    const auto ramp = [](const ParkPos& s) { return s.ramp && !s.cargo && !s.heli; };
    if (a.rotorcraft()) {
        if (!lf_collectPass(now, a, heli, true) && !lf_collectPass(now, a, ramp, true) &&
            !lf_collectPass(now, a, heli, false))
            lf_collectPass(now, a, ramp, false);
        return;
    }
    const auto category = a.categoryCode();
    const bool privateFlight = a.head.airline == "PVT";
    if (a.cargo) {
        if (!lf_collectEitherSize(now, a, [](const ParkPos& s) { return s.cargo && !s.heli; }))
            lf_collectEitherSize(now, a, [](const ParkPos& s) { return !s.heli; });
    } else if (category >= 2 && category <= 4 && !privateFlight) {
        const bool gate = gf_parkAirport().icao.starts_with('K') || gf_randomInt(0, 99) > 9;
        if (!lf_collectGateOrRamp(now, gate, a))
            lf_collectGateOrRamp(now, !gate, a);
    } else {
        lf_collectEitherSize(now, a, ramp);
    }
}

WeekSlot lf_nextHalfHour(WeekSlot w)
{
    if (++w.slot < kSlotsPerDay)
        return w;
    w.slot = 0;
    w.day = w.day >= 7 ? 1 : w.day + 1;
    return w;
}

} // namespace

bool lf_learnSlotOnce(WeekSlot now, std::uint32_t hexId, bool force)
{
    const auto entry = std::find_if(g_standSlots.begin(), g_standSlots.end(),
                                    [hexId](const StandSlot& s) { return s.hexId == hexId; });
    if (entry == g_standSlots.end()) {
        g_standSlots.push_back({hexId, now});
        return true;
    }
    // Compared over the week: Monday's learning does not hold back Tuesday's.
    const std::uint32_t since = (lf_weekHalfHour(now) + kSlotsPerWeek - lf_weekHalfHour(entry->when)) % kSlotsPerWeek;
    if (!force && since < kRelearnAfterSlots)
        return false;
    entry->when = now;
    return true;
}

void gf_setStandSlot(std::uint32_t hexId, WeekSlot now)
{
    const auto entry = std::find_if(g_standSlots.begin(), g_standSlots.end(),
                                    [hexId](const StandSlot& s) { return s.hexId == hexId; });
    if (entry == g_standSlots.end())
        g_standSlots.push_back({hexId, now});
    else
        entry->when = now;
}

void gf_removeStandSlot(std::uint32_t hexId)
{
    const auto entry = std::find_if(g_standSlots.begin(), g_standSlots.end(),
                                    [hexId](const StandSlot& s) { return s.hexId == hexId; });
    if (entry == g_standSlots.end())
        return;
    *entry = g_standSlots.back();
    g_standSlots.pop_back();
}

void gf_clearStandClaims()
{
    g_standSlots.clear();
    gf_forgetAllSentAway(); // where they stood means nothing at the next stands
    gf_forgetParkAttempt();
    gf_forgetStandHolds();
    gf_removeAllStaticAc(); // as the live ones: a static must not stand where the next stands let another park
    for (auto& a : g_staticAircraft)
        a.standId = 0;
}

ParkPos* gf_findStandByName(std::string_view name)
{
    const auto it = std::find_if(g_stands.begin(), g_stands.end(), [name](const ParkPos& s) { return s.id == name; });
    return it == g_stands.end() ? nullptr : &*it;
}

std::string gf_standNameById(std::uint32_t sid)
{
    if (sid == 0)
        return "sid==0?";
    const ParkPos* stand = gf_standBySid(sid);
    return stand ? stand->id : std::string("unknown");
}

void gf_markListedStands(ParkPos& stand)
{
    stand.taken = true;
    for (const std::uint32_t sid : stand.adjacent)
        if (ParkPos* neighbour = gf_standBySid(sid))
            neighbour->neighbourTaken = true;
}

ParkPos* gf_standFits(LatLon position, const AcRecord& a, double maxDistNm, bool allowOptionMatch)
{
    ParkPos* best = nullptr;
    double bestNm = maxDistNm;
    ParkPos* optionMatch = nullptr;
    double optionMatchNm = kOptionMatchNm;
    bool oversized = false;
    // A cheap box around the position first: only stands inside it are measured.
    const double reachNm = std::max(maxDistNm, allowOptionMatch ? kOptionMatchNm : 0.0);
    const double reachLatDeg = reachNm / kNmPerDegreeOfLatitude;
    const double reachLonDeg = gf_longitudeReachDeg(reachNm, std::abs(position.lat) + reachLatDeg);
    for (auto& stand : g_stands) {
        // Filtered first: a helicopter beside a gate still finds its helipad.
        if (!lf_heliAllowed(stand, a))
            continue;
        const double dLon = std::abs(stand.longitude - position.lon);
        if (std::abs(stand.latitude - position.lat) > reachLatDeg || std::min(dLon, 360.0 - dLon) > reachLonDeg ||
            !gf_standOpen(stand))
            continue;
        const double d = gf_distanceNm(position, {stand.latitude, stand.longitude});
        const bool tooBig = a.halfWingspanNm - stand.radius > kOversizeNm;
        if (d <= bestNm) {
            allowOptionMatch = false;
            if (tooBig && d > kOversizeReachNm)
                continue;
            best = &stand;
            bestNm = d;
            oversized = tooBig;
        } else if (allowOptionMatch && d <= optionMatchNm && !tooBig && !a.head.callsign.empty() &&
                   lf_anyOptionMatches(stand, a)) {
            optionMatch = &stand;
            optionMatchNm = d;
        }
    }
    if (!best)
        return optionMatch;
    if (oversized) {
        best->radius = a.halfWingspanNm - kOneMetreNm;
        best->radiusChanged = true;
        gf_countStandUpdate();
    }
    return best;
}

ParkPos* lf_pickStandBySize(WeekSlot now, const AcRecord& a, bool retryLater)
{
    const std::uint32_t tries = retryLater && g_stands.size() <= kSmallAirportStands ? kSlotsPerWeek : 1;
    for (std::uint32_t attempt = 0; attempt < tries; ++attempt, now = lf_nextHalfHour(now)) {
        g_sizeCandidates.clear();
        lf_collectCandidates(now, a);
        if (g_sizeCandidates.empty())
            continue;
        std::shuffle(g_sizeCandidates.begin(), g_sizeCandidates.end(), gf_randomEngine());
        std::stable_sort(g_sizeCandidates.begin(), g_sizeCandidates.end(), [](const SizeCandidate& x, const SizeCandidate& y) {
            return x.match != y.match ? x.match : x.sizeClass < y.sizeClass;
        });
        return const_cast<ParkPos*>(g_sizeCandidates.front().stand);
    }
    return nullptr;
}

void lf_chooseStandForLiveAc(LiveAcRecord& a, bool anyHeight)
{
    const AirportRecord park = gf_parkAirport();
    if (!param::LEARN_SOFT.on() || !g_softLearningAllowed.load() || park.icao.empty() || g_stands.empty() ||
        a.standId != 0 || (!anyHeight && a.heightAboveGroundFt >= kLearnBelowFt) ||
        gf_distanceNm({park.lat, park.lon}, {a.block.lat, a.block.lon}) > kLearnAroundParkAirportNm)
        return;
    const WeekSlot now = g_nowWeekSlot.load();
    for (auto& stand : g_stands) {
        const auto seen = stand.softSeen.find(a.hexId);
        if (seen == stand.softSeen.end())
            continue;
        const bool otherTime = seen->second.day != static_cast<std::int32_t>(now.day) ||
                               seen->second.slot != static_cast<std::int32_t>(now.slot);
        if (otherTime && lf_addSoftParkPosOption(stand.sid, a, true, now, false))
            gf_setStandSlot(a.hexId, now);
        return;
    }
    if (!lf_learnSlotOnce(now, a.hexId, false) ||
        lf_standUsedNearSlot(g_stands.begin(), g_stands.end(), a, now) != g_stands.end())
        return;
    if (ParkPos* stand = lf_pickStandBySize(now, a, true); stand && !lf_addSoftParkPosOption(stand->sid, a, false, now, false))
        gf_removeStandSlot(a.hexId);
}

std::string gf_userStand()
{
    if (g_userOnGround.load() == 0)
        return {};
    return gf_closestStandName(gf_positionOf(g_userAc.get()));
}

} // namespace zyn

namespace zyn {

void lf_searchForCoupledCsAroundThisTime(WeekSlot now, LiveAcRecord& a)
{
    try {
        const std::int32_t span = a.category == AcCategory::Heavy ? 14 : 10;
        const std::int32_t from = std::max(0, static_cast<std::int32_t>(now.slot) - span);
        const std::int32_t to = std::min(47, static_cast<std::int32_t>(now.slot) + span);
        if (now.slot >= kSlotsPerDay)
            throw std::out_of_range("invalid bitset position");
        const std::uint64_t mask = ((std::uint64_t{1} << (to + 1)) - 1) & ~((std::uint64_t{1} << from) - 1);
        std::string_view name = a.head.callsign;
        if (!name.empty() && name.back() == '_')
            name.remove_suffix(1);
        for (const auto& stand : g_stands) {
            for (const auto& o : stand.options) {
                if (o.number != 0 && o.day == static_cast<std::int32_t>(now.day) && (o.halfHours & mask) != 0 &&
                    o.airline == a.head.airline && !o.callsign2.empty() && (o.callsign == name || o.callsign2 == name)) {
                    a.head.text1 = o.callsign;
                    a.head.text2 = o.callsign2;
                    return;
                }
            }
        }
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "lf_searchForCoupledCsAroundThisTime", e.what());
    }
}

} // namespace zyn

namespace zyn {

namespace {

// A static carries the option's callsign with the "*" statics get appended.
bool lf_starredName(std::string_view name, std::string_view callsign)
{
    return !callsign.empty() && name.size() == callsign.size() + 1 && name.starts_with(callsign) && name.back() == '*';
}

bool lf_staticCalled(const AiAcRecord& s, const ParkPosOption& o)
{
    return lf_starredName(s.head.callsign, o.callsign) || lf_starredName(s.head.callsign, o.callsign2);
}

bool lf_optionIsLive(const ParkPosOption& o)
{
    return gf_callsignIsLive(o.callsign.str()) || gf_callsignIsLive(o.callsign2.str());
}

// Who is parked, chosen or crowding, as the static search asks of every option: built once per fit
// (nothing moves while one runs) and grown by what the fit finds.
struct SearchIndex {
    // callsigns that already have a stand or are parked
    std::unordered_set<std::string, TextHash, std::equal_to<>> names;
    std::unordered_set<std::string, TextHash, std::equal_to<>> registrations;
    std::unordered_multimap<std::uint32_t, const AiAcRecord*> staticsByStand;
    // Per kind and day (0: the whole week), each stand's half hours of use: most stands have no
    // option at a given half hour and are passed over at once.
    std::map<std::pair<bool, std::uint32_t>, std::vector<std::uint64_t>> slotsByStand;

    const std::vector<std::uint64_t>& slotsOf(bool real, std::uint32_t day)
    {
        auto [it, added] = slotsByStand.try_emplace({real, day});
        if (added) {
            it->second.reserve(g_stands.size());
            for (const ParkPos& stand : g_stands) {
                std::uint64_t used = 0;
                for (const ParkPosOption& o : stand.options)
                    if (o.number != 0 && o.real == (real ? 1u : 0u) && (day == 0 || o.day == static_cast<std::int32_t>(day)))
                        used |= o.halfHours;
                it->second.push_back(used);
            }
        }
        return it->second;
    }

    void addName(const std::string& name)
    {
        if (!name.empty())
            names.insert(name);
    }
    void addChosen(const StandCandidate& c)
    {
        addName(c.callsign);
        if (!c.registration.empty())
            registrations.insert(c.registration);
    }
    bool named(std::string_view name) const { return !name.empty() && names.contains(name); }
};

SearchIndex lf_buildSearchIndex()
{
    SearchIndex index;
    for (const StandCandidate& c : g_standCandidates)
        index.addChosen(c);
    for (const LiveAcRecord& a : g_liveAircraft)
        if (a.inSim() && a.phase == MovePhase::Parked)
            index.addName(a.head.callsign);
    for (const AiAcRecord& s : g_staticAircraft) {
        index.addName(s.head.text1);
        if (!s.head.registration.empty())
            index.registrations.insert(s.head.registration);
        // A static from parked traffic carries the option's callsign with its "*".
        if (s.feedKind == 0 && s.inSim() && s.head.callsign.ends_with('*'))
            index.addName(s.head.callsign.substr(0, s.head.callsign.size() - 1));
        if (s.standId != 0)
            index.staticsByStand.emplace(s.standId, &s);
    }
    return index;
}

std::optional<SearchIndex> g_heldIndex;

// The aircraft is elsewhere or already has a stand. The option itself stays valid: it is a
// learned use that still belongs in the airport's learned file.
bool lf_optionTaken(const ParkPosOption& o, const SearchIndex& index)
{
    return index.named(o.callsign) || index.named(o.callsign2) ||
           (!o.registration.empty() && index.registrations.contains(o.registration.view())) || lf_optionIsLive(o);
}

// A static on an overlapping stand leaves no room for the option's type.
bool lf_crowdedByStatic(const ParkPos& stand, const ParkPosOption& o, const SearchIndex& index)
{
    const double half = gf_wingspan(o.type);
    for (const std::uint32_t sid : stand.adjacent) {
        const auto [first, last] = index.staticsByStand.equal_range(sid);
        for (auto it = first; it != last; ++it) {
            const AiAcRecord& s = *it->second;
            if (s.inSim() &&
                gf_distanceNm({s.initLat, s.initLon}, {stand.latitude, stand.longitude}) < s.halfWingspanNm + half)
                return true;
        }
    }
    return false;
}

bool lf_optionAt(const ParkPosOption& o, bool real, std::uint32_t day, std::uint32_t slot)
{
    return o.number != 0 && o.real == (real ? 1u : 0u) && (param::WEEK.on() || o.day == static_cast<std::int32_t>(day)) &&
           (o.halfHours & (std::uint64_t{1} << slot)) != 0;
}

// Indexes of the stand's options usable at the slot; the one a static standing here answers to first.
void lf_collectOptions(const ParkPos& stand, WeekSlot slot, bool real, const SearchIndex& index,
                       std::vector<std::size_t>& out)
{
    out.clear();
    if ((stand.heli && !param::HELICOPTERS.on()) || stand.neighbourTaken)
        return;
    for (std::size_t i = 0; i < stand.options.size(); ++i) {
        const ParkPosOption& o = stand.options[i];
        if (lf_optionAt(o, real, slot.day, slot.slot) && !lf_crowdedByStatic(stand, o, index))
            out.push_back(i);
    }
    if (out.size() < 2)
        return;
    const auto [first, last] = index.staticsByStand.equal_range(stand.sid);
    const auto standing = std::find_if(out.begin(), out.end(), [&](std::size_t i) {
        const ParkPosOption& o = stand.options[i];
        return std::any_of(first, last, [&](const auto& entry) {
            const AiAcRecord& s = *entry.second;
            return s.feedKind == 1 && lf_staticCalled(s, o) && gf_sameKeyPair(s, o);
        });
    });
    if (standing != out.end())
        std::iter_swap(out.begin(), standing);
    else
        std::shuffle(out.begin(), out.end(), gf_randomEngine());
}

} // namespace

std::uint8_t gf_staysNextHalfHour(const ParkPos& stand, const ParkPosOption& o, WeekSlot slot)
{
    return o.callsign2.empty() ? 1 : gf_optionHoldsNextHalfHour(stand, o, slot);
}

std::uint8_t gf_optionHoldsNextHalfHour(const ParkPos& stand, const ParkPosOption& o, WeekSlot slot)
{
    if (slot.slot + 1 < kSlotsPerDay)
        return (o.halfHours >> (slot.slot + 1)) & 1u;
    const std::int32_t nextDay = slot.day >= 7 ? 1 : static_cast<std::int32_t>(slot.day) + 1;
    return std::any_of(stand.options.begin(), stand.options.end(), [&](const ParkPosOption& n) {
        return n.number != 0 && n.day == nextDay && gf_sameKeyPair(n, o) && (n.halfHours & 1u) != 0;
    }) ? 1 : 0;
}

void gf_beginStandSearch() { g_heldIndex = lf_buildSearchIndex(); }
void gf_endStandSearch() { g_heldIndex.reset(); }

void lf_searchStands(WeekSlot slot, bool real, std::int32_t span, std::vector<StandCandidate>& found)
{
    try {
        if (slot.slot >= kSlotsPerDay)
            throw std::out_of_range("invalid bitset position");
        std::optional<SearchIndex> own;
        if (!g_heldIndex) {
            own = lf_buildSearchIndex();
            for (const StandCandidate& c : found)
                own->addChosen(c);
        }
        SearchIndex& index = g_heldIndex ? *g_heldIndex : *own;
        std::vector<std::size_t> collected;
        const auto& used = index.slotsOf(real, param::WEEK.on() ? 0 : slot.day);
        const std::uint64_t bit = std::uint64_t{1} << slot.slot;
        for (std::size_t i = 0; i < g_stands.size(); ++i) {
            ParkPos& stand = g_stands[i];
            if (stand.taken || stand.reserved || (used[i] & bit) == 0)
                continue;
            lf_collectOptions(stand, slot, real, index, collected);
            if (collected.empty())
                continue;
            const ParkPosOption& o = stand.options[collected.front()];
            if (lf_optionTaken(o, index))
                continue;
            found.push_back({0, 1, stand.sid, span, o.airline.str(), o.type.str(), o.callsign.str(), o.callsign2.str(),
                             o.registration.str(), gf_staysNextHalfHour(stand, o, slot)});
            index.addChosen(found.back());
            gf_markListedStands(stand);
        }
    } catch (const std::exception& e) {
        gf_logErrorf("{} [{},{}]: {}", "lf_searchStands", slot.day, slot.slot, e.what());
    }
}

} // namespace zyn
