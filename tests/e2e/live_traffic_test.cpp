// The demonstration scenario flown end to end in this process (tests/e2e/live_traffic_fixture.h).
#include "engine/records.h"
#include "settings/traffic_range.h"
#include "tests/e2e/live_traffic_checks.h"
#include "tests/e2e/live_traffic_fixture.h"
#include "traffic/reader.h"
#include "traffic/session.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace zyn::test {
namespace {

// The fastest each callsign of the scenario is ever reported, in knots.
std::map<std::string, double> lf_fastestByCallsign(const tools::TrafficScenario& scenario)
{
    std::map<std::string, double> fastest;
    for (const auto& ac : scenario.aircraft)
        for (double t = -200.0; t < 1500.0; t += 1.0)
            if (const auto at = tools::gf_scenarioAircraftAt(ac, 0.0, t))
                fastest[at->callsign] = std::max(fastest[at->callsign], at->groundSpeedKt);
    return fastest;
}

TEST_F(LiveTrafficThreads, ScenarioFliesThroughTheSimulatorAndLeavesNothingBehind)
{
    liveries.emplace(demoLiveries());
    startTraffic();
    ASSERT_FALSE(HasFatalFailure());
    const auto fill = traffic.requests("traffic").front().form;
    EXPECT_EQ(fill.at("buffercount"), std::to_string(kBufferCount));

    runFor(300);
    const auto objects = aiObjects();
    ASSERT_GE(objects.size(), 12u) << "aircraft created";

    // Titles are installed ones, and every object moved along its reports without a jump.
    std::set<std::string> titles;
    for (const auto& [type, title] : tools::gf_demoLiveries()) titles.insert(title);
    const auto scenario = tools::gf_trafficScenarioFromJson(generated.traffic);
    const auto fastest = lf_fastestByCallsign(scenario);
    int moved = 0, lit = 0;
    for (const auto& o : objects) {
        EXPECT_TRUE(titles.contains(o.title)) << o.atcId << " as " << o.title;
        ASSERT_TRUE(fastest.contains(o.atcId)) << o.atcId;
        const double limitKt = fastest.at(o.atcId) * 1.5;
        for (std::size_t i = 1; i < o.track.size(); ++i) {
            const auto& a = o.track[i - 1];
            const auto& b = o.track[i];
            EXPECT_LE(gf_distanceNm({a.lat, a.lon}, {b.lat, b.lon}), limitKt * (b.atSeconds - a.atSeconds) / 3600.0 + 0.005)
                << o.atcId << " jumped at " << b.atSeconds << " s";
        }
        moved += o.distanceMovedNm > 0.05 ? 1 : 0;
        lit += std::ranges::any_of(o.events, [](const auto& e) { return e.name.find("LIGHTS") != std::string::npos; });
    }
    EXPECT_GE(moved, 10);
    EXPECT_GE(lit, 10) << "lights set on the aircraft";

    // The aircraft whose reports stop overhead is taken out; the ghost never flies beside its original.
    const auto stopped = std::ranges::find_if(objects, [](const auto& o) { return o.atcId == "ZYN800"; });
    ASSERT_NE(stopped, objects.end());
    EXPECT_TRUE(stopped->removed) << "ZYN800 still flies after its reports stopped";
    EXPECT_FALSE(std::ranges::any_of(objects, [](const auto& o) { return o.atcId == "ABC1_"; }));
    // One registration under two hex ids flies once; the callsign change continues as the new callsign.
    EXPECT_EQ(std::ranges::count_if(objects, [](const auto& o) { return o.atcId == "ZYN811"; }), 1);
    EXPECT_EQ(std::ranges::count_if(objects, [](const auto& o) { return o.atcId == "TVO9999"; }), 1);

    // Gear up after each take-off that has played; the light cycle of every object.
    EXPECT_GE(expectGearUpAfterTakeOff(objects, scenarioLiftOffs(scenario), simemu::elapsedSeconds()), 1);
    EXPECT_GE(expectLightCycleOnEachObject(objects), 10);
    // The aircraft climbing away goes at the edge of the range, while the service still reports it.
    const auto leaver = std::ranges::find_if(objects, [](const auto& o) { return o.atcId == "ZYN899"; });
    ASSERT_NE(leaver, objects.end());
    expectRemovedAtTheRangeEdge(*leaver, user, g_rangeNm.load());

    // The end of the session: every aircraft removed, then the logout.
    removeAllAndWait();
    for (const auto& o : aiObjects()) EXPECT_TRUE(o.removed) << o.atcId << " left in the simulator";
    stopReader();
    deauthenticate();
    EXPECT_EQ(traffic.requestCount("deauth"), 1u);
}

} // namespace
} // namespace zyn::test

