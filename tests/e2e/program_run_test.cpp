// The whole program as a user runs it: login, the buffered fill, the polls, and a clean end on Ctrl-C;
// and what it does when the traffic service goes away under it.
#include "tests/e2e/program_run_fixture.h"

#include "platform/simconnect/emulator_scenario.h"
#include "tools/scenario_gen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace zyn::test {
namespace {

using namespace std::chrono_literals;

TEST_F(ProgramRunThreads, LogsInFillsTheBufferAndLeavesNothingBehindOnCtrlC)
{
    startProgram();
    ASSERT_TRUE(waitFor([&] { return bufferedFills(*traffic) >= 1 && logHas("Traffic Reader connected"); }));
    EXPECT_EQ(traffic->requestCount("auth"), 1u);
    ASSERT_EQ(bufferedFills(*traffic), 1u);
    const auto fill = traffic->requests("traffic").front().form;
    EXPECT_EQ(fill.at("buffercount"), "5");
    // The fill asks around the user's aircraft, so the delay line fills before the main loop starts.
    const auto user = simemu::gf_loadScenarioFile(root / "scenario" / tools::kSimScenarioFile).userTrack.front();
    EXPECT_LT(std::stod(fill.at("bottom")), user.lat);
    EXPECT_GT(std::stod(fill.at("top")), user.lat);
    EXPECT_LT(std::stod(fill.at("left")), user.lon);
    EXPECT_GT(std::stod(fill.at("right")), user.lon);
    EXPECT_TRUE(logHas("Authenticated at RT server \"loopback\""));
    EXPECT_EQ(traffic->requestCount("deauth"), 0u);
    // The start-up scanned the installed package, so the traffic gets dressed in its liveries.
    std::set<std::string> titles;
    for (const auto& [type, title] : tools::gf_demoLiveries()) titles.insert(title);
    ASSERT_TRUE(waitFor([&] { return std::ranges::any_of(titles, [&](const auto& t) { return logHas(t); }); }, 60s))
        << "no aircraft matched an installed livery";
    // Creations are paced; three more polls give the first of them ample time to reach the simulator.
    const auto pollsAtMatch = polls(*traffic);
    ASSERT_TRUE(waitFor([&] { return polls(*traffic) >= pollsAtMatch + 3; }));

    EXPECT_EQ(interruptAndWait(), 0);
    EXPECT_EQ(traffic->requestCount("deauth"), 1u) << "logout on the way out";
    EXPECT_TRUE(logHas("Exiting: USER CLOSED SIM"));
    const auto report = readSimReport(program / "sim_objects.txt");
    ASSERT_FALSE(report.empty()) << "the simulator connection was closed and reported";
    EXPECT_EQ(report.front().kind, "user");
    const auto created = std::ranges::count_if(report, [&](const auto& o) {
        return o.kind != "user" && titles.contains(o.title);
    });
    EXPECT_GE(created, 1) << "AI aircraft created with installed titles";
    EXPECT_EQ(objectsLeftAtClose(), std::vector<std::string>{}) << "removed by the program before it closed";
    EXPECT_TRUE(std::filesystem::exists(program / "sim_tracks.png"));
}

TEST_F(ProgramRunThreads, TrafficServiceGoneMidRunIsLoggedAndPollingResumesWhenItReturns)
{
    startProgram();
    ASSERT_TRUE(waitFor([&] { return polls(*traffic) >= 1; }));
    const int port = std::stoi(traffic->baseUrl().substr(traffic->baseUrl().rfind(':') + 1));
    traffic->stop();
    ASSERT_TRUE(waitForLog("curl traffic code_t: ")) << "the failed poll is reported";
    EXPECT_EQ(process->waitForExit(0s), std::nullopt) << "a service that does not answer ends nothing";

    // The service comes back on the same address: the reader carries on with it.
    traffic = std::make_unique<tools::TrafficServer>(
        tools::gf_loadTrafficScenario(root / "scenario" / tools::kTrafficScenarioFile));
    traffic->start("127.0.0.1", port);
    ASSERT_TRUE(waitFor([&] { return polls(*traffic) >= 1; })) << "polling did not resume";
    EXPECT_EQ(interruptAndWait(), 0);
    EXPECT_EQ(traffic->requestCount("deauth"), 1u);
    EXPECT_FALSE(logHas("RT error"));
}

// The simulator closes mid-run (its QUIT message, then calls that fail): the session ends as the
// simulator-closed exit, with the logout, and the program quits on its own.
TEST_F(ProgramRunThreads, SimulatorClosingMidRunEndsTheProgram)
{
    const auto simFile = root / "scenario" / tools::kSimScenarioFile;
    auto sim = nlohmann::json::parse(readText(simFile));
    sim["quit_after_s"] = 12; // after the connection opened: traffic flies by then
    writeText(simFile, sim.dump());
    startProgram();
    ASSERT_TRUE(waitFor([&] { return polls(*traffic) >= 1; }));
    EXPECT_EQ(process->waitForExit(60s), 0) << "the program ended by itself";
    EXPECT_TRUE(logHas("Flight Simulator no longer connected, Tarvo will stop ..."));
    EXPECT_TRUE(logHas("Exiting: SIM WAS CLOSED"));
    EXPECT_EQ(traffic->requestCount("deauth"), 1u) << "logout on the way out";
}

} // namespace
} // namespace zyn::test

