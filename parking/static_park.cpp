// Parking one static aircraft at a time, and the collision checks of the per-second work: an AI
// aircraft in the user aircraft's path, a static that a taxiing live aircraft runs into.
#include "parking/static_park.h"

#include "aircraft/aircraft_db.h"
#include "airport/park_pos.h"
#include "base/geo.h"
#include "base/log.h"
#include "base/tick.h"
#include "base/time_util.h"
#include "base/units.h"
#include "engine/identity.h"
#include "engine/parking_queries.h"
#include "engine/queues.h"
#include "engine/records.h"
#include "engine/removal.h"
#include "engine/stand_search.h"
#include "livery/matching.h"
#include "parking/parking_fit.h"
#include "parking/session_calls.h"
#include "parking/static_conflicts.h"
#include "parking/static_parking.h"
#include "settings/settings.h"
#include "sim/user_aircraft.h"
#include "sim/user_ident.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

namespace zyn {

namespace {

constexpr std::int32_t kStaticSlotsPerWeek = 7 * static_cast<std::int32_t>(kSlotsPerDay);
constexpr double kStaticCellNm = 0.05;       // about 90 m: a pair of wide-bodies reaches across one cell
constexpr double kStaticReachMargin = 1.2;   // the wings' 10 % and the flat cells' error near the airport
constexpr double kLowestEastScale = 0.01;    // keeps the cells finite near the poles

std::uint32_t g_staticNumber = 0; // running number of made-up callsigns, 0..9999

// Statics by cell of a flat grid around the first of them, so that a taxiing aircraft is measured
// only against the statics near it. The records do not move within one tick (their states change,
// which the query reads from the list), so the cells are rebuilt at a new tick or when the list
// itself has changed.
struct StaticCells {
    std::int32_t tick = -1;
    std::size_t size = 0;
    const AiAcRecord* data = nullptr;
    LatLon origin;
    double eastScale = 1.0;
    double widestHalfSpanNm = 0.0;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> cells; // cell key, index in the static list; sorted
};
StaticCells g_staticCells;

struct CellSpot {
    double east = 0.0;  // NM from the grid's origin
    double north = 0.0;
};

bool lf_onTheGlobe(LatLon p) { return std::fabs(p.lat) <= 90.0 && std::fabs(p.lon) <= 360.0; } // false for NaN

CellSpot lf_cellSpot(const StaticCells& grid, LatLon p)
{
    // Longitudes are taken relative to the origin, so that an airport on the date line stays whole.
    return {std::remainder(p.lon - grid.origin.lon, 360.0) * 60.0 * grid.eastScale, (p.lat - grid.origin.lat) * 60.0};
}

std::int64_t lf_cellNumber(double nm) { return static_cast<std::int64_t>(std::floor(nm / kStaticCellNm)); }

std::uint64_t lf_cellKey(std::int64_t east, std::int64_t north)
{
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(east)) << 32) | static_cast<std::uint32_t>(north);
}

void lf_rebuildStaticCells()
{
    StaticCells& grid = g_staticCells;
    grid.tick = g_tick.load();
    grid.size = g_staticAircraft.size();
    grid.data = g_staticAircraft.data();
    grid.cells.clear();
    grid.widestHalfSpanNm = 0.0;
    for (std::size_t i = 0; i < g_staticAircraft.size(); ++i) {
        const AiAcRecord& s = g_staticAircraft[i];
        const LatLon at{s.initLat, s.initLon};
        if (!lf_onTheGlobe(at))
            continue;
        if (grid.cells.empty()) {
            grid.origin = at;
            grid.eastScale = std::max(std::cos(at.lat * kDegToRad), kLowestEastScale);
        }
        grid.widestHalfSpanNm = std::max(grid.widestHalfSpanNm, s.halfWingspanNm); // a NaN span is passed over
        const CellSpot spot = lf_cellSpot(grid, at);
        grid.cells.emplace_back(lf_cellKey(lf_cellNumber(spot.east), lf_cellNumber(spot.north)),
                                static_cast<std::uint32_t>(i));
    }
    std::sort(grid.cells.begin(), grid.cells.end());
}

void lf_refreshStaticCells()
{
    const StaticCells& grid = g_staticCells;
    if (grid.tick != g_tick.load() || grid.size != g_staticAircraft.size() || grid.data != g_staticAircraft.data())
        lf_rebuildStaticCells();
}

// The first static in the simulator (lowest index) whose wings touch those of the aircraft at.
std::optional<std::size_t> lf_firstTouchingStatic(const AcRecord& aircraft, LatLon at)
{
    if (!lf_onTheGlobe(at))
        return std::nullopt;
    lf_refreshStaticCells();
    const StaticCells& grid = g_staticCells;
    const double reachNm = (aircraft.halfWingspanNm + grid.widestHalfSpanNm) * kStaticReachMargin;
    if (grid.cells.empty() || !(reachNm >= 0.0 && reachNm < 60.0))
        return std::nullopt;
    std::size_t first = std::numeric_limits<std::size_t>::max();
    const auto consider = [&](std::uint32_t i) {
        const AiAcRecord& s = g_staticAircraft[i];
        if (i < first && s.inSim() &&
            gf_wingsTouch(aircraft.halfWingspanNm, s.halfWingspanNm, gf_distanceNm(at, {s.initLat, s.initLon})))
            first = i;
    };
    const CellSpot spot = lf_cellSpot(grid, at);
    const std::int64_t east0 = lf_cellNumber(spot.east - reachNm), east1 = lf_cellNumber(spot.east + reachNm);
    const std::int64_t north0 = lf_cellNumber(spot.north - reachNm), north1 = lf_cellNumber(spot.north + reachNm);
    if ((east1 - east0 + 1) * (north1 - north0 + 1) > static_cast<std::int64_t>(grid.cells.size())) {
        for (const auto& cell : grid.cells) // fewer statics than cells to look into
            consider(cell.second);
    } else {
        for (std::int64_t e = east0; e <= east1; ++e)
            for (std::int64_t n = north0; n <= north1; ++n) {
                const std::uint64_t key = lf_cellKey(e, n);
                auto it = std::lower_bound(grid.cells.begin(), grid.cells.end(), std::pair{key, std::uint32_t{0}});
                for (; it != grid.cells.end() && it->first == key; ++it)
                    consider(it->second);
            }
    }
    if (first == std::numeric_limits<std::size_t>::max())
        return std::nullopt;
    return first;
}

// An aircraft on the stand, or on one that overlaps it; one already leaving does not count.
bool lf_onOrBesideStand(const AiAcRecord& a, std::uint32_t standId, const ParkPos* stand)
{
    if (a.gone || a.erase || a.state == ObjectState::RemovalRequested || a.standId == 0)
        return false;
    return a.standId == standId ||
           (stand && std::find(stand->adjacent.begin(), stand->adjacent.end(), a.standId) != stand->adjacent.end());
}

// Steps 3 and 4 of parking a static: a live aircraft taxiing to or parked at the stand or beside
// it, else any static there, refuses the candidate.
bool lf_standRefused(const StandCandidate& c, const ParkPos* stand)
{
    for (const LiveAcRecord& live : g_liveAircraft) {
        if ((live.phase != MovePhase::TaxiToStand && live.phase != MovePhase::Parked) ||
            !lf_onOrBesideStand(live, c.standId, stand))
            continue;
        if (param::LOG.on() && live.standId == c.standId)
            gf_logf("{:8}: no static parking for {}, live aircraft {} standing here", gf_standNameById(c.standId),
                    c.callsign, live.head.callsign);
        else if (param::LOG.on())
            gf_logf("{:8}: no static parking for {}, live aircraft {} is adjacent at {}, possibly colliding",
                    gf_standNameById(c.standId), c.callsign, live.head.callsign, gf_standNameById(live.standId));
        return true;
    }
    for (const AiAcRecord& parked : g_staticAircraft) {
        if (!lf_onOrBesideStand(parked, c.standId, stand))
            continue;
        if (param::LOG.on())
            gf_logf("{:8}: no static parking for {}, static aircraft {} is adjacent at {}, possibly colliding",
                    gf_standNameById(c.standId), c.callsign, parked.head.callsign, gf_standNameById(parked.standId));
        return true;
    }
    return false;
}

// The user's aircraft holds its stand: the one reserved for it, the one it stands at, and any other
// its wings reach on the ground. A candidate there waited since before the user arrived.
bool lf_userHoldsStand(const StandCandidate& c, const ParkPos& stand)
{
    bool held = stand.reserved;
    if (!held && g_userOnGround.load() != 0) {
        const LatLon user = gf_positionOf(g_userAc.get());
        held = stand.id == gf_userStand() || gf_wingsTouch(gf_userHalfWingspan().value_or(0.0), gf_wingspan(c.type),
                                                            gf_distanceNm(user, {stand.latitude, stand.longitude}));
    }
    if (held && param::LOG.on())
        gf_logf("{:8}: no static parking for {}, stand held for the user's aircraft", stand.id, c.callsign);
    return held;
}

bool lf_staticHexIdInUse(std::uint32_t hexId)
{
    return std::any_of(g_staticAircraft.begin(), g_staticAircraft.end(),
                       [hexId](const AiAcRecord& s) { return s.hexId == hexId && !s.erase; });
}

// The next running number whose hex id no static carries: the simulator's answer to a creation is
// matched to its static by that id.
std::uint32_t lf_nextStaticNumber()
{
    for (std::uint32_t tries = 0; tries < kHighestStaticHexId; ++tries) {
        g_staticNumber = gf_nextStaticNumber(g_staticNumber);
        if (!lf_staticHexIdInUse(gf_staticHexId(g_staticNumber)))
            return g_staticNumber;
    }
    throw std::runtime_error("lf_parkStatic: every static number is in use");
}

AcHead lf_staticHead(const StandCandidate& c, std::uint32_t number)
{
    AcHead head;
    head.airline = c.airline;
    head.type = c.type;
    head.registration = c.registration;
    head.text1 = c.callsign;
    head.text2 = c.callsign2;
    // A callsign of underscores only would leave a bare "*", which many statics could share.
    std::string callsign = c.callsign.empty() && c.callsign2.empty() ? std::string() : lf_detcs(c);
    head.callsign = callsign.size() > 1 ? std::move(callsign) : fmt::format("{}{}*", c.airline, number);
    return head;
}

// Now's slot moved back by the candidate's fit; whole weeks change nothing, a fit below 0 (a bad
// feed value) counts as parked now.
WeekSlot lf_parkedSlot(std::int32_t fit)
{
    return gf_windowStart(g_nowWeekSlot.load(), fit <= 0 ? 0 : fit % kStaticSlotsPerWeek);
}

void lf_queueStaticCreation(const AiAcRecord& parked)
{
    CreateAcRequest request;
    request.position = {parked.initLat, parked.initLon, 0.0, 0.0, 0.0, parked.initHeading * kRadToDeg, 1, 0};
    request.name = parked.head.callsign;
    request.title = parked.liveryTitle;
    request.hexId = parked.hexId;
    g_staticCreationQueue.push_back(std::move(request));
}

} // namespace

std::uint32_t gf_staticHexId(std::uint32_t number) { return number == 0 ? kHighestStaticHexId : number; }

void lf_parkStatic()
{
    if (g_standCandidates.empty() || g_stands.empty())
        return;
    const StandCandidate candidate = std::move(g_standCandidates.back());
    g_standCandidates.pop_back();
    const ParkPos* stand = gf_standBySid(candidate.standId);
    if (lf_standRefused(candidate, stand))
        return;
    if (!stand) {
        gf_logf("stand with id {} not found", candidate.standId);
        return;
    }
    if (lf_userHoldsStand(candidate, *stand))
        return;
    // Live aircraft parked since the candidates were chosen take their places in the count.
    if (gf_parkingCountReached()) {
        if (param::LOG.on())
            gf_logf("{:8}: no static parking for {}, the parking count {} is reached", stand->id,
                    candidate.callsign, gf_parkingCount());
        return;
    }
    const std::uint32_t number = lf_nextStaticNumber();
    AiAcRecord& parked =
        g_staticAircraft.emplace_back(gf_makeAiAircraft(lf_staticHead(candidate, number)), stand->sid,
                                      stand->latitude, stand->longitude, stand->heading, stand->cargo ? 1 : 0);
    parked.hexId = gf_staticHexId(number);
    if (!gf_matchParkedAcLivery(parked, *stand)) {
        g_staticAircraft.pop_back();
        return;
    }
    parked.feedKind = candidate.fitted;
    parked.parkedHexId = candidate.hexId;
    parked.weekSlot = lf_parkedSlot(candidate.fit);
    parked.state = ObjectState::CreationRequested;
    lf_queueStaticCreation(parked);
}

void gf_resetStaticParking()
{
    gf_clearStaticParkingLists();
    g_staticNumber = 0;
    g_staticCells = StaticCells{};
}

bool gf_avoidUserCollision(LiveAcRecord& aircraft)
{
    if (!aircraft.inSim())
        return false;
    const UserAcData u = g_userAc.get();
    const UserFlight user{gf_positionOf(u), u.heading, u.altitude, u.aboveGround};
    const LatLon at{aircraft.block.lat, aircraft.block.lon};
    const bool inPath = aircraft.onGround != 0
                            ? gf_inUserGroundPath(user, at)
                            : gf_inUserAirPath(user, at, aircraft.block.heading, aircraft.block.altitude);
    if (!inPath)
        return false;
    removeAircraftFromSim(aircraft);
    return true;
}

void lf_removeForCollisionAvoidance(LiveAcRecord aircraft)
{
    const auto hit = lf_firstTouchingStatic(aircraft, {aircraft.block.lat, aircraft.block.lon});
    if (!hit)
        return;
    AiAcRecord& parked = g_staticAircraft[*hit];
    if (param::LOG.on())
        gf_logf("{:8}: {:8} removed for collision avoidance with live {}", gf_standNameById(parked.standId),
                parked.head.callsign, aircraft.head.callsign);
    removeAircraftFromSim(parked);
}

} // namespace zyn
