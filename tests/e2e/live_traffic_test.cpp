// Live traffic end to end in this process: the traffic client's reader thread polls the stand-in
// playing the demonstration scenario over loopback, the engine ticks every 10 ms of a lockstep clock and
// the simulator link sends its work to the emulator parked at the scenario's airport. The clock moves
// only once the reader sleeps again, so each poll happens at its own simulated time however slow the
// machine is.
#include "base/geo.h"
#include "base/log.h"
#include "base/tick.h"
#include "engine/ai_driver.h"
#include "engine/live_removals.h"
#include "engine/records.h"
#include "platform/simconnect/emulator.h"
#include "platform/system/clock.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "sim/dispatch.h"
#include "sim/failed_liveries.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "sim/registration.h"
#include "tests/e2e/live_traffic_checks.h"
#include "tests/e2e/program_run_fixture.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/guard_time.h"
#include "tests/support/livery_fixture.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tools/demo_dbase.h"
#include "tools/lockstep_clock.h"
#include "tools/scenario_gen.h"
#include "tools/traffic_server.h"
#include "traffic/client.h"
#include "traffic/intake.h"
#include "traffic/query_box.h"
#include "traffic/reader.h"
#include "traffic/session.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <thread>

namespace zyn {
namespace {

using namespace std::chrono_literals;

constexpr std::time_t kEpoch = 1796601600;
constexpr int kStepsPerSecond = 100;
constexpr int kReaderThreads = 1; // login, then the traffic reader, on one thread

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

tools::TrafficScenario lf_startingAtEpoch(const nlohmann::json& traffic)
{
    tools::TrafficScenario scenario = tools::gf_trafficScenarioFromJson(traffic);
    scenario.startTime = static_cast<double>(kEpoch); // the manual clock's start, set after the server is made
    return scenario;
}

class LiveTrafficThreads : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_setClock(&clock);
        gf_openLog();
        param::MSFS_2020.value = 1;
        param::LIGHT_AIRCRAFT.value = 1;
        param::COLLISION_USER_AIR.value = 0;
        param::COLLISION_USER_GND.value = 0;
        param::LOG.value = 1;
        test::writeText(root / "config" / "Tarvo" / "license.txt", "stand-in\n");
        tools::gf_writeScenarioFiles(generated, root / "scenario");
        traffic.start();

        simemu::Scenario sim = simemu::gf_loadScenarioFile(root / "scenario" / tools::kSimScenarioFile);
        sim.frameRate = kStepsPerSecond; // one frame per engine tick
        user = {sim.userTrack.front().lat, sim.userTrack.front().lon};
        simemu::reset(sim);
        gf_resetSimLink();
        gf_initSimConnectQueues();
        ASSERT_TRUE(SUCCEEDED(SimConnect_Open(&handle, "Tarvo", nullptr, 0, nullptr, 0)));
        g_hSimConnect = handle;
        gf_registerSimConnect(handle);
        gf_reserveAcContainers();
        gf_clearAcContainers();
        g_tick = 0;
        liveries.emplace(test::genericLiveries(tools::gf_demoLiveries()));

        gf_resetTrafficClients();
        gf_setTrafficRange(40);
        gf_setServiceUserPosition(user, sim.userTrack.front().altitudeFt);
        gf_updateTrafficBox();
        g_trafficClient.setUserPosition(user); // what the main loop passes on each second
        gf_setIntakeEnabled(true);
    }
    void TearDown() override
    {
        stopReader();
        gf_clearAcContainers();
        g_tick = 0;
        if (handle) SimConnect_Close(handle);
        simemu::reset();
        gf_resetSimLink();
        gf_resetFailedLiveries();
        liveries.reset();
        gf_setIntakeEnabled(false);
        {
            std::lock_guard lock(g_intakeMutex);
            g_sharedBatch.clear();
        }
        gf_resetTrafficClients();
        traffic.stop();
        param::LIGHT_AIRCRAFT.value = 0;
        param::COLLISION_USER_AIR.value = 1;
        param::COLLISION_USER_GND.value = 1;
        gf_closeLog();
        gf_setClock(nullptr);
    }

    // Login and the reader, on a thread of their own as in the program: both wait on the clock.
    void startReader()
    {
        reader = std::thread([] {
            gf_startSession();
            gf_trafficReader();
        });
    }
    bool batchWaiting() const
    {
        std::lock_guard lock(g_intakeMutex);
        return !g_sharedBatch.empty();
    }
    void stopReader()
    {
        g_weatherClient.stop = 1; // the login's wait after the reply
        g_trafficClient.stop = 1;
        if (reader.joinable()) reader.join();
    }

    // Moves the clock once the reader has done what the last move woke it for.
    void advance(std::chrono::nanoseconds by)
    {
        ASSERT_TRUE(clock.advance(by, kReaderThreads, test::guardTime(60s))) << "the reader never went back to sleep";
    }
    // Waits until the reader has done what the last move woke it for.
    void settle() { ASSERT_TRUE(clock.waitForSleepers(kReaderThreads, test::guardTime(60s))) << "the reader never went back to sleep"; }
    // One engine tick, 10 ms, one dispatch of what the simulator sent.
    void step()
    {
        gf_updateAI();
        advance(10ms);
        SimConnect_CallDispatch(handle, gf_dispatch, nullptr);
    }
    void runFor(int seconds)
    {
        for (int i = 0; i < seconds * kStepsPerSecond && !HasFatalFailure(); ++i) step();
    }
    std::vector<simemu::SimObject> aiObjects() const
    {
        std::vector<simemu::SimObject> out;
        for (const auto& o : simemu::objects())
            if (!o.isUser && !o.isForeign) out.push_back(o);
        return out;
    }

    tools::LockstepClock clock{kEpoch};
    test::TempDir root;
    test::ScopedEnv config{"XDG_CONFIG_HOME", (root / "config").string()};
    test::ScopedCwd cwd{root.path()};
    tools::GeneratedScenario generated = tools::gf_generateScenario(7);
    tools::TrafficServer traffic{lf_startingAtEpoch(generated.traffic)};
    test::ScopedEnv url{"TARVO_TRAFFIC_URL", ""};
    HANDLE handle = nullptr;
    LatLon user;
    test::ScopedDbase dbase{tools::gf_demoDbase()};
    std::optional<test::InstalledLiveries> liveries;
    std::thread reader;
};

TEST_F(LiveTrafficThreads, ScenarioFliesThroughTheSimulatorAndLeavesNothingBehind)
{
    test::ScopedEnv serviceUrl("TARVO_TRAFFIC_URL", traffic.baseUrl());
    startReader();
    ASSERT_TRUE(test::waitFor([&] { return traffic.requestCount("auth") == 1; }, 10s)) << "no login";
    for (int s = 0; s < 30 && !HasFatalFailure(); ++s) {
        advance(1s);
        settle();
        if (batchWaiting()) break;
    }
    ASSERT_TRUE(batchWaiting()) << "no buffered fill handed over";
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
    EXPECT_GE(test::expectGearUpAfterTakeOff(objects, test::scenarioLiftOffs(scenario), simemu::elapsedSeconds()), 1);
    EXPECT_GE(test::expectLightCycleOnEachObject(objects), 10);
    // The aircraft climbing away goes at the edge of the range, while the service still reports it.
    const auto leaver = std::ranges::find_if(objects, [](const auto& o) { return o.atcId == "ZYN899"; });
    ASSERT_NE(leaver, objects.end());
    test::expectRemovedAtTheRangeEdge(*leaver, user, g_rangeNm.load());

    // The end of the session: every aircraft removed, then the logout.
    gf_removeAllLiveAc();
    for (int i = 0; i < 30 * kStepsPerSecond && !std::ranges::all_of(aiObjects(), [](const auto& o) { return o.removed; }); ++i)
        step();
    for (const auto& o : aiObjects()) EXPECT_TRUE(o.removed) << o.atcId << " left in the simulator";
    stopReader();
    deauthenticate();
    EXPECT_EQ(traffic.requestCount("deauth"), 1u);
}

} // namespace
} // namespace zyn

