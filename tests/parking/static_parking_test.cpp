#include "airport/park_airport_state.h"
#include "airport/park_pos.h"
#include "airport/stand_lookup.h"
#include "engine/queues.h"
#include "engine/records.h"
#include "engine/spawn.h"
#include "engine/stand_claims.h"
#include "engine/stand_search.h"
#include "parking/parking_fit.h"
#include "parking/session_calls.h"
#include "parking/static_park.h"
#include "parking/static_parking.h"
#include "settings/settings.h"
#include "sim/user_aircraft.h"
#include "tests/airport/airport_fixture.h"
#include "tests/support/dbase_fixture.h"
#include "tests/traffic/service_fixture.h"
#include "traffic/live_identities.h"
#include "traffic/parked_traffic.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace zyn {
namespace {

constexpr double kFirstLat = 52.3000;
constexpr double kLon = 4.7639;
constexpr double kStandStepDeg = 0.0009; // 100 m: neighbouring stands do not overlap

// A real use by KLM's A320 on now's day.
ParkPosOption lf_use(std::string callsign, std::uint64_t halfHours, WeekSlot now, std::string callsign2 = {})
{
    ParkPosOption o;
    o.airline = "KLM";
    o.type = "A320";
    o.callsign = std::move(callsign);
    o.callsign2 = std::move(callsign2);
    o.halfHours = halfHours;
    o.number = 1;
    o.day = static_cast<std::int32_t>(now.day);
    o.real = 1;
    return o;
}

LatLon lf_standPosition(std::size_t i) { return {kFirstLat + static_cast<double>(i) * kStandStepDeg, kLon}; }

tools::ParkedAircraft lf_parkedAt(std::size_t stand, const std::string& hexId, const std::string& callsign,
                                  double ageSeconds = 60.0)
{
    const LatLon p = lf_standPosition(stand);
    return {hexId, "S" + std::to_string(stand), "A320", "", callsign, p.lat, p.lon, ageSeconds};
}

class StaticSet : public test::TrafficServiceTest {
protected:
    explicit StaticSet(std::vector<tools::ParkedAircraft> parked = {lf_parkedAt(3, "484cb8", "KLM123"),
                                                                        lf_parkedAt(7, "484cb9", "DLH5"),
                                                                        lf_parkedAt(9, "484cba", "KLM9")})
        : TrafficServiceTest(lf_scenario(std::move(parked)))
    {
    }

    static tools::TrafficScenario lf_scenario(std::vector<tools::ParkedAircraft> parked)
    {
        tools::TrafficScenario s = test::gf_testScenario();
        s.parked = std::move(parked);
        return s;
    }

    void SetUp() override
    {
        TrafficServiceTest::SetUp();
        g_trafficClient.setGuid("g-1");
        gf_setParkAirport({"EHAM", "AMS", kFirstLat, kLon, -11.0});
        gf_setReservedStand("");
        gf_setStandSearch(lf_searchStands);
        now = gf_weekdayAndSlot();
        g_nowWeekSlot = now;
        param::MAX_FIT.value.store(47);
        param::CUSTOM_PARKING_PERCENTAGE.value.store(-1);
        param::CUSTOM_MAX_PARK.value.store(-1);
        param::parking_percentage.value.store(30);
        param::RT_PARKTRAFFIC_ONLY.value.store(0);
        param::INITIAL_LOAD_ONLY.value.store(0);
        param::PARK_SOFT.value.store(0);
        param::PARK_FAKE.value.store(0);
        param::WEEK.value.store(0);
    }
    void TearDown() override
    {
        gf_publishStands({});
        g_userAc.reset();
        g_stands.clear();
        g_staticAircraft.clear();
        g_liveAircraft.clear();
        g_removalQueue.clear();
        gf_resetStaticParking();
        gf_resetParkingFit();
        gf_setStandSearch(nullptr);
        g_parkingBusy = 0;
        gf_setParkAirport({});
        g_trafficClient.setGuid("");
        g_trafficClient.parkedList.clear();
        param::RT_PARKTRAFFIC_ONLY.value.store(0);
        TrafficServiceTest::TearDown();
    }

    // count stands; the first `used` of them have a real option of their own for now's half hour.
    void makeStands(std::size_t count, std::size_t used, std::uint64_t hours = 0)
    {
        g_stands.clear();
        for (std::size_t i = 0; i < count; ++i) {
            std::vector<ParkPosOption> options;
            if (i < used)
                options.push_back(lf_use("KLM" + std::to_string(1000 + i), hours != 0 ? hours : std::uint64_t{1} << now.slot, now));
            const LatLon p = lf_standPosition(i);
            g_stands.emplace_back("S" + std::to_string(i), std::move(options), p.lat, p.lon, 0.0, 40.0, 1, 1, 1);
        }
        gf_numberStands(g_stands);
        gf_linkOverlappingStands(g_stands);
    }

    // A static standing on stand i (sid i + 1), parked back half hours ago.
    AiAcRecord& addStatic(std::size_t i, std::uint32_t kind, const std::string& callsign, std::int32_t back = 0)
    {
        AiAcRecord s;
        s.head.airline = "KLM";
        s.head.type = "A320";
        s.head.callsign = callsign + "*";
        s.head.text1 = kind == 1 ? callsign : std::string();
        s.feedKind = kind;
        s.standId = static_cast<std::uint32_t>(i + 1);
        s.initLat = g_stands[i].latitude;
        s.initLon = g_stands[i].longitude;
        s.weekSlot = gf_windowStart(now, back);
        s.state = ObjectState::InSim;
        s.objectId = static_cast<std::uint32_t>(100 + g_staticAircraft.size());
        g_staticAircraft.push_back(s);
        return g_staticAircraft.back();
    }

    std::size_t removed() const
    {
        return static_cast<std::size_t>(std::count_if(g_staticAircraft.begin(), g_staticAircraft.end(), [](const AiAcRecord& a) {
            return a.state == ObjectState::RemovalRequested;
        }));
    }
    const StandCandidate* candidateOn(std::size_t i) const
    {
        const auto it = std::find_if(g_standCandidates.begin(), g_standCandidates.end(),
                                     [i](const StandCandidate& c) { return c.standId == i + 1; });
        return it == g_standCandidates.end() ? nullptr : &*it;
    }

    test::ScopedDbase dbase{test::dbaseWith({"A320"}, {"KLM", "DLH"})};
    WeekSlot now{1, 0};
};

TEST_F(StaticSet, CalculationPlacesParkedTrafficThenFitsUpToTheCount)
{
    makeStands(20, 20);
    LiveAcRecord live;
    live.head.callsign = "DLH5"; // the parked entry of that callsign is this live aircraft
    live.hexId = 0x3c0001;
    g_liveAircraft.push_back(live);
    {
        std::lock_guard lock(g_trafficClient.identityMutex);
        g_trafficClient.callsigns = {"KLM9_"};
    }
    lf_calculateStaticParking();

    ASSERT_EQ(g_standCandidates.size(), 6u); // 30 % of 20
    const StandCandidate* pt = candidateOn(3);
    ASSERT_NE(pt, nullptr);
    EXPECT_EQ(pt->fitted, 0u);
    EXPECT_EQ(pt->hexId, 0x484cb8u);
    const auto placed = [](std::uint32_t hexId) {
        return std::any_of(g_standCandidates.begin(), g_standCandidates.end(),
                           [hexId](const StandCandidate& c) { return c.hexId == hexId; });
    };
    EXPECT_FALSE(placed(0x484cb9)); // a live aircraft
    EXPECT_FALSE(placed(0x484cba)); // its callsign with "_" is live
    EXPECT_TRUE(std::is_sorted(g_standCandidates.begin(), g_standCandidates.end(),
                               [](const StandCandidate& a, const StandCandidate& b) { return a.fit > b.fit; }));
    EXPECT_TRUE(logHas("1 parking position from PT"));
    EXPECT_TRUE(logHas("6 positions (30% vs wanted 30%, with Max fit=24 hours)"));
    EXPECT_EQ(g_parkingBusy.load(), 1); // until the candidates are parked
}

TEST_F(StaticSet, ParkTrafficOnlyParksTheServicesAircraftAlone)
{
    makeStands(20, 20);
    param::RT_PARKTRAFFIC_ONLY.value.store(1);
    lf_calculateStaticParking();
    EXPECT_EQ(g_standCandidates.size(), 3u);
    EXPECT_TRUE(std::all_of(g_standCandidates.begin(), g_standCandidates.end(),
                            [](const StandCandidate& c) { return c.fitted == 0; }));
    EXPECT_TRUE(logHas("3 positions from RT parktraffic only"));
}

TEST_F(StaticSet, AnAnswerAskedForAheadIsUsedForItsOwnAirportOnly)
{
    makeStands(20, 0);
    gf_prefetchParkedTraffic();
    lf_calculateStaticParking();
    EXPECT_EQ(server.requestCount("parkedtraffic"), 1u);
    EXPECT_EQ(g_standCandidates.size(), 3u);

    gf_prefetchParkedTraffic();
    gf_setParkAirport({"EHLE", "LEY", kFirstLat + 0.5, kLon, -3.0}); // replaced meanwhile: nothing parked there
    EXPECT_TRUE(gf_takeParkedTraffic());
    EXPECT_EQ(server.requestCount("parkedtraffic"), 3u);
    EXPECT_TRUE(g_trafficClient.parkedList.empty());
}

TEST_F(StaticSet, AdjustmentKeepsTheReportedAndRemovesTheGone)
{
    makeStands(20, 0);
    addStatic(3, 0, "KLM123").parkedHexId = 0x484cb8; // still reported at its stand
    addStatic(5, 0, "KLM55").parkedHexId = 0x484000;  // no longer reported
    gf_parkingAdjustments(false);
    EXPECT_EQ(g_staticAircraft[0].state, ObjectState::InSim);
    EXPECT_EQ(g_staticAircraft[1].state, ObjectState::RemovalRequested);
    EXPECT_EQ(candidateOn(3), nullptr); // the static that stays is that candidate
    EXPECT_NE(candidateOn(9), nullptr);
    EXPECT_TRUE(logHas("Parking adjustments: 1 to be removed, 2 to be added"));
}

TEST_F(StaticSet, WithoutAnAnswerTheParkedTrafficStaticsStay)
{
    makeStands(20, 0);
    addStatic(5, 0, "KLM55");
    server.setFault("parkedtraffic", tools::EndpointFault::withStatus(503));
    gf_parkingAdjustments(false);
    EXPECT_EQ(removed(), 0u);
}

// The user taxied onto a stand after its static was parked: the adjustment takes the static away,
// whatever would keep it otherwise.
TEST_F(StaticSet, AdjustmentRemovesTheStaticOnTheUsersStand)
{
    struct Case {
        const char* name;
        std::uint32_t kind;
        bool answered; // without an answer the parked-traffic statics stay
    };
    for (const Case& c : {Case{"fitted, its stand used now", 1, true}, Case{"from parked traffic", 0, false}}) {
        SCOPED_TRACE(c.name);
        makeStands(20, 0);
        g_staticAircraft.clear();
        for (const std::size_t i : {5u, 6u}) {
            g_stands[i].options.push_back(lf_use("KLM" + std::to_string(i), std::uint64_t{1} << now.slot, now));
            addStatic(i, c.kind, "KLM" + std::to_string(i));
        }
        gf_publishStands(g_stands);
        g_userAc.set(UserAcData{.lat = g_stands[5].latitude, .lon = g_stands[5].longitude});
        if (!c.answered)
            server.setFault("parkedtraffic", tools::EndpointFault::withStatus(503));
        gf_parkingAdjustments(false);
        server.clearFaults();
        EXPECT_EQ(g_staticAircraft[0].state, ObjectState::RemovalRequested);
        EXPECT_EQ(g_staticAircraft[1].state, ObjectState::InSim);
        EXPECT_EQ(candidateOn(5), nullptr);
    }
}

// Four parked-traffic entries half an hour apart in age.
class StaticSetAges : public StaticSet {
protected:
    StaticSetAges()
        : StaticSet({lf_parkedAt(1, "484cc1", "KLM901", 60.0), lf_parkedAt(2, "484cc2", "KLM902", 1860.0),
                         lf_parkedAt(3, "484cc3", "KLM903", 3660.0), lf_parkedAt(4, "484cc4", "KLM904", 5460.0)})
    {
    }
};

TEST_F(StaticSetAges, AdjustmentTrimsTheLatestCandidatesToTheCount)
{
    // 27 stands at 30 % want 8: six fitted statics stay by their options and four parked-traffic
    // entries of different ages arrive; the two oldest entries are not parked.
    makeStands(27, 0);
    for (std::size_t i = 0; i < 6; ++i) {
        g_stands[20 + i].options.push_back(lf_use("KLM" + std::to_string(i), std::uint64_t{1} << now.slot, now));
        addStatic(20 + i, 1, "KLM" + std::to_string(i));
    }
    gf_parkingAdjustments(false);
    EXPECT_EQ(removed(), 0u);
    EXPECT_EQ(g_staticStayers.size(), 6u);
    ASSERT_EQ(g_standCandidates.size(), 2u);
    EXPECT_NE(candidateOn(1), nullptr);
    EXPECT_NE(candidateOn(2), nullptr);
}

TEST_F(StaticSet, AStaticLeavingWithinTheHalfHourIsParkedAgainUnderItsNextCallsign)
{
    makeStands(20, 0);
    const ParkPosOption leaving = lf_use("KLM1", std::uint64_t{1} << now.slot, now, "KLM2");
    ParkPosOption staying = leaving;
    staying.callsign = "KLM3";
    staying.callsign2 = "KLM4";
    staying.halfHours = ~std::uint64_t{0} >> 16; // every half hour of the day
    g_stands[10].options.push_back(leaving);
    g_stands[12].options.push_back(staying);
    addStatic(10, 1, "KLM1").head.text2 = "KLM2";
    addStatic(12, 1, "KLM3").head.text2 = "KLM4";
    addStatic(14, 1, "KLM5"); // its stand has no use of it at all
    gf_parkingAdjustments(false);

    const bool lastSlot = now.slot == kSlotsPerDay - 1; // then the next day's options decide: none here
    EXPECT_EQ(g_staticAircraft[0].state, ObjectState::RemovalRequested);
    EXPECT_EQ(g_staticAircraft[1].state, lastSlot ? ObjectState::RemovalRequested : ObjectState::InSim);
    EXPECT_EQ(g_staticAircraft[2].state, ObjectState::RemovalRequested);
    const StandCandidate* again = candidateOn(10);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->callsign2, "KLM2");
    EXPECT_EQ(again->slotMatch, 0);
}

// A static that stays and carries its next callsign leaves when the option of its stand under its
// callsign ends with this half hour, whether that option names a second callsign or not.
TEST_F(StaticSet, AStaticLeavesWhenItsOptionEndsWithThisHalfHour)
{
    struct Row {
        const char* name;
        WeekSlot now;
        std::initializer_list<int> halfHours; // of the option it is parked by
        const char* optionCallsign2;
        bool nextDaySlot0; // the stand has its option of the next day with slot 0
        bool leaves;
    };
    for (const Row& row : {Row{"ends, next callsign named", {3, 20}, {19, 20}, "KLM2", false, true},
                           Row{"ends, no second callsign", {3, 20}, {19, 20}, "", false, true},
                           Row{"goes on, no second callsign", {3, 20}, {20, 21}, "", false, false},
                           Row{"day's end, nothing the next day", {7, 47}, {47}, "", false, true},
                           Row{"day's end, on at Monday's slot 0", {7, 47}, {47}, "", true, false}}) {
        SCOPED_TRACE(row.name);
        now = row.now;
        g_nowWeekSlot = now;
        g_staticAircraft.clear();
        makeStands(20, 0);
        g_stands[10].options.push_back(lf_use("KLM1", test::slotBits(row.halfHours), now, row.optionCallsign2));
        if (row.nextDaySlot0) {
            ParkPosOption monday = lf_use("KLM1", 1, WeekSlot{1, 0});
            monday.number = 2;
            g_stands[10].options.push_back(monday);
        }
        addStatic(10, 1, "KLM1").head.text2 = "KLM2";
        gf_parkingAdjustments(false);
        EXPECT_EQ(g_staticAircraft[0].state, row.leaves ? ObjectState::RemovalRequested : ObjectState::InSim);
        const StandCandidate* again = candidateOn(10);
        ASSERT_EQ(again != nullptr, row.leaves);
        if (again) {
            EXPECT_EQ(again->callsign2, "KLM2");
        }
    }
}

TEST_F(StaticSet, ClearingTheParkAirportTakesItsAircraftAndForgetsIt)
{
    makeStands(20, 0);
    addStatic(2, 1, "KLM1");
    LiveAcRecord taxiing;
    taxiing.phase = MovePhase::Taxi;
    taxiing.state = ObjectState::InSim;
    taxiing.objectId = 7;
    taxiing.standId = 4;
    LiveAcRecord flying = taxiing;
    flying.phase = MovePhase::Airborne;
    flying.objectId = 8;
    g_liveAircraft = {taxiing, flying};
    g_standCandidates.push_back({});
    gf_clearParkAirport();
    EXPECT_TRUE(g_standCandidates.empty());
    EXPECT_TRUE(g_stands.empty());
    EXPECT_TRUE(gf_parkAirport().icao.empty());
    EXPECT_EQ(g_liveAircraft[0].state, ObjectState::RemovalRequested);
    EXPECT_EQ(g_liveAircraft[0].standId, 0u);
    EXPECT_EQ(g_liveAircraft[1].state, ObjectState::InSim);
    EXPECT_EQ(g_staticAircraft.front().state, ObjectState::RemovalRequested);
}

// A live aircraft takes a stand the calculation had planned a static for: once it is created there,
// that static is no longer planned and the others stay in their order.
TEST_F(StaticSet, ALiveAircraftParkedAtAStandTakesItFromTheStaticsPlanned)
{
    for (const bool logOn : {true, false}) {
        SCOPED_TRACE(logOn ? "LOG on" : "LOG off");
        param::LOG.value.store(logOn ? 1 : 0);
        makeStands(20, 20);
        g_liveAircraft.clear();
        gf_resetStaticParking();
        lf_calculateStaticParking();
        const auto fitted = std::find_if(g_standCandidates.begin(), g_standCandidates.end(),
                                         [](const StandCandidate& c) { return c.fitted == 1; });
        ASSERT_NE(fitted, g_standCandidates.end());
        const std::uint32_t sid = fitted->standId;
        const ParkPos& stand = g_stands[sid - 1];
        std::vector<std::uint32_t> others;
        for (const StandCandidate& c : g_standCandidates)
            if (c.standId != sid)
                others.push_back(c.standId);

        LiveAcRecord& a = g_liveAircraft.emplace_back();
        a.head.callsign = logOn ? "DLH77" : "DLH78";
        a.head.airline = "DLH";
        a.head.type = "A320";
        a.hexId = 0x3c0077;
        a.halfWingspanNm = 17.0 / 1852.0;
        Situation report;
        report.lat = stand.latitude;
        report.lon = stand.longitude;
        report.stationary = 1;
        a.stream.push_back(report);
        a.stream.push_back(report);
        ASSERT_EQ(gf_takeStandAtSpawn(a), SpawnStand::Parked);
        ASSERT_EQ(a.standId, sid);
        a.state = ObjectState::CreationRequested;
        ASSERT_TRUE(lf_parks(a, 42, 0.0));

        std::vector<std::uint32_t> left;
        for (const StandCandidate& c : g_standCandidates)
            left.push_back(c.standId);
        EXPECT_EQ(left, others);
        EXPECT_EQ(logHas(fmt::format("{:8}: {:8} parks", stand.id, a.head.callsign)), logOn);
    }
    param::LOG.value.store(param::LOG.defaultValue);
}

} // namespace
} // namespace zyn
