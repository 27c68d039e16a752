#include "platform/system/clock.h"
#include "shown/sim_display.h"
#include "shown/status_line.h"
#include "sim/ids.h"
#include "tests/sim/sim_link_fixture.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>

namespace zyn {
namespace {

using namespace std::chrono_literals;

class SimClientThreads : public test::SimLinkFixture {};

std::vector<std::string> lf_calledFunctions()
{
    std::vector<std::string> names;
    for (const auto& call : simemu::calls())
        names.push_back(call.function);
    return names;
}

TEST_F(SimClientThreads, RegistersEventsDefinitionsClientEventsAndGroupInOrder)
{
    connect();
    ASSERT_TRUE(simemu::waitUntil([] { return !simemu::callsOf("SimConnect_SetNotificationGroupPriority").empty(); }));
    const auto calls = simemu::calls();
    ASSERT_EQ(calls.at(0).function, "SimConnect_Open");
    EXPECT_EQ(calls.at(0).args.at(0), "Tarvo");

    std::vector<std::vector<std::string>> subscriptions;
    for (const auto& c : simemu::callsOf("SimConnect_SubscribeToSystemEvent"))
        subscriptions.push_back(c.args);
    const std::vector<std::vector<std::string>> expectedEvents{
        {"201", "Sim"}, {"202", "ObjectAdded"}, {"203", "ObjectRemoved"}, {"205", "FlightLoaded"}, {"204", "Frame"}};
    EXPECT_EQ(subscriptions, expectedEvents);

    std::vector<std::string> definitionOrder;
    for (const auto& c : simemu::callsOf("SimConnect_AddToDataDefinition"))
        if (definitionOrder.empty() || definitionOrder.back() != c.args.at(0))
            definitionOrder.push_back(c.args.at(0));
    EXPECT_EQ(definitionOrder,
              (std::vector<std::string>{"407", "408", "409", "402", "403", "405", "406", "404", "401"}));
    const auto variables = simemu::callsOf("SimConnect_AddToDataDefinition");
    ASSERT_EQ(variables.size(), 33u);
    const auto variableOf = [&](std::size_t i) {
        return std::vector<std::string>(variables.at(i).args.begin(), variables.at(i).args.begin() + 4);
    };
    EXPECT_EQ(variableOf(0), (std::vector<std::string>{"407", "TITLE", "(null)", "11"}));
    EXPECT_EQ(variableOf(1), (std::vector<std::string>{"408", "ATC MODEL", "(null)", "6"}));
    EXPECT_EQ(variableOf(2), (std::vector<std::string>{"409", "SIM ON GROUND", "Bool", "2"}));
    EXPECT_EQ(variableOf(10), (std::vector<std::string>{"402", "Airspeed True", "knots", "4"}));
    EXPECT_EQ(variableOf(22), (std::vector<std::string>{"403", "LIGHT STATES", "Mask", "2"}));
    EXPECT_EQ(variableOf(29), (std::vector<std::string>{"404", "ATC ID", "(null)", "6"}));
    EXPECT_EQ(variableOf(32), (std::vector<std::string>{"401", "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", "4"}));

    std::vector<std::string> mapped;
    for (const auto& c : simemu::callsOf("SimConnect_MapClientEventToSimEvent"))
        mapped.push_back(c.args.at(0));
    EXPECT_EQ(mapped, (std::vector<std::string>{"219", "220", "221", "222", "217", "218", "207", "206", "210", "208",
                                                "209", "212", "211", "213", "214", "215", "216"}));

    const auto members = simemu::groupMembers(simid::kGroup);
    EXPECT_EQ(members, (std::vector<SIMCONNECT_CLIENT_EVENT_ID>{207, 206, 210, 208, 209, 212, 211, 213, 217, 218, 219,
                                                                221, 222, 214, 215, 216}));
    EXPECT_EQ(std::count(members.begin(), members.end(), simid::kEngineAutoStart), 0);

    // Subscriptions, then definitions, then mappings, then the group: each block whole before the next.
    std::vector<std::string> blocks;
    for (const auto& name : lf_calledFunctions())
        if (blocks.empty() || blocks.back() != name)
            blocks.push_back(name);
    blocks.resize(std::min<std::size_t>(blocks.size(), 6));

    // The simulator knew every name: no exception came back for any registration.
    const auto delivered = simemu::messagesDelivered();
    ASSERT_TRUE(simemu::waitUntil([&] { return simemu::messagesDelivered() > delivered + 3; }));
    stopClient();
    EXPECT_FALSE(logHasPrefix("===> SIMCON EXCEP"));
    EXPECT_EQ(blocks, (std::vector<std::string>{"SimConnect_Open", "SimConnect_SubscribeToSystemEvent",
                                                "SimConnect_AddToDataDefinition", "SimConnect_MapClientEventToSimEvent",
                                                "SimConnect_AddClientEventToNotificationGroup",
                                                "SimConnect_SetNotificationGroupPriority"}));
}

// A rescan asked for before the simulator ever answered restarts the program; one asked for after it
// answered waits for the next start, also when a restart came in between.
TEST_F(SimClientThreads, AConnectionOnceOpenedIsRememberedAcrossARestart)
{
    EXPECT_EQ(g_simNeverConnected.load(), 1);
    connect();
    ASSERT_TRUE(simemu::waitUntil([] { return simemu::isConnected(); }));
    stopClient();
    EXPECT_EQ(g_simNeverConnected.load(), 0);
    gf_resetSimLink(); // as the restart resets the link
    EXPECT_EQ(g_simNotConnected.load(), 1) << "the new session has not connected yet";
    EXPECT_EQ(g_simNeverConnected.load(), 0);
}

TEST_F(SimClientThreads, RetriesEverySecondWithOneWaitingMessage)
{
    ManualClock clock;
    gf_setClock(&clock);
    simemu::Scenario scenario;
    simemu::reset(scenario);
    simemu::failOpen(3);
    m_client = std::jthread(SimClient);
    ASSERT_TRUE(simemu::waitUntil([] { return !simemu::callsOf("SimConnect_Open").empty(); }));
    EXPECT_EQ(g_simNotConnected.load(), 1);
    // Time moves in steps of a tenth of a second until the fourth attempt connects.
    for (int step = 0; step < 100 && !simemu::isConnected(); ++step) {
        clock.advance(100ms);
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(simemu::isConnected());
    const auto opens = simemu::callsOf("SimConnect_Open");
    ASSERT_EQ(opens.size(), 4u);
    for (std::size_t i = 1; i < opens.size(); ++i) { // in whole milliseconds: 1.4 - 0.4 is less than 1.0 in doubles
        const long apart = std::lround((opens[i].atSeconds - opens[i - 1].atSeconds) * 1000.0);
        EXPECT_GE(apart, 1000);
        EXPECT_LT(apart, 2000);
    }
    stopClient();
    gf_setClock(nullptr);
    EXPECT_EQ(g_simNotConnected.load(), 0);
    EXPECT_EQ(logCount("Waiting for MSFS 2020 ..."), 1);
}

TEST_F(SimClientThreads, ExitWhileWaitingEndsWithoutConnection)
{
    simemu::reset();
    simemu::failOpen(1000000);
    m_client = std::jthread(SimClient);
    ASSERT_TRUE(simemu::waitUntil([] { return !simemu::callsOf("SimConnect_Open").empty(); }));
    g_exitRequested = 1;
    m_client.join(); // ends by itself, without a stop request
    EXPECT_TRUE(simemu::callsOf("SimConnect_Close").empty());
    EXPECT_FALSE(logHas("SimConnect closed ok"));
}

TEST_F(SimClientThreads, StopWhileConnectedClosesTheConnection)
{
    connect();
    stopClient();
    EXPECT_EQ(simemu::callsOf("SimConnect_Close").size(), 1u);
    EXPECT_FALSE(simemu::isConnected());
    EXPECT_TRUE(logHas("SimConnect closed ok"));
    EXPECT_EQ(g_simConnected.load(), 0);
    EXPECT_EQ(g_hSimConnect.load(), nullptr);
}

TEST_F(SimClientThreads, OpenReplyIdentifiesTheSimulator)
{
    const struct {
        int simulator;
        std::uint8_t msfs2020Setting;
        std::string applicationName;
        std::string label;  // empty: the connection ends with the error below
        std::string error;
    } cases[] = {
        {2020, 1, "", "MSFS 2020 (", ""},
        {2024, 0, "", "MSFS 2024", ""},
        {2020, 0, "", "", "Error 71: MSFS 2020 is running ..., switch Sim or toggle the Install path checkbox of Tarvo"},
        {2024, 1, "", "", "Error 71: MSFS 2024 is running ..., switch Sim or toggle the Install path checkbox of Tarvo"},
        {2020, 1, "Prepar3D v5", "", "Error 77: \"Prepar3D v5\" not being MSFS 2020 or MSFS 2024 connects ... ? "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.simulator);
        param::MSFS_2020.value = c.msfs2020Setting;
        simemu::Scenario scenario;
        scenario.simulator = c.simulator;
        scenario.applicationName = c.applicationName;
        startClient(scenario);
        if (c.label.empty()) {
            m_client.join(); // the wrong simulator ends the thread by itself
            EXPECT_EQ(gf_statusMessage(), c.error);
            EXPECT_EQ(g_exitReason.load(), 0); // the user switches the setting; nothing exits
            EXPECT_EQ(simemu::callsOf("SimConnect_Close").size(), 1u);
        } else {
            ASSERT_TRUE(simemu::waitUntil([&] { return gf_simDisplay().simulatorLabel.starts_with(c.label); }));
            EXPECT_TRUE(logHas(gf_simDisplay().simulatorLabel + " connected"));
            stopClient();
        }
        gf_resetSimLink();
    }
}

// The simulator closing mid-run, by its QUIT message or by a connection that is simply gone, ends the
// session through the simulator-closed exit; the thread closes its side and ends by itself.
TEST_F(SimClientThreads, SimulatorClosingMidRunEndsTheSession)
{
    for (const bool quitMessage : {true, false}) {
        SCOPED_TRACE(quitMessage ? "QUIT" : "connection lost");
        connect();
        ASSERT_TRUE(simemu::waitUntil([] { return g_simRunning.load() != 0; }));
        if (quitMessage)
            simemu::quit();
        else
            simemu::reset(); // the connection is gone without a word: every dispatch fails
        ASSERT_TRUE(simemu::waitUntil([] { return g_hSimConnect.load() == nullptr; })) << "the session went on";
        m_client.join(); // ended by itself
        EXPECT_EQ(g_exitReason.load(), 1);
        EXPECT_EQ(g_simRunning.load(), 0);
        EXPECT_EQ(logCount("SimConnect closed ok") + logCount("===> Closing SimConnect failed?!"), 1);
        g_exitRequested = 0;
        g_exitReason = 0;
        gf_closeLog();
        std::filesystem::remove(m_dir / "Log.txt");
        gf_openLog();
        gf_resetSimLink();
    }
}

TEST_F(SimClientThreads, SimEventFollowsThePause)
{
    connect();
    ASSERT_TRUE(simemu::waitUntil([] { return g_simRunning.load() != 0; }));
    simemu::setSimRunning(false);
    EXPECT_TRUE(simemu::waitUntil([] { return g_simRunning.load() == 0 && !gf_simDisplay().flightLight; }));
    simemu::setSimRunning(true);
    EXPECT_TRUE(simemu::waitUntil([] { return g_simRunning.load() != 0; }));
}

TEST_F(SimClientThreads, FlightLoadedRequestsANewFlightExit)
{
    connect();
    simemu::loadFlight("flights/other.FLT");
    EXPECT_TRUE(simemu::waitUntil([] { return g_exitReason.load() == 2; }));
}

TEST_F(SimClientThreads, FrameRateIsSampledEveryThirtyFrames)
{
    simemu::Scenario scenario;
    scenario.frameRate = 90.0;
    connect(scenario);
    EXPECT_TRUE(simemu::waitUntil([] { return g_frameRate.load() == 90.0f; }));
}

} // namespace
} // namespace zyn
