#include "tests/traffic/service_fixture.h"

#include "aircraft/records.h"
#include "base/log.h"
#include "core/exit.h"
#include "core/startup.h"
#include "traffic/client.h"
#include "traffic/service_request.h"

#include <chrono>
#include <cstdlib>

#include <fmt/format.h>

namespace zyn::test {

RunningClock::RunningClock()
{
    gf_setClock(&clock);
    const auto realStart = std::chrono::steady_clock::now();
    const std::time_t utcStart = clock.utcNow();
    m_thread = std::thread([this, realStart, utcStart] {
        while (!m_done.load()) {
            clock.advanceSteady(std::chrono::milliseconds(50));
            const auto real = std::chrono::steady_clock::now() - realStart;
            clock.setUtc(utcStart + std::chrono::duration_cast<std::chrono::seconds>(real).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

RunningClock::~RunningClock()
{
    m_done.store(true);
    m_thread.join();
    gf_setClock(nullptr);
}

bool waitUntil(const std::function<bool()>& test)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
        if (test()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return test();
}

tools::TrafficScenario gf_testScenario()
{
    // The stand-in's own aircraft, moved from Zurich to Amsterdam.
    tools::TrafficScenario scenario = tools::gf_defaultTrafficScenario();
    scenario.station = "EHAM";
    for (auto& ac : scenario.aircraft) {
        ac.lat += 52.31 - 47.4647;
        ac.lon += 4.76 - 8.5492;
    }
    scenario.rrl = 300;
    scenario.wrrl = 300;
    scenario.licenses = {"LICENSE-1", "a&b=c+d%e f"};
    return scenario;
}

void setUserAircraft(LatLon position, double altitudeFt)
{
    gf_setServiceUserPosition(position, altitudeFt);
}

TrafficServiceTest::TrafficServiceTest(tools::TrafficScenario scenario) : server(std::move(scenario)) {}

void TrafficServiceTest::SetUp()
{
    gf_connectRooms(); // a failed reader ends in the exit sequence, which stops the other one
    gf_openLog();
    server.start();
    url.emplace("TARVO_TRAFFIC_URL", server.baseUrl());
    userFolders.emplace(dir / "config");
    writeLicense("LICENSE-1\n");
}

void TrafficServiceTest::TearDown()
{
    waitUntil([] { return !gf_exitSequenceRunning(); }); // it logs out through the stand-in
    server.stop();
    gf_closeLog();
}

std::vector<std::string> TrafficServiceTest::logLines() const { return readLines(dir / "Log.txt"); }

bool TrafficServiceTest::logHas(const std::string& text) const
{
    for (const auto& line : logLines())
        if (line.find(text) != std::string::npos) return true;
    return false;
}

void TrafficServiceTest::writeLicense(const std::string& text) { writeText(dir / "config" / "Tarvo" / "license.txt", text); }

void TrafficServiceTest::resetReaderOutcome()
{
    waitUntil([] { return !gf_exitSequenceRunning(); }); // a restart resets the clients when it ends
    g_readerError.store(0);
    g_exitRequested.store(0);
    g_exitReason.store(0);
    g_trafficClient.stop.store(0);
    g_weatherClient.stop.store(0);
    server.clearFaults();
}

void TrafficServiceTest::expectRefusal(const std::string& logged, const TrafficClientBase& other, bool restart) const
{
    EXPECT_TRUE(logHas(logged));
    if (!restart) {
        EXPECT_EQ(other.stop.load(), 1);
        EXPECT_EQ(g_readerError.load(), 1);
        EXPECT_EQ(g_exitReason.load(), 0);
        EXPECT_FALSE(gf_exitSequenceRunning());
        return;
    }
    // The restart runs the exit sequence on a thread of its own, which resets both clients, the exit
    // reason and the reader error on its way: looked at while it runs, they are a race. It is over
    // before anything is looked at, and what it leaves is its log.
    ASSERT_TRUE(waitUntil([] { return !gf_exitSequenceRunning(); })) << "the exit sequence did not end";
    const auto reason = static_cast<std::size_t>(ExitReason::ReaderError);
    EXPECT_TRUE(logHas(fmt::format("Exiting: {}", g_exitReasonTexts.at(reason))));
    EXPECT_TRUE(logHas("Restarting after 15 seconds"));
    EXPECT_EQ(g_readerError.load(), 0);
    EXPECT_EQ(g_exitRequested.load(), 0);
}

} // namespace zyn::test
