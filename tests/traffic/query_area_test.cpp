#include "settings/traffic_range.h"
#include "tests/traffic/service_fixture.h"
#include "traffic/intake.h"
#include "traffic/query_box.h"
#include "traffic/reader.h"

#include <gtest/gtest.h>

#include <set>

namespace zyn {
namespace {

TEST(TrafficQueryBox, KeepsStartValuesUntilThePositionIsKnown)
{
    test::setUserAircraft({0.0, 0.0});
    gf_updateTrafficBox();
    const QueryBox box = g_trafficClient.queryBox();
    EXPECT_EQ(box.top, 52.44);
    EXPECT_EQ(box.bottom, 52.17);
    EXPECT_EQ(box.left, 4.54);
    EXPECT_EQ(box.right, 4.98);
}

TEST(TrafficQueryBox, FollowsMovesAndRangeChanges)
{
    gf_setTrafficRange(10);
    test::setUserAircraft({52.3, 4.7});
    gf_updateTrafficBox();
    QueryBox box = g_trafficClient.queryBox();
    EXPECT_NEAR(box.top, 52.3 + 0.16655, 1e-5);
    EXPECT_NEAR(box.bottom, 52.3 - 0.16655, 1e-5);
    EXPECT_LT(box.left, 4.7);
    EXPECT_GT(box.right, 4.7);

    test::setUserAircraft({52.3001, 4.7001});
    gf_updateTrafficBox();
    EXPECT_EQ(g_trafficClient.queryBox().top, box.top);

    gf_setTrafficRange(20);
    gf_updateTrafficBox();
    EXPECT_NEAR(g_trafficClient.queryBox().top, 52.3001 + 2 * 0.16655, 1e-4);
}

TEST(TrafficQueryBox, StaysOnTheGlobeAtThePoles)
{
    for (const double lat : {89.9, -89.9}) {
        const QueryBox box = gf_trafficBoxAround({lat, 30.0}, 40.0);
        EXPECT_LE(box.top, 90.0);
        EXPECT_GE(box.bottom, -90.0);
        EXPECT_EQ(box.left, -180.0);
        EXPECT_EQ(box.right, 180.0);
    }
}

TEST(TrafficQueryBox, CrossesTheAntimeridianWithLeftAboveRight)
{
    const QueryBox box = gf_trafficBoxAround({0.0, 179.9}, 40.0);
    EXPECT_GT(box.left, 179.0);
    EXPECT_LT(box.right, -179.0);
}

tools::ScenarioAircraft lf_aircraftAt(const char* hex, double lat, double lon)
{
    tools::ScenarioAircraft ac;
    ac.hexId = hex;
    ac.callsign = std::string("T") + hex;
    ac.type = "B738";
    ac.registration = "PH-" + std::string(hex);
    ac.lat = lat;
    ac.lon = lon;
    ac.altitudeFt = 20000;
    ac.groundSpeedKt = 400;
    return ac;
}

tools::TrafficScenario lf_edgeScenario()
{
    tools::TrafficScenario s = test::gf_testScenario();
    s.aircraft = {lf_aircraftAt("a00001", 0.1, 179.95), lf_aircraftAt("a00002", -0.1, -179.95),
                  lf_aircraftAt("a00003", 0.0, 170.0), lf_aircraftAt("a00004", 89.95, 120.0),
                  lf_aircraftAt("a00005", 89.95, -60.0)};
    return s;
}

class TrafficQueryBoxThreads : public test::TrafficServiceTest {
protected:
    TrafficQueryBoxThreads() : TrafficServiceTest(lf_edgeScenario()) {}

    std::set<std::uint32_t> bufferedHexIdsAround(LatLon user)
    {
        test::setUserAircraft(user);
        g_trafficClient.setUserPosition(user);
        gf_updateTrafficBox();
        std::int32_t status = 0;
        EXPECT_TRUE(buffer(g_trafficClient, status));
        std::set<std::uint32_t> ids;
        std::lock_guard lock(g_intakeMutex);
        for (const auto& r : g_sharedBatch) ids.insert(r.hexId);
        g_sharedBatch.clear();
        return ids;
    }
};

TEST_F(TrafficQueryBoxThreads, ServiceAnswersBothSidesOfTheAntimeridianAndAroundThePole)
{
    g_trafficClient.setGuid("g-1");
    EXPECT_EQ(bufferedHexIdsAround({0.0, 179.99}), (std::set<std::uint32_t>{0xa00001, 0xa00002}));
    EXPECT_EQ(bufferedHexIdsAround({89.9, 0.0}), (std::set<std::uint32_t>{0xa00004, 0xa00005}));
}

} // namespace
} // namespace zyn
