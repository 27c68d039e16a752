// Live traffic at the park airport: the stands of the demonstration airport are loaded, so that
// departures stand at their stands and push back, and arrivals taxi onto free stands.
#include "airport/airports.h"
#include "airport/park_pos.h"
#include "airport/stand_lookup.h"
#include "base/folders.h"
#include "engine/records.h"
#include "engine/stand_search.h"
#include "parking/park_airport.h"
#include "parking/session_calls.h"
#include "sim/user_aircraft.h"
#include "tests/e2e/live_traffic_fixture.h"
#include "tools/airport_gen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace zyn::test {
namespace {

constexpr double kOnStandNm = 8.0 / 1852.0;

class ParkStandsThreads : public LiveTrafficThreads {
protected:
    void SetUp() override
    {
        LiveTrafficThreads::SetUp();
        tools::gf_writeDemoAirportData(root / "input", root / "downloads");
        const auto demo = tools::gf_demoAirport();
        std::filesystem::create_directories(g_myThirdpartyPath);
        std::filesystem::copy_file(root / "downloads/MSFS/archive/stock" / (demo.code + ".xml"),
                                   g_myThirdpartyPath / (demo.code + ".xml"));
        gf_resetAirports();
        ASSERT_TRUE(gf_readAirports());
        UserAcData data;
        data.lat = user.lat;
        data.lon = user.lon;
        g_userAc.set(data);
        g_userAcSim.set(data);
        g_userOnGround = 1;
        g_userDataValid = 1;
    }
    void TearDown() override
    {
        gf_resetParkAirports();
        gf_resetAirports();
        gf_resetUserAircraft();
        LiveTrafficThreads::TearDown();
    }
};

TEST_F(ParkStandsThreads, DeparturesPushBackAndArrivalsParkOnFreeStandsOneAircraftEach)
{
    liveries.emplace(demoLiveries());
    ASSERT_TRUE(lf_readMyParkAirports());
    gf_checkForParkAirportUpdates(true);
    gf_checkForParkAirportUpdates(false); // the stands are read at the check after the start
    const auto demo = tools::gf_demoAirport();
    ASSERT_EQ(gf_parkAirport().icao, demo.code);
    ASSERT_EQ(g_stands.size(), demo.stands.size());
    const std::string userStand = gf_closestStandName(user);
    ASSERT_FALSE(userStand.empty()) << "the user stands at a stand";
    EXPECT_EQ(gf_parkAirportsCopy().front().stand, userStand) << "the user's stand is recorded";

    startTraffic();
    ASSERT_FALSE(HasFatalFailure());
    std::set<std::uint32_t> spawnedParked, pushedBack, parkedOnArrival;
    std::map<std::uint32_t, MovePhase> last;
    for (int second = 0; second < 520 && !HasFatalFailure(); ++second) {
        runFor(1);
        // What the simulator shows: never two of our objects within 8 m of one stand.
        std::map<std::string, std::string> shownAt;
        for (const auto& o : aiObjects()) {
            if (o.removed)
                continue;
            const std::string stand = gf_closestStandName({o.pose.lat, o.pose.lon});
            const auto* at = stand.empty() ? nullptr : gf_findStandByName(stand);
            if (!at || gf_distanceNm({o.pose.lat, o.pose.lon}, {at->latitude, at->longitude}) > kOnStandNm)
                continue;
            const auto [other, fresh] = shownAt.emplace(stand, o.atcId);
            EXPECT_TRUE(fresh) << o.atcId << " and " << other->second << " shown on " << stand << " at " << second << " s";
        }
        std::map<std::uint32_t, std::string> holders;
        for (const auto& a : g_liveAircraft) {
            if (a.standId == 0 || a.state == ObjectState::RemovalRequested ||
                (a.phase != MovePhase::Parked && a.phase != MovePhase::TaxiToStand))
                continue;
            const auto [held, fresh] = holders.emplace(a.standId, a.head.callsign);
            EXPECT_TRUE(fresh) << a.head.callsign << " and " << held->second << " on stand "
                               << gf_standBySid(a.standId)->id << " at " << second << " s";
            EXPECT_NE(gf_standBySid(a.standId)->id, userStand) << a.head.callsign << " on the user's stand";
            const auto before = last.find(a.hexId);
            if ((before == last.end() || before->second == MovePhase::New) && a.phase == MovePhase::Parked)
                spawnedParked.insert(a.hexId);
            if (a.phase == MovePhase::TaxiToStand)
                parkedOnArrival.insert(a.hexId);
        }
        for (const auto& a : g_liveAircraft) {
            if (spawnedParked.contains(a.hexId) && a.state == ObjectState::InSim &&
                (a.phase == MovePhase::Pushback || a.phase == MovePhase::EnginesStarting || a.phase == MovePhase::Taxi))
                pushedBack.insert(a.hexId);
            last[a.hexId] = a.phase;
        }
    }
    EXPECT_GE(spawnedParked.size(), 1u) << "departures stand at their stands";
    EXPECT_GE(pushedBack.size(), 1u) << "a departure pushed back from its stand";
    EXPECT_GE(parkedOnArrival.size(), 1u) << "an arrival taxied to a stand";
    removeAllAndWait();
    stopReader();
}

} // namespace
} // namespace zyn::test
