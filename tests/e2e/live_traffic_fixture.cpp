#include "tests/e2e/live_traffic_fixture.h"

#include "base/log.h"
#include "base/tick.h"
#include "engine/ai_driver.h"
#include "engine/live_removals.h"
#include "platform/system/clock.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "sim/dispatch.h"
#include "sim/failed_liveries.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "sim/registration.h"
#include "tests/support/guard_time.h"
#include "traffic/client.h"
#include "traffic/intake.h"
#include "traffic/query_box.h"
#include "traffic/reader.h"
#include "traffic/session.h"

#include <algorithm>
#include <mutex>

namespace zyn::test {

using namespace std::chrono_literals;

namespace {
constexpr int kReaderThreads = 1; // login, then the traffic reader, on one thread
}

std::vector<LiveryData> demoLiveries(const std::vector<std::string>& airlines)
{
    std::vector<LiveryData> installed;
    for (const auto& l : tools::gf_demoLiveryList())
        if (airlines.empty() || std::ranges::find(airlines, l.airline) != airlines.end())
            installed.push_back(livery(l.airline, l.type, l.title));
    return installed;
}

tools::TrafficScenario LiveTrafficThreads::startingAtEpoch(const nlohmann::json& traffic)
{
    tools::TrafficScenario scenario = tools::gf_trafficScenarioFromJson(traffic);
    scenario.startTime = static_cast<double>(kEpoch); // the manual clock's start, set after the server is made
    return scenario;
}

void LiveTrafficThreads::SetUp()
{
    gf_setClock(&clock);
    gf_openLog();
    param::MSFS_2020.value = 1;
    param::LIGHT_AIRCRAFT.value = 1;
    param::COLLISION_USER_AIR.value = 0;
    param::COLLISION_USER_GND.value = 0;
    param::LOG.value = 1;
    writeText(root / "config" / "Tarvo" / "license.txt", "stand-in\n");
    tools::gf_writeScenarioFiles(generated, root / "scenario");
    traffic.start();

    // The simulator as the scenario file has it: its creation delays and drift on.
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

    gf_resetTrafficClients();
    gf_setTrafficRange(40);
    gf_setServiceUserPosition(user, sim.userTrack.front().altitudeFt);
    gf_updateTrafficBox();
    g_trafficClient.setUserPosition(user); // what the main loop passes on each second
    gf_setIntakeEnabled(true);
}

void LiveTrafficThreads::TearDown()
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

void LiveTrafficThreads::startReader()
{
    reader = std::thread([] {
        gf_startSession();
        gf_trafficReader();
    });
}

bool LiveTrafficThreads::batchWaiting() const
{
    std::lock_guard lock(g_intakeMutex);
    return !g_sharedBatch.empty();
}

void LiveTrafficThreads::stopReader()
{
    g_weatherClient.stop = 1; // the login's wait after the reply
    g_trafficClient.stop = 1;
    if (reader.joinable()) reader.join();
}

void LiveTrafficThreads::startTraffic()
{
    serviceUrl.emplace("TARVO_TRAFFIC_URL", traffic.baseUrl());
    startReader();
    ASSERT_TRUE(simemu::waitUntil([&] { return traffic.requestCount("auth") == 1; }, guardTime(10s))) << "no login";
    for (int s = 0; s < 30 && !HasFatalFailure(); ++s) {
        advance(1s);
        settle();
        if (batchWaiting()) break;
    }
    ASSERT_TRUE(batchWaiting()) << "no buffered fill handed over";
}

void LiveTrafficThreads::advance(std::chrono::nanoseconds by)
{
    ASSERT_TRUE(clock.advance(by, kReaderThreads, guardTime(60s))) << "the reader never went back to sleep";
}

void LiveTrafficThreads::settle()
{
    ASSERT_TRUE(clock.waitForSleepers(kReaderThreads, guardTime(60s))) << "the reader never went back to sleep";
}

void LiveTrafficThreads::step()
{
    gf_updateAI();
    advance(10ms);
    SimConnect_CallDispatch(handle, gf_dispatch, nullptr);
}

void LiveTrafficThreads::runFor(int seconds)
{
    for (int i = 0; i < seconds * kStepsPerSecond && !HasFatalFailure(); ++i) step();
}

void LiveTrafficThreads::removeAllAndWait()
{
    gf_removeAllLiveAc();
    for (int i = 0; i < 30 * kStepsPerSecond && !std::ranges::all_of(aiObjects(), [](const auto& o) { return o.removed; }); ++i)
        step();
}

std::vector<simemu::SimObject> LiveTrafficThreads::aiObjects() const
{
    std::vector<simemu::SimObject> out;
    for (const auto& o : simemu::objects())
        if (!o.isUser && !o.isForeign) out.push_back(o);
    return out;
}

} // namespace zyn::test
