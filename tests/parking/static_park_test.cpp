#include "parking/static_park.h"

#include "airport/park_pos.h"
#include "base/geo.h"
#include "base/log.h"
#include "engine/ai_driver.h"
#include "engine/queues.h"
#include "engine/records.h"
#include "parking/session_calls.h"
#include "settings/settings.h"
#include "sim/user_aircraft.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/livery_fixture.h"
#include "tests/support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

namespace zyn::test {
namespace {

constexpr LatLon kParkApron{47.45, 8.56};

tools::DbaseContent lf_staticDbase()
{
    tools::DbaseContent content = dbaseWith({"B738", "A320"}, {"KLM", "SWR"});
    content.wingspans = {{"B738", 35.8}};
    return content;
}

class StaticParking : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_openLog();
        param::LOG.value = 1;
        gf_reserveAcContainers();
        gf_clearAcContainers();
        gf_resetStaticParking();
        g_nowWeekSlot = WeekSlot{1, 1};
        // G0..G2 in a row 40 m apart, each overlapping its neighbours; G3, a cargo stand, far off.
        for (int i = 0; i < 4; ++i) {
            const LatLon at = gf_destinationPoint(kParkApron, kPi / 2, (i == 3 ? 1000.0 : 40.0 * i) / 0.3048);
            g_stands.emplace_back(fmt::format("G{}", i), std::vector<ParkPosOption>{}, at.lat, at.lon, 1.0, 30.0,
                                  i == 3 ? 0 : 1, 1, 1);
        }
        gf_numberStands(g_stands);
        gf_linkOverlappingStands(g_stands);
    }
    void TearDown() override
    {
        gf_clearAcContainers();
        g_standCandidates.clear();
        gf_resetStaticParking();
        g_userAc.reset();
        g_userOnGround = 0;
        param::LOG.value = param::LOG.defaultValue;
        param::MATCHING_DEPTH.value = param::MATCHING_DEPTH.defaultValue;
        gf_closeLog();
    }
    static StandCandidate candidate(std::uint32_t standId, std::string callsign = "KLM12", std::string airline = "KLM",
                                    std::string type = "B738")
    {
        return {0, 1, standId, 0, std::move(airline), std::move(type), std::move(callsign), "", "PH-BXA", 1};
    }
    // An aircraft in the list at the stand (sid; 0 none) in the state given; the aircraft lists
    // and queues are emptied first unless keep.
    template <typename Record>
    static Record& placed(std::vector<Record>& list, std::uint32_t sid, ObjectState state, bool keep = false)
    {
        if (!keep) {
            g_liveAircraft.clear();
            g_staticAircraft.clear();
            g_staticCreationQueue.clear();
            g_removalQueue.clear();
        }
        Record& a = list.emplace_back();
        a.head.callsign = "DLH4";
        a.standId = sid;
        a.state = state;
        a.objectId = 700 + static_cast<std::uint32_t>(list.size());
        if (const ParkPos* stand = gf_standBySid(sid)) {
            a.initLat = stand->latitude;
            a.initLon = stand->longitude;
        }
        return a;
    }
    std::vector<std::string> log() const { return readLines(m_dir.path() / "Log.txt"); }
    int logged(const std::string& line) const
    {
        const auto lines = log();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }

    TempDir m_dir;
    ScopedCwd m_cwd{m_dir.path()};
    ScopedDbase m_dbase{lf_staticDbase()};
    InstalledLiveries m_liveries{{livery("KLM", "B738", "KLM B738"), livery("SWR", "A320", "Swiss A320 Cargo", "", true)}};
};

TEST_F(StaticParking, TheLastCandidateBecomesAStaticWithItsCreationRequest)
{
    struct Case {
        StandCandidate candidate;
        const char* callsign; // "{}": the running number
        WeekSlot parked;
    };
    StandCandidate fromTraffic{0x4840AB, 0, 4, 50, "SWR", "A320", "", "", "", 1};
    StandCandidate second{0, 1, 1, 3, "KLM", "B738", "KLM12__", "KLM13", "PH-BXA", 0};
    StandCandidate weekOld = candidate(1), badFit = candidate(1), underscores = candidate(1, "___");
    weekOld.fit = 336 + 3;
    badFit.fit = -5;
    const Case cases[] = {
        {fromTraffic, "SWR{}*", {6, 47}}, // two days back; on the cargo stand
        {second, "KLM13*", {7, 46}},      // no slot match: the second callsign; back into Sunday
        {weekOld, "KLM12*", {7, 46}},     // whole weeks change nothing
        {badFit, "KLM12*", {1, 1}},       // a fit below 0 parks now
        {underscores, "KLM{}*", {1, 1}},  // no bare "*"
    };
    std::uint32_t number = 0;
    for (const Case& c : cases) {
        AiAcRecord& erased = placed(g_staticAircraft, 0, ObjectState::New); // and an erased one keeps no id
        erased.erase = 1;
        erased.hexId = number + 1;
        g_standCandidates = {candidate(2), c.candidate};
        lf_parkStatic();
        ++number;
        ASSERT_EQ(g_staticAircraft.size(), 2u) << c.callsign;
        const AiAcRecord& s = g_staticAircraft[1];
        const ParkPos& stand = *gf_standBySid(c.candidate.standId);
        EXPECT_EQ(g_standCandidates.size(), 1u);
        EXPECT_EQ(s.head.callsign, fmt::format(fmt::runtime(c.callsign), number));
        EXPECT_EQ(s.head.text1 + "/" + s.head.text2 + "/" + s.head.registration,
                  c.candidate.callsign + "/" + c.candidate.callsign2 + "/" + c.candidate.registration);
        EXPECT_EQ(s.hexId, number);
        EXPECT_EQ(s.feedKind, c.candidate.fitted);
        EXPECT_EQ(s.parkedHexId, c.candidate.hexId);
        EXPECT_EQ(s.weekSlot, c.parked) << c.callsign;
        EXPECT_EQ(s.state, ObjectState::CreationRequested);
        EXPECT_EQ(s.cargoStand, stand.cargo ? 1 : 0);
        EXPECT_EQ(s.liveryTitle, c.candidate.airline == "SWR" ? "Swiss A320 Cargo" : "KLM B738");
        ASSERT_EQ(g_staticCreationQueue.size(), 1u);
        const CreateAcRequest& r = g_staticCreationQueue.front();
        EXPECT_EQ(std::make_tuple(r.position.Latitude, r.position.Longitude, r.position.Heading, r.position.OnGround),
                  std::make_tuple(stand.latitude, stand.longitude, stand.heading * kRadToDeg, DWORD{1}));
        EXPECT_EQ(r.position.Altitude + r.position.Pitch + r.position.Bank, 0.0);
        EXPECT_EQ(std::make_tuple(r.name, r.title, r.hexId), std::make_tuple(s.head.callsign, s.liveryTitle, s.hexId));
    }
}

TEST_F(StaticParking, WithoutALiveryNothingIsParkedAndHexIdsStayUnique)
{
    param::MATCHING_DEPTH.value = 2; // the airline's own liveries only
    g_standCandidates = {candidate(1, "RYR1", "RYR", "A320")};
    lf_parkStatic();
    EXPECT_TRUE(g_staticAircraft.empty() && g_staticCreationQueue.empty());
    // The refused one used number 1; a static already carrying the next id is passed over.
    placed(g_staticAircraft, 3, ObjectState::InSim).hexId = gf_staticHexId(2);
    g_standCandidates = {candidate(1)};
    lf_parkStatic();
    ASSERT_EQ(g_staticAircraft.size(), 2u);
    EXPECT_EQ(g_staticAircraft[1].hexId, 3u);
    EXPECT_EQ(gf_staticHexId(0), 10000u) << "running number 0 after the wrap";
}

TEST_F(StaticParking, ACandidateIsRefusedWhereAnAircraftStandsOrTouches)
{
    struct Case {
        bool live;
        std::uint32_t at;
        MovePhase phase;
        ObjectState state;
        const char* line; // nullptr: the static is parked
    };
    const Case cases[] = {
        {true, 1, MovePhase::TaxiToStand, ObjectState::InSim,
         "G1      : no static parking for KLM12, live aircraft DLH4 is adjacent at G0, possibly colliding"},
        {true, 2, MovePhase::Parked, ObjectState::CreationRequested,
         "G1      : no static parking for KLM12, live aircraft DLH4 standing here"},
        {true, 1, MovePhase::Taxi, ObjectState::InSim, nullptr},
        {true, 3, MovePhase::Parked, ObjectState::RemovalRequested, nullptr}, // leaving
        {false, 3, MovePhase::New, ObjectState::InSim,
         "G1      : no static parking for KLM12, static aircraft DLH4 is adjacent at G2, possibly colliding"},
        {false, 2, MovePhase::New, ObjectState::RemovalRequested, nullptr},
    };
    for (const Case& c : cases) {
        if (c.live)
            placed(g_liveAircraft, c.at, c.state).phase = c.phase;
        else
            placed(g_staticAircraft, c.at, c.state);
        const std::size_t before = g_staticAircraft.size();
        g_standCandidates = {candidate(2)};
        lf_parkStatic();
        EXPECT_TRUE(g_standCandidates.empty());
        EXPECT_EQ(g_staticAircraft.size(), before + (c.line ? 0 : 1)) << c.at;
        EXPECT_EQ(c.line ? logged(c.line) : 1, 1) << c.at;
    }
    g_standCandidates = {candidate(99)};
    lf_parkStatic();
    EXPECT_EQ(logged("stand with id 99 not found"), 1);
}

// A candidate may wait long for its turn; meanwhile the user may have taxied onto its stand.
TEST_F(StaticParking, NoStaticIsMadeWithinTheUsersAircraftsReach)
{
    const ParkPos& first = g_stands[0];
    const double reachMetres = gf_wingspan("B738") * 1.1 * kMetresPerNm; // the user's own span unknown
    ASSERT_GT(reachMetres, 15.0);
    const std::string refused = "G0      : no static parking for KLM12, stand held for the user's aircraft";
    struct Case {
        const char* name;
        double offMetres;
        bool onGround;
        bool reserved;
        bool parked;
    };
    const Case cases[] = {
        {"on the stand", 0.0, true, false, false},
        {"within the static's wings", 0.8 * reachMetres, true, false, false},
        {"beyond them", 1.2 * reachMetres, true, false, true},
        {"flying over it", 0.0, false, false, true},
        {"the stand reserved for the user", 500.0, false, true, false},
    };
    int refusals = 0;
    for (const Case& c : cases) {
        g_staticAircraft.clear();
        g_staticCreationQueue.clear();
        const LatLon user = gf_destinationPoint({first.latitude, first.longitude}, 0.0, c.offMetres / 0.3048);
        g_userAc.set(UserAcData{.lat = user.lat, .lon = user.lon});
        g_userOnGround = c.onGround ? 1 : 0;
        g_stands[0].reserved = c.reserved;
        g_standCandidates = {candidate(1)};
        lf_parkStatic();
        EXPECT_TRUE(g_standCandidates.empty()) << c.name;
        EXPECT_EQ(g_staticAircraft.size(), c.parked ? 1u : 0u) << c.name;
        EXPECT_EQ(g_staticCreationQueue.size(), c.parked ? 1u : 0u) << c.name;
        refusals += c.parked ? 0 : 1;
        EXPECT_EQ(logged(refused), refusals) << c.name;
    }
}

TEST_F(StaticParking, AnAircraftInTheUsersPathIsRemoved)
{
    const auto offLine = [](LatLon from, double heading, double alongNm, double sideFt) {
        return gf_destinationPoint(gf_destinationPoint(from, heading, alongNm * kFeetPerNm), heading + kPi / 2, sideFt);
    };
    struct Case {
        bool onGround;
        double sideFt;
        ObjectState state;
        bool removed;
    };
    for (const Case& c : {Case{true, 30.0, ObjectState::InSim, true}, Case{true, 60.0, ObjectState::InSim, false},
                          Case{true, 30.0, ObjectState::CreationRequested, false},
                          Case{false, 600.0, ObjectState::InSim, true}, Case{false, 800.0, ObjectState::InSim, false}}) {
        LiveAcRecord& a = placed(g_liveAircraft, 0, c.state);
        a.onGround = c.onGround ? 1 : 0;
        a.block.heading = 1.2;
        a.block.altitude = 4100.0;
        // On the ground: 0.8 NM ahead of the user at 400 ft; airborne: its line passes the user 3 NM on.
        const LatLon ai = c.onGround ? offLine(kParkApron, 0.5, 0.8, c.sideFt) : kParkApron;
        const LatLon user = c.onGround ? kParkApron : offLine(kParkApron, 1.2, 3.0, c.sideFt);
        a.block.lat = ai.lat;
        a.block.lon = ai.lon;
        g_userAc.set(UserAcData{.lat = user.lat, .lon = user.lon, .heading = 0.5, .altitude = 5000.0, .aboveGround = 400.0});
        EXPECT_EQ(gf_avoidUserCollision(a), c.removed) << c.sideFt;
        EXPECT_EQ(g_removalQueue.size(), c.removed ? 1u : 0u) << c.sideFt;
    }
}

TEST_F(StaticParking, AStaticTouchedByATaxiingAircraftsWingsIsRemoved)
{
    for (const double apartNm : {0.021, 0.023}) {
        placed(g_staticAircraft, 2, ObjectState::CreationRequested).halfWingspanNm = 0.01; // not in the simulator
        placed(g_staticAircraft, 2, ObjectState::InSim, true).halfWingspanNm = 0.01;
        LiveAcRecord live;
        live.head.callsign = "SWR7";
        live.halfWingspanNm = 0.01;
        const LatLon at = gf_destinationPoint({g_stands[1].latitude, g_stands[1].longitude}, 2.0, apartNm * kFeetPerNm);
        live.block.lat = at.lat;
        live.block.lon = at.lon;
        lf_removeForCollisionAvoidance(live);
        EXPECT_EQ(g_staticAircraft[1].state == ObjectState::RemovalRequested, apartNm < 0.022) << apartNm;
    }
    EXPECT_EQ(logged("G1      : DLH4     removed for collision avoidance with live SWR7"), 1);
}

// The cells find exactly the static a look at every pair finds, also across the date line.
TEST_F(StaticParking, CollisionCellsAgreeWithEveryPair)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> offset(-0.01, 0.01), span(0.002, 0.022);
    for (const LatLon airport : {kParkApron, LatLon{-16.69, 179.999}, LatLon{78.25, 15.5}}) {
        gf_resetStaticParking(); // the same tick, a list of the same size and place: the cells are not rebuilt
        for (int i = 0; i < 300; ++i) {
            AiAcRecord& s = placed(g_staticAircraft, 0, i % 7 ? ObjectState::InSim : ObjectState::New, i > 0);
            s.initLat = airport.lat + offset(random);
            s.initLon = std::remainder(airport.lon + offset(random) + 180.0, 360.0) - 180.0;
            s.halfWingspanNm = span(random);
        }
        int removals = 0;
        for (int k = 0; k < 300; ++k) {
            LiveAcRecord live;
            live.halfWingspanNm = span(random);
            live.block.lat = airport.lat + offset(random);
            live.block.lon = airport.lon + offset(random);
            const auto touches = [&](const AiAcRecord& s) {
                return s.inSim() && gf_distanceNm({live.block.lat, live.block.lon}, {s.initLat, s.initLon}) <=
                                        (live.halfWingspanNm + s.halfWingspanNm) * 1.1;
            };
            const auto expected = std::find_if(g_staticAircraft.begin(), g_staticAircraft.end(), touches);
            lf_removeForCollisionAvoidance(live);
            const auto removed = std::find_if(g_staticAircraft.begin(), g_staticAircraft.end(),
                                              [](const AiAcRecord& s) { return s.state == ObjectState::RemovalRequested; });
            ASSERT_EQ(removed, expected) << airport.lon << " live " << k;
            if (removed != g_staticAircraft.end()) {
                removed->state = ObjectState::InSim;
                ++removals;
            }
        }
        EXPECT_GT(removals, 30) << "touching wings must be common here";
        EXPECT_LT(removals, 270) << "... but not the rule";
    }
}

} // namespace
} // namespace zyn::test
