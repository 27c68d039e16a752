#include "base/log.h"
#include "core/exit.h"
#include "core/session.h"
#include "core/startup.h"
#include "engine/records.h"
#include "platform/win32/constants.h"
#include "requests/main_loop_requests.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shown/status_line.h"
#include "sim/failed_liveries.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "traffic/live_identities.h"
#include "tests/support/exit_wait.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32_windows.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <thread>

namespace zyn {
namespace {

class ExitThreads : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_connectRooms(); // the program does this before anything can request an exit
        gf_setClock(&clock);
        gf_setParametersPath(dir / "parameters.xml");
        gf_openLog();
    }
    void TearDown() override
    {
        gf_closeLog();
        gf_setClock(nullptr);
        gf_setParametersPath({});
        g_mainWindow = nullptr;
    }
    void finish() { ASSERT_TRUE(test::finishExit(clock)); }
    std::vector<std::string> logLines()
    {
        gf_closeLog();
        return test::readLines(dir / "Log.txt");
    }
    ManualClock clock;
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
};

TEST_F(ExitThreads, OnlyTheFirstRequestActs)
{
    gf_requestExit(4, 0); // its sequence waits on the clock, which stands still until finish()
    gf_requestExit(6, 15);
    EXPECT_EQ(g_exitReason.load(), 4);
    finish();
    EXPECT_EQ(g_exiting.load(), 1);
    const auto lines = logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Exiting: USER CLOSED SIM"), 1);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "User closed Tarvo"), lines.end());
}

TEST_F(ExitThreads, ConcurrentRequestsStartOneExit)
{
    {
        std::lock_guard holdExitAtItsFirstLogLine(g_logMutex);
        std::vector<std::thread> callers;
        for (int reason = 1; reason <= 7; ++reason)
            callers.emplace_back([reason] { gf_requestExit(reason, 0); });
        for (auto& c : callers)
            c.join();
    }
    finish();
    const auto lines = logLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Exiting: "); }),
              1);
}

TEST_F(ExitThreads, UnknownReasonIsReportedAndStillQuits)
{
    g_mainWindow = test::gf_createRecordingWindow();
    gf_requestExit(9, 0);
    finish();
    EXPECT_EQ(gf_statusMessage().rfind("Error FinalExit: ", 0), 0u) << gf_statusMessage();
    EXPECT_EQ(test::takeExitMessages(), std::vector<UINT>{WM_APP + 2});
}

// A renewal option, a flush or a rematch asked for in the ended session is not carried into the next,
// nor the liveries the replaced simulator or catalogue could not create.
TEST_F(ExitThreads, RestartDropsTheRequestsAndLiveIdentitiesOfTheEndedSession)
{
    gf_liveryCreateFailed(AcHead{}, "Broken Livery");
    std::atomic<std::uint8_t>* const requests[] = {&g_renewParkingRequest, &g_parkTrafficOnlyRequest,
                                                   &g_removeAllRequest, &g_matchDepthRequest};
    for (auto* request : requests)
        *request = 1;
    {
        std::lock_guard lock(g_liveIdentityMutex);
        g_liveCallsigns.insert("DLH4AB");
        g_liveHexIds.insert(0x3C6444);
    }
    gf_requestExit(static_cast<std::int32_t>(ExitReason::NewSettings), 0);
    finish();
    for (auto* request : requests)
        EXPECT_EQ(request->load(), 0);
    EXPECT_FALSE(gf_isNotCreatableTitle("Broken Livery"));
    // Static parking of the next session must not avoid the aircraft of this one.
    std::lock_guard lock(g_liveIdentityMutex);
    EXPECT_TRUE(g_liveCallsigns.empty());
    EXPECT_TRUE(g_liveHexIds.empty());
}

bool lf_has(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(ExitThreads, EveryReasonEndsInQuitOrRestartWithItsLines)
{
    struct Case {
        std::int32_t reason;
        const char* line;
        bool restarts;
        bool scansKept;
        int exitCode = 0; // of a quit
    };
    // Reason 4 last: it marks the program as closing for good.
    const Case cases[] = {{1, "Exiting: SIM WAS CLOSED", false, true},  {2, "Exiting: NEW FLIGHT", false, true},
                          {3, "Exiting: NEW SETTINGS", true, true},     {5, "Exiting: SIMCONNECT ERROR", true, false},
                          {6, "Exiting: READER ERROR", true, false},    {7, "Exiting: SYSTEM ERROR", false, true, 1},
                          {4, "Exiting: USER CLOSED SIM", false, true}};
    g_mainWindow = test::gf_createRecordingWindow();
    // Not read by this process: whatever the exit turns off or empties stays as the user has it.
    const std::string users = "<parameters><parameter name=\"SIM_TIME\" value=\"true\"/>"
                              "<parameter name=\"SCAN_LIVERIES\" value=\"true\"/></parameters>";
    test::writeText(dir / "parameters.xml", users);
    std::vector<UINT> expected;
    std::vector<int> exitCodes;
    for (const auto& c : cases) {
        param::SCAN_LIVERIES.value = 1;
        param::SCAN_AIRPORTS.value = 1;
        param::SIM_TIME.value = 1;
        param::DESTINATION.setValue("EDDF");
        gf_requestExit(c.reason, 2);
        finish();
        EXPECT_EQ(test::readText(dir / "parameters.xml"), users) << c.line;
        expected.push_back(c.restarts ? WM_APP + 1 : WM_APP + 2);
        EXPECT_EQ(test::takeExitMessages(), expected) << c.line;
        if (!c.restarts)
            exitCodes.push_back(c.exitCode);
        EXPECT_EQ(test::quitCodes(), exitCodes) << c.line;
        EXPECT_EQ(g_restartPending.load(), c.restarts ? 1 : 0) << c.line;
        EXPECT_EQ(param::SCAN_LIVERIES.on(), c.scansKept) << c.line;
        EXPECT_EQ(param::SCAN_AIRPORTS.on(), c.scansKept) << c.line;
        EXPECT_EQ(g_exitRequested.load(), 0) << c.line;
    }
    const auto lines = logLines();
    for (const auto& c : cases)
        EXPECT_TRUE(lf_has(lines, c.line)) << c.line;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Restarting after 2 seconds"), 3);
    EXPECT_TRUE(lf_has(lines, "New flight detected, Tarvo will close, please restart manually ..."));
    EXPECT_TRUE(lf_has(lines, "User closed Tarvo"));
    EXPECT_EQ(g_exiting.load(), 1);
}

// What does not survive a quit is written back only into settings that this process has read.
TEST_F(ExitThreads, QuitWritesBackOnlySettingsThatWereRead)
{
    const std::string users = "<parameters><parameter name=\"SIM_TIME\" value=\"true\"/></parameters>";
    for (const std::uint8_t read : {0, 1}) {
        test::writeText(dir / "parameters.xml", users);
        param::SIM_TIME.value = 1;
        g_settingsRead = read;
        gf_requestExit(static_cast<std::int32_t>(ExitReason::SimWasClosed), 0);
        finish();
        const std::string saved = test::readText(dir / "parameters.xml");
        EXPECT_EQ(saved.find("name=\"SIM_TIME\" value=\"false\"") != std::string::npos, read == 1) << saved;
    }
}

// The user's close is stronger than any restart under way, whenever it comes: the program quits with
// the close's reason and never restarts.
TEST_F(ExitThreads, ACloseWhileARestartIsUnderWayEndsTheProgram)
{
    enum class When { Preparing, RestartDecided, CountingDown };
    struct Case {
        std::int32_t reason;
        const char* line;
        When when;
    };
    const Case cases[] = {{3, "Exiting: NEW SETTINGS", When::Preparing},
                          {5, "Exiting: SIMCONNECT ERROR", When::Preparing},
                          {6, "Exiting: READER ERROR", When::Preparing},
                          {3, "Exiting: NEW SETTINGS", When::RestartDecided},
                          {3, "Exiting: NEW SETTINGS", When::CountingDown}};
    g_mainWindow = test::gf_createRecordingWindow();
    std::vector<UINT> quits;
    const auto waitForStatus = [this](const std::string& text) {
        while (gf_statusMessage() != text) {
            if (text != "Prepare for a restart ...") // that one waits on the clock, which stands still
                clock.advance(std::chrono::milliseconds(100));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    for (const auto& c : cases) {
        gf_clearStatusMessage();
        param::SCAN_LIVERIES.value = 1; // a restart after an error would turn it off, a close leaves it
        if (c.when == When::RestartDecided) // the restart joins the ended start-up: closed meanwhile
            g_startupThread = std::jthread([](std::stop_token stop) {
                while (!stop.stop_requested())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                gf_requestClose();
            });
        gf_requestExit(c.reason, 30);
        waitForStatus(c.when == When::CountingDown ? "Restarting after 30 seconds" : "Prepare for a restart ...");
        if (c.when != When::RestartDecided)
            gf_requestClose();
        finish();
        quits.push_back(WM_APP + 2);
        EXPECT_EQ(test::takeExitMessages(), quits) << c.line; // and no restart
        EXPECT_EQ(g_exitReason.load(), 4) << c.line;
        EXPECT_EQ(g_restartPending.load(), 0) << c.line;
        EXPECT_EQ(g_exiting.load(), 1) << c.line;
        EXPECT_TRUE(param::SCAN_LIVERIES.on()) << c.line; // the exit ran once, as the close's
        EXPECT_NE(gf_statusMessage(), "Restarting after 29 seconds") << c.line; // the countdown stopped at once
        const auto lines = logLines();
        const auto restarting = std::find(lines.begin(), lines.end(), c.line);
        const auto closed = std::find(lines.begin(), lines.end(), "Exiting: USER CLOSED SIM");
        EXPECT_LT(restarting, closed) << c.line;
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Exiting: USER CLOSED SIM"), 1) << c.line;
        EXPECT_TRUE(lf_has(lines, "User closed Tarvo")) << c.line;
        EXPECT_EQ(lf_has(lines, "Restarting after 30 seconds"), c.when == When::CountingDown) << c.line;
        gf_openLog();
        g_exiting = 0; // as a new process starts
    }
}

TEST_F(ExitThreads, AircraftAreRemovedOnlyAfterTheSessionEnded)
{
    g_liveAircraft.emplace_back();
    g_liveAircraft.back().state = ObjectState::InSim;
    g_liveAircraft.back().objectId = 123;
    g_sessionRunning = 1; // a main loop still runs
    gf_requestExit(1, 0);
    for (int i = 0; i < 50; ++i) { // five seconds of the exit
        clock.advance(std::chrono::milliseconds(100));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(gf_exitSequenceRunning());
    {
        std::lock_guard lock(g_simMutex);
        EXPECT_TRUE(g_removeQueue.empty());
    }
    g_sessionRunning = 0;
    finish();
    EXPECT_EQ(g_removeQueue, std::vector<std::uint32_t>{123});
}

TEST(ExitRequestThreads, WorkerWithoutASequenceEndsAndLeavesTheRequestInPlace)
{
    gf_setExitSequence(nullptr);
    gf_requestExit(2, 0);
    ManualClock unused;
    EXPECT_TRUE(test::finishExit(unused)) << "the exit worker went on after a request nothing could withdraw";
    EXPECT_EQ(g_exitRequested.load(), 1);
    EXPECT_EQ(g_exitReason.load(), 2);
}

TEST_F(ExitThreads, ExceptionReportByKind)
{
    const auto report = [](auto&& thrower) {
        try {
            thrower();
        } catch (...) {
            gf_reportException("lf_startUpTarvo");
        }
    };
    report([] { throw fmt::format_error("bad spec"); });
    EXPECT_EQ(gf_statusMessage(), "Error std::format error: bad spec");
    report([] { throw 42; });
    EXPECT_EQ(gf_statusMessage(), "Error Unknown exception");
    EXPECT_EQ(g_exitRequested.load(), 0); // neither asks for an exit
    report([] { throw std::runtime_error("boom"); });
    EXPECT_EQ(gf_statusMessage(), "Error lf_startUpTarvo: boom");
    EXPECT_EQ(g_exitReason.load(), 7);
    finish();
    const auto lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Error lf_startUpTarvo: boom"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Exiting: SYSTEM ERROR"), lines.end());
}

TEST_F(ExitThreads, ReaderFailureRestartsOnlyWhenUnauthorised)
{
    gf_readerStopped("TrafficReader", false);
    EXPECT_EQ(g_readerError.load(), 1);
    EXPECT_EQ(g_exitRequested.load(), 0);
    EXPECT_EQ(gf_statusMessage(), "The TrafficReader has stopped with an error");
    gf_readerStopped("WeatherReader", true);
    EXPECT_EQ(g_exitReason.load(), 6);
    finish();
}

TEST_F(ExitThreads, SimulatorGoneDuringAnExitAddsNothing)
{
    g_exitRequested = 1; // an exit is under way
    gf_simDisconnected();
    EXPECT_EQ(g_exitReason.load(), 0);
    g_exitRequested = 0;
    gf_simDisconnected();
    finish();
    EXPECT_EQ(g_exitReason.load(), 1);
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[1].find(" Flight Simulator no longer connected, Tarvo will stop ..."), std::string::npos);
    EXPECT_EQ(lines[2], "Exiting: SIM WAS CLOSED");
}

} // namespace
} // namespace zyn
