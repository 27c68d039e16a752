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
#include <type_traits>

namespace zyn::test {
namespace {

constexpr LatLon kParkApron{47.45, 8.56};
constexpr double kStandHeading = 1.0; // radians

LatLon lf_apronPoint(LatLon from, double bearing, double metres)
{
    return gf_destinationPoint(from, bearing, metres / 0.3048);
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
        g_standCandidates.clear();
        m_now = g_nowWeekSlot.load();
        g_nowWeekSlot = WeekSlot{1, 1};
        // G0..G2 in a row 40 m apart, each overlapping its neighbours; G3 (a cargo stand) far off.
        for (int i = 0; i < 4; ++i) {
            const LatLon at = lf_apronPoint(kParkApron, kPi / 2, i == 3 ? 1000.0 : 40.0 * i);
            g_stands.emplace_back(fmt::format("G{}", i), std::vector<ParkPosOption>{}, at.lat, at.lon, kStandHeading,
                                  30.0, i == 3 ? 0 : 1, 1, 1);
        }
        gf_numberStands(g_stands);
        gf_linkOverlappingStands(g_stands);
        m_liveries.emplace(std::vector<LiveryData>{livery("KLM", "B738", "KLM B738"), livery("SWR", "A320", "Swiss A320"),
                                                 livery("SWR", "A320", "Swiss A320 Cargo", "", true)});
    }
    void TearDown() override
    {
        m_liveries.reset();
        gf_clearAcContainers();
        g_standCandidates.clear();
        gf_resetStaticParking();
        g_nowWeekSlot = m_now;
        g_userAc.reset();
        param::LOG.value = param::LOG.defaultValue;
        param::MATCHING_DEPTH.value = param::MATCHING_DEPTH.defaultValue;
        gf_closeLog();
    }

    static StandCandidate candidate(std::uint32_t standId, std::string callsign = "KLM12", std::string airline = "KLM",
                                    std::string type = "B738")
    {
        StandCandidate c;
        c.fitted = 1;
        c.standId = standId;
        c.airline = std::move(airline);
        c.type = std::move(type);
        c.callsign = std::move(callsign);
        c.registration = "PH-BXA";
        c.slotMatch = 1;
        return c;
    }
    // An aircraft of the type at the stand (sid), in the state and phase given.
    template <typename Record> static Record& placed(std::vector<Record>& list, std::uint32_t sid, ObjectState state,
                                                     const std::string& callsign)
    {
        Record& a = list.emplace_back();
        a.head.callsign = callsign;
        a.standId = sid;
        a.state = state;
        a.objectId = 700 + static_cast<std::uint32_t>(list.size());
        a.hexId = static_cast<std::uint32_t>(list.size()) + (std::is_same_v<Record, LiveAcRecord> ? 0x400000 : 0);
        if (const ParkPos* stand = gf_standBySid(sid)) {
            a.initLat = stand->latitude;
            a.initLon = stand->longitude;
        }
        return a;
    }
    // The aircraft lists and queues emptied; the stands stay.
    static void clearAircraft()
    {
        g_liveAircraft.clear();
        g_staticAircraft.clear();
        g_staticCreationQueue.clear();
        g_removalQueue.clear();
    }
    std::vector<std::string> log() const { return readLines(m_dir.path() / "Log.txt"); }
    bool logged(const std::string& line) const
    {
        const auto lines = log();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool loggedPart(const std::string& part) const
    {
        const auto lines = log();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }

    TempDir m_dir;
    ScopedCwd m_cwd{m_dir.path()};
    ScopedDbase m_dbase{dbaseWith({"B738", "A320"}, {"KLM", "SWR"})};
    std::optional<InstalledLiveries> m_liveries;
    WeekSlot m_now;
};

TEST_F(StaticParking, TheLastCandidateBecomesAStaticWithItsCreationRequest)
{
    struct Case {
        const char* name;
        StandCandidate candidate;
        std::string callsign; // "{}": the airline and the running number
        WeekSlot parked;
        std::string title;
    };
    auto fromTraffic = candidate(4, "", "SWR", "A320");
    fromTraffic.fitted = 0;
    fromTraffic.hexId = 0x4840AB;
    fromTraffic.fit = 50;
    auto secondCallsign = candidate(1, "KLM12__");
    secondCallsign.callsign2 = "KLM13";
    secondCallsign.slotMatch = 0;
    secondCallsign.fit = 3;
    auto weekOld = candidate(1);
    weekOld.fit = 336 + 3;
    auto badFit = candidate(1);
    badFit.fit = -5;
    auto underscores = candidate(1, "___");
    const Case cases[] = {
        {"parked traffic without a callsign, two days back", fromTraffic, "SWR{}*", {6, 47}, "Swiss A320 Cargo"},
        {"second callsign without slot match, into Sunday", secondCallsign, "KLM13*", {7, 46}, "KLM B738"},
        {"whole weeks change nothing", weekOld, "KLM12*", {7, 46}, "KLM B738"},
        {"a fit below 0 parks now", badFit, "KLM12*", {1, 1}, "KLM B738"},
        {"underscores only make up a callsign", underscores, "KLM{}*", {1, 1}, "KLM B738"},
    };
    std::uint32_t number = 0;
    for (const Case& c : cases) {
        clearAircraft();
        g_standCandidates = {candidate(2), c.candidate}; // the last goes first
        lf_parkStatic();
        ++number;
        ASSERT_EQ(g_staticAircraft.size(), 1u) << c.name;
        EXPECT_EQ(g_standCandidates.size(), 1u) << c.name;
        const AiAcRecord& s = g_staticAircraft[0];
        const ParkPos& stand = *gf_standBySid(c.candidate.standId);
        EXPECT_EQ(s.head.callsign, fmt::format(fmt::runtime(c.callsign), number)) << c.name;
        EXPECT_EQ(s.head.text1, c.candidate.callsign) << c.name;
        EXPECT_EQ(s.head.text2, c.candidate.callsign2) << c.name;
        EXPECT_EQ(s.head.airline + s.head.type + s.head.registration,
                  c.candidate.airline + c.candidate.type + c.candidate.registration) << c.name;
        EXPECT_EQ(s.hexId, number) << c.name;
        EXPECT_EQ(s.feedKind, c.candidate.fitted) << c.name;
        EXPECT_EQ(s.parkedHexId, c.candidate.hexId) << c.name;
        EXPECT_EQ(s.weekSlot, c.parked) << c.name;
        EXPECT_EQ(s.state, ObjectState::CreationRequested) << c.name;
        EXPECT_EQ(s.standId, stand.sid) << c.name;
        EXPECT_EQ(s.cargoStand, stand.cargo ? 1 : 0) << c.name;
        EXPECT_EQ(s.liveryTitle, c.title) << c.name;
        ASSERT_EQ(g_staticCreationQueue.size(), 1u) << c.name;
        const CreateAcRequest& r = g_staticCreationQueue.front();
        EXPECT_EQ(r.position.Latitude, stand.latitude) << c.name;
        EXPECT_EQ(r.position.Longitude, stand.longitude) << c.name;
        EXPECT_DOUBLE_EQ(r.position.Heading, kStandHeading * kRadToDeg) << c.name;
        EXPECT_EQ(r.position.Altitude + r.position.Pitch + r.position.Bank, 0.0) << c.name;
        EXPECT_EQ(r.position.OnGround, 1u) << c.name;
        EXPECT_EQ(r.name, s.head.callsign) << c.name;
        EXPECT_EQ(r.title, s.liveryTitle) << c.name;
        EXPECT_EQ(r.hexId, s.hexId) << c.name;
    }
}

TEST_F(StaticParking, WithoutALiveryNothingIsParkedAndHexIdsStayUnique)
{
    param::MATCHING_DEPTH.value = 2; // the airline's own liveries only
    g_standCandidates = {candidate(1, "RYR1", "RYR", "A320")};
    lf_parkStatic();
    EXPECT_TRUE(g_staticAircraft.empty());
    EXPECT_TRUE(g_staticCreationQueue.empty());
    EXPECT_TRUE(loggedPart("no livery match"));

    // The refused one used number 1; a static that already carries the next id is passed over.
    placed(g_staticAircraft, 3, ObjectState::InSim, "KLM9*").hexId = gf_staticHexId(2);
    g_standCandidates = {candidate(1)};
    lf_parkStatic();
    ASSERT_EQ(g_staticAircraft.size(), 2u);
    EXPECT_EQ(g_staticAircraft[1].hexId, 3u);
    EXPECT_EQ(gf_staticHexId(0), 10000u) << "running number 0 after the wrap";
}

TEST_F(StaticParking, ACandidateIsRefusedWhereAnAircraftStandsOrTouches)
{
    struct Case {
        const char* name;
        bool live;
        std::uint32_t at;
        MovePhase phase;
        ObjectState state;
        const char* line; // nullptr: the static is parked
    };
    const Case cases[] = {
        {"live taxiing in beside", true, 1, MovePhase::TaxiToStand, ObjectState::InSim,
         "G1      : no static parking for KLM12, live aircraft DLH4 is adjacent at G0, possibly colliding"},
        {"live parked on the stand", true, 2, MovePhase::Parked, ObjectState::CreationRequested,
         "G1      : no static parking for KLM12, live aircraft DLH4 standing here"},
        {"live taxiing out beside", true, 1, MovePhase::Taxi, ObjectState::InSim, nullptr},
        {"live parked beside, leaving", true, 3, MovePhase::Parked, ObjectState::RemovalRequested, nullptr},
        {"live parked at a stand apart", true, 4, MovePhase::Parked, ObjectState::InSim, nullptr},
        {"static beside", false, 3, MovePhase::New, ObjectState::InSim,
         "G1      : no static parking for KLM12, static aircraft DLH4* is adjacent at G2, possibly colliding"},
        {"static on the stand", false, 2, MovePhase::New, ObjectState::CreationRequested,
         "G1      : no static parking for KLM12, static aircraft DLH4* is adjacent at G1, possibly colliding"},
        {"static on the stand, leaving", false, 2, MovePhase::New, ObjectState::RemovalRequested, nullptr},
    };
    for (const Case& c : cases) {
        clearAircraft();
        if (c.live)
            placed(g_liveAircraft, c.at, c.state, "DLH4").phase = c.phase;
        else
            placed(g_staticAircraft, c.at, c.state, "DLH4*");
        const std::size_t before = g_staticAircraft.size();
        g_standCandidates = {candidate(2)};
        lf_parkStatic();
        EXPECT_TRUE(g_standCandidates.empty()) << c.name << ": a refused candidate is dropped";
        EXPECT_EQ(g_staticAircraft.size(), before + (c.line ? 0 : 1)) << c.name;
        if (c.line) {
            EXPECT_TRUE(logged(c.line)) << c.name;
        }
    }
    g_standCandidates = {candidate(99)};
    lf_parkStatic();
    EXPECT_TRUE(logged("stand with id 99 not found"));
}

LatLon lf_besideLine(LatLon from, double heading, double alongNm, double sideFt)
{
    return gf_destinationPoint(gf_destinationPoint(from, heading, alongNm * kFeetPerNm), heading + kPi / 2.0, sideFt);
}

TEST_F(StaticParking, AnAircraftInTheUsersPathIsRemoved)
{
    struct Case {
        const char* name;
        double userAglFt;
        bool onGround;
        double sideFt;
        double belowFt; // the aircraft below the user at 5000 ft
        ObjectState state;
        bool removed;
    };
    const Case cases[] = {
        {"on the runway, 30 ft off the line", 400.0, true, 30.0, 0.0, ObjectState::InSim, true},
        {"on the runway, 60 ft off the line", 400.0, true, 60.0, 0.0, ObjectState::InSim, false},
        {"on the runway, the user at 500 ft", 500.0, true, 30.0, 0.0, ObjectState::InSim, false},
        {"on the runway, not yet in the simulator", 400.0, true, 30.0, 0.0, ObjectState::CreationRequested, false},
        {"airborne, 900 ft below", 4000.0, false, 600.0, 900.0, ObjectState::InSim, true},
        {"airborne, 1000 ft below", 4000.0, false, 600.0, 1000.0, ObjectState::InSim, false},
    };
    const double userHeading = 0.5;
    const double aiHeading = 1.2;
    for (const Case& c : cases) {
        clearAircraft();
        UserAcData user;
        user.heading = userHeading;
        user.altitude = 5000.0;
        user.aboveGround = c.userAglFt;
        LiveAcRecord& a = placed(g_liveAircraft, 0, c.state, "DLH4");
        a.onGround = c.onGround ? 1 : 0;
        a.block.heading = aiHeading;
        a.block.altitude = 5000.0 - c.belowFt;
        LatLon ai = lf_besideLine(kParkApron, userHeading, 0.8, c.sideFt);
        if (!c.onGround) { // the user 3 NM along the aircraft's line of flight, sideFt off it
            ai = kParkApron;
            const LatLon u = lf_besideLine(ai, aiHeading, 3.0, c.sideFt);
            user.lat = u.lat;
            user.lon = u.lon;
        } else {
            user.lat = kParkApron.lat;
            user.lon = kParkApron.lon;
        }
        a.block.lat = ai.lat;
        a.block.lon = ai.lon;
        g_userAc.set(user);
        EXPECT_EQ(gf_avoidUserCollision(a), c.removed) << c.name;
        EXPECT_EQ(a.state == ObjectState::RemovalRequested, c.removed) << c.name;
        EXPECT_EQ(!g_removalQueue.empty(), c.removed) << c.name;
    }
}

TEST_F(StaticParking, AStaticTouchedByALiveAircraftsWingsIsRemoved)
{
    struct Case {
        double apartNm;
        bool removed;
    };
    for (const Case& c : {Case{0.021, true}, Case{0.023, false}}) {
        clearAircraft();
        gf_resetStaticParking();
        // Two statics side by side; the first is still being created and does not count.
        placed(g_staticAircraft, 2, ObjectState::CreationRequested, "KLM1*").halfWingspanNm = 0.01;
        placed(g_staticAircraft, 2, ObjectState::InSim, "KLM2*").halfWingspanNm = 0.01;
        LiveAcRecord live;
        live.head.callsign = "DLH4";
        live.halfWingspanNm = 0.01;
        const LatLon at = gf_destinationPoint({g_stands[1].latitude, g_stands[1].longitude}, 2.0, c.apartNm * kFeetPerNm);
        live.block.lat = at.lat;
        live.block.lon = at.lon;
        lf_removeForCollisionAvoidance(live);
        EXPECT_EQ(g_staticAircraft[0].state, ObjectState::CreationRequested) << c.apartNm;
        EXPECT_EQ(g_staticAircraft[1].state == ObjectState::RemovalRequested, c.removed) << c.apartNm;
    }
    const auto lines = log();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "G1      : KLM2*    removed for collision avoidance with live DLH4"), 1)
        << "one removal, logged";
}

// The cells find exactly the static that a look at every pair finds, also across the date line.
TEST_F(StaticParking, CollisionCellsAgreeWithEveryPair)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> offset(-0.01, 0.01), span(0.002, 0.022);
    for (const LatLon airport : {kParkApron, LatLon{-16.69, 179.999}, LatLon{78.25, 15.5}}) {
        clearAircraft();
        gf_resetStaticParking();
        for (int i = 0; i < 300; ++i) {
            AiAcRecord& s = g_staticAircraft.emplace_back();
            s.state = i % 7 == 0 ? ObjectState::CreationRequested : ObjectState::InSim;
            s.objectId = 100 + static_cast<std::uint32_t>(i);
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
            std::optional<std::size_t> expected;
            for (std::size_t i = 0; i < g_staticAircraft.size() && !expected; ++i) {
                const AiAcRecord& s = g_staticAircraft[i];
                if (s.inSim() && (live.halfWingspanNm + s.halfWingspanNm) * 1.1 >=
                                     gf_distanceNm({live.block.lat, live.block.lon}, {s.initLat, s.initLon}))
                    expected = i;
            }
            lf_removeForCollisionAvoidance(live);
            std::optional<std::size_t> removed;
            for (std::size_t i = 0; i < g_staticAircraft.size(); ++i)
                if (g_staticAircraft[i].state == ObjectState::RemovalRequested) {
                    removed = i;
                    g_staticAircraft[i].state = ObjectState::InSim;
                }
            ASSERT_EQ(removed, expected) << airport.lat << "," << airport.lon << " live " << k;
            removals += removed ? 1 : 0;
        }
        EXPECT_GT(removals, 30) << "the positions must make touching wings common";
        EXPECT_LT(removals, 270) << "... but not the rule";
    }
}

} // namespace
} // namespace zyn::test
