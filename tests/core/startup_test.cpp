#include "base/folders.h"
#include "base/log.h"
#include "base/time_util.h"
#include "base/workers.h"
#include "core/exit.h"
#include "core/startup.h"
#include "core/startup_steps.h"
#include "platform/system/clock.h"
#include "requests/main_loop_requests.h"
#include "settings/airport_settings.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/traffic_range.h"
#include "shown/status_line.h"
#include "tests/support/exit_wait.h"
#include "tests/support/temp_dir.h"
#include "traffic/client.h"
#include "traffic/intake.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <thread>

namespace zyn {
namespace {

// A program folder with "docs", settings in a temporary file, and every step of the other
// subsystems replaced by a recorder.
class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_connectRooms(); // the program does this before anything can request an exit
        std::filesystem::create_directories(dir / "docs");
        gf_setParametersPath(dir / "config" / "parameters.xml");
        std::filesystem::create_directories(dir / "config");
        gf_setClock(&clock);
        gf_openLog();
        g_startupSteps = recordingSteps();
        param::MSFS_2020.value = 0;
        param::SCAN_LIVERIES.value = 1;
        param::SCAN_AIRPORTS.value = 0;
        param::AUTO_RANGE.value = 0;
    }
    void TearDown() override
    {
        g_startupSteps = gf_defaultStartupSteps();
        gf_closeLog();
        gf_setClock(nullptr);
        gf_setParametersPath({});
    }

    void note(const std::string& name)
    {
        std::lock_guard lock(mutex);
        steps.push_back(name);
    }
    std::function<void()> record(std::string name)
    {
        return [this, name] { note(name); };
    }
    template <typename R> std::function<R()> record(std::string name, R result)
    {
        return [this, name, result] {
            note(name);
            return result;
        };
    }

    StartupSteps recordingSteps()
    {
        return StartupSteps{
            .buildParameterLists = record("buildParameterLists"),
            .checkCommunityPath = [this](StringParameter& p) { note("checkCommunityPath " + p.key); },
            .createFolders = record("createFolders"),
            .checkProgramVersion = record("checkProgramVersion"),
            .simAddonMissing = record("simAddonMissing", false),
            .updateSimAddon = record("updateSimAddon", false),
            .enableStartupControls = record("enableStartupControls"),
            .readDbase = record("readDbase"),
            .detectMsfsInstall = record("detectMsfsInstall", dir / "Packages"),
            .readAirports = record("readAirports"),
            .scanLiveries = record("scanLiveries"),
            .scanAirports = record("scanAirports"),
            .createFlightPlanFolder = record("createFlightPlanFolder", true),
            .readMyParkAirports = record("readMyParkAirports", true),
            .findAirport = [this](std::string_view code) -> std::optional<AirportRecord> {
                note("findAirport " + std::string(code));
                return std::nullopt;
            },
            .adjustTrafficRange = record("adjustTrafficRange"),
            .runSession = record("runSession"),
        };
    }

    std::vector<std::string> recorded()
    {
        std::lock_guard lock(mutex);
        return steps;
    }

    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
    ManualClock clock{1796601600};
    std::mutex mutex;
    std::vector<std::string> steps;
};

TEST_F(Startup, RunsTheStepsInOrderOnAFirstStart)
{
    lf_startUpTarvo();
    const std::vector<std::string> expected{
        "buildParameterLists", "checkCommunityPath MSFS_2024_INSTALL_PATH", "createFolders", "checkProgramVersion",
        "simAddonMissing",     "updateSimAddon",        "enableStartupControls",   "readDbase",
        "detectMsfsInstall",   "readAirports",          "scanLiveries",            "createFlightPlanFolder",
        "readMyParkAirports",  "runSession"};
    EXPECT_EQ(recorded(), expected);
    EXPECT_EQ(param::PROGRAM_INSTALL_PATH.getValue(), dir.path().string());
    EXPECT_EQ(param::MSFS_2024_INSTALL_PATH.getValue(), (dir / "Packages").string());
    EXPECT_EQ(param::ALL_INSTALL_PATH.getValue(), (dir / "Packages").string());
    EXPECT_EQ(g_databaseLoaded.load(), 1);
    EXPECT_GE(g_workersMax, 1);
    EXPECT_FLOAT_EQ(param::MAX_FIT_FL.value.load(), param::MAX_FIT.value.load() * 0.5f + 0.5f);
}

// The user's own range and live limit, read from "parameters.xml", are what the end of parking at a
// park airport brings back.
TEST_F(Startup, TakesTheUsersOwnRangeAndLiveLimit)
{
    using namespace param;
    const std::int32_t range = LATERAL_RANGE.value.load();
    const std::int32_t maxLive = MAX_LIVE.value.load();
    const std::uint8_t databaseLoaded = g_databaseLoaded.load();
    std::vector<std::pair<StringParameter*, std::string>> paths;
    for (StringParameter* p : std::initializer_list<StringParameter*>{&MSFS_2024_INSTALL_PATH, &ALL_INSTALL_PATH, &PROGRAM_INSTALL_PATH})
        paths.emplace_back(p, p->getValue());
    g_startupSteps.buildParameterLists = [] {
        LATERAL_RANGE.value = 25;
        MAX_LIVE.value = 12;
    };
    lf_startUpTarvo();
    EXPECT_EQ(gf_usersAirportSettings().lateralRange, 25);
    EXPECT_EQ(gf_usersAirportSettings().maxLive, 12);
    LATERAL_RANGE.value = range;
    MAX_LIVE.value = maxLive;
    g_databaseLoaded = databaseLoaded;
    for (auto& [p, value] : paths)
        p->setValue(value);
}

TEST_F(Startup, SavesTheDetectedInstallPathAndTheProgramFolder)
{
    lf_startUpTarvo();
    pugi::xml_document saved;
    ASSERT_TRUE(saved.load_file(gf_parametersPath().c_str()));
    EXPECT_STREQ(gf_findParameterNode(saved, "MSFS_2024_INSTALL_PATH").attribute("value").value(),
                 (dir / "Packages").string().c_str());
    EXPECT_STREQ(gf_findParameterNode(saved, "PROGRAM_INSTALL_PATH").attribute("value").value(),
                 dir.path().string().c_str());
}

TEST_F(Startup, RestartSkipsUpdatesAndTheDatabase)
{
    g_restartPending = 1;
    g_databaseLoaded = 1;
    param::MSFS_2024_INSTALL_PATH.setValue("/stored/Packages");
    g_startupSteps.simAddonMissing = record("simAddonMissing", true);
    lf_startUpTarvo();
    const auto steps = recorded();
    for (const char* skipped : {"checkProgramVersion", "readDbase", "detectMsfsInstall"})
        EXPECT_EQ(std::count(steps.begin(), steps.end(), skipped), 0) << skipped;
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "updateSimAddon"), 1); // only for the missing package
    EXPECT_EQ(param::ALL_INSTALL_PATH.getValue(), "/stored/Packages");
}

TEST_F(Startup, TwentyTwentyModeSkipsTheCompanionPackage)
{
    param::MSFS_2020.value = 1;
    param::MSFS_INSTALL_PATH.setValue("/msfs2020/Packages");
    lf_startUpTarvo();
    const auto steps = recorded();
    EXPECT_EQ(steps.at(1), "checkCommunityPath MSFS_INSTALL_PATH");
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "updateSimAddon"), 0);
    EXPECT_EQ(param::ALL_INSTALL_PATH.getValue(), "/msfs2020/Packages");
}

TEST_F(Startup, RefusesToRunWithoutDocsFolder)
{
    std::filesystem::remove(dir / "docs");
    lf_startUpTarvo();
    EXPECT_TRUE(recorded().empty());
    EXPECT_EQ(gf_statusMessage(), "Error lf_startUpTarvo: 41: Tarvo must be run from the Tarvo folder!");
    EXPECT_EQ(g_exitReason.load(), 7);
    ASSERT_TRUE(test::finishExit(clock));
}

// While time is shifted, "now" is the traffic client's last report time; a poll that brought no
// traffic zeroes it, and "now" is the clock again.
TEST_F(Startup, ShiftedTimeFollowsTheTrafficClientsLastReport)
{
    const std::time_t clockNow = gf_timeNow();
    const std::time_t reported = clockNow - 3 * 86400 + 5 * 3600;
    struct Row {
        const char* name;
        bool withTraffic;
        WeekSlot now;
    };
    const Row rows[] = {
        {"a batch with traffic", true, gf_weekSlotOf(reported)},
        {"then an empty batch", false, gf_weekSlotOf(clockNow)},
    };
    g_timeShifted = true;
    for (const Row& row : rows) {
        g_trafficClient.lastReportTime = static_cast<double>(reported); // as the parsing of the poll left it
        if (row.withTraffic)
            g_trafficClient.batch.emplace_back();
        gf_mergeTrafficBatch(g_trafficClient, kLiveDelaySeconds);
        EXPECT_EQ(gf_weekdayAndSlot(), row.now) << row.name;
    }
    g_timeShifted = false;
    g_trafficClient.lastReportTime = 0.0;
    gf_clearIntake();
}

TEST_F(Startup, DocsAsAFileIsNotAProgramFolder)
{
    std::filesystem::remove(dir / "docs");
    test::writeText(dir / "docs", "not a folder");
    lf_startUpTarvo();
    EXPECT_EQ(gf_statusMessage(), "Error lf_startUpTarvo: 41: Tarvo must be run from the Tarvo folder!");
    ASSERT_TRUE(test::finishExit(clock));
}

TEST_F(Startup, NoInstallPathWaitsForTheUsersPathWithUserError150)
{
    g_startupSteps.detectMsfsInstall = record("detectMsfsInstall", std::filesystem::path());
    lf_startUpTarvo();
    const auto steps = recorded();
    EXPECT_EQ(steps.back(), "detectMsfsInstall");
    EXPECT_EQ(gf_statusMessage(), "Error lf_startUpTarvo: 150: No install path detected, type full path to your "
                                  "Community folder above, and press Enter");
    EXPECT_EQ(g_exitRequested.load(), 0); // the program stays open for the path to be typed
    EXPECT_FALSE(gf_exitSequenceRunning());
}

TEST_F(Startup, GoneLiveriesFileTurnsOnTheRescanBeforeTheScan)
{
    param::SCAN_LIVERIES.value = 0;
    bool onDuringScan = false;
    g_startupSteps.scanLiveries = [&] { onDuringScan = param::SCAN_LIVERIES.on(); };
    lf_startUpTarvo();
    EXPECT_TRUE(onDuringScan);
    pugi::xml_document saved;
    ASSERT_TRUE(saved.load_file(gf_parametersPath().c_str()));
    EXPECT_STREQ(gf_findParameterNode(saved, "SCAN_LIVERIES").attribute("value").value(), "true");
    EXPECT_EQ(gf_statusMessage(), "File " + g_liveriesScannedPath.string() + " is gone, rescan liveries");
}

TEST_F(Startup, PresentLiveriesFileLeavesTheRescanOff)
{
    test::writeText(dir / g_liveriesScannedPath, "<liveries/>");
    param::SCAN_LIVERIES.value = 0;
    lf_startUpTarvo();
    EXPECT_FALSE(param::SCAN_LIVERIES.on());
}

TEST_F(Startup, OptionalStepsFollowTheirSettings)
{
    param::SCAN_AIRPORTS.value = 1;
    param::AUTO_RANGE.value = 1;
    param::DESTINATION.setValue("EGLL");
    std::filesystem::create_directories(dir / g_mySimaddonPath / "a");
    test::writeText(dir / g_mySimaddonPath / "b.xml", "");
    lf_startUpTarvo();
    const auto steps = recorded();
    const auto at = [&](const std::string& name) { return std::find(steps.begin(), steps.end(), name) - steps.begin(); };
    EXPECT_LT(at("scanLiveries"), at("scanAirports"));
    EXPECT_LT(at("scanAirports"), at("createFlightPlanFolder"));
    EXPECT_LT(at("readMyParkAirports"), at("findAirport EGLL"));
    EXPECT_LT(at("findAirport EGLL"), at("adjustTrafficRange"));
    EXPECT_LT(at("adjustTrafficRange"), at("runSession"));
    EXPECT_EQ(g_simaddonCount.load(), 2u);
    EXPECT_EQ(g_thirdpartyCount.load(), 0u);
}

TEST_F(Startup, ExitDuringTheScanEndsTheStartup)
{
    g_startupSteps.scanLiveries = [] { g_exiting = 1; };
    lf_startUpTarvo();
    EXPECT_EQ(recorded().back(), "readAirports");
}

using StartupThreads = Startup;

TEST_F(StartupThreads, HoldsUntilTwoSecondsAfterTheLastRequest)
{
    struct Case {
        std::int32_t lastRequestAgo; // seconds before now
        const char* message;         // empty: no hold
        int secondsHeld;
    };
    const Case cases[] = {
        {1, "Holding for 1 seconds... (RT API cannnot be revisited within 2 seconds)", 1},
        {2, "", 0},
        {-100, "Holding for 2 seconds... (RT API cannnot be revisited within 2 seconds)", 2}, // clock set back
    };
    for (const auto& c : cases) {
        param::LAST_EPOCH_TIME.value = static_cast<std::int32_t>(clock.utcNow()) - c.lastRequestAgo;
        std::atomic<bool> sessionReached{false};
        g_startupSteps.runSession = [&] { sessionReached = true; };
        gf_setStatusMessage("", false);
        const auto start = clock.steadyNow();
        std::thread startup(lf_startUpTarvo);
        int advanced = 0;
        while (!sessionReached.load()) {
            if (gf_statusMessage() == c.message && advanced < c.secondsHeld) {
                clock.advance(std::chrono::seconds(1));
                ++advanced;
            }
            std::this_thread::yield();
        }
        startup.join();
        EXPECT_EQ(gf_statusMessage(), c.message);
        EXPECT_EQ(clock.steadyNow() - start, std::chrono::seconds(c.secondsHeld));
    }
}

// WM_APP+1 while a start-up still runs: the running one is asked to stop and is joined before the
// next begins, never left detached; the program's end joins the last one the same way.
TEST_F(StartupThreads, ANewStartEndsAndJoinsTheRunningOne)
{
    std::atomic<int> sessions{0};
    g_startupSteps.runSession = [&] {
        sessions.fetch_add(1);
        while (!gf_startupStopRequested())
            std::this_thread::yield();
        note("session stopped");
    };
    gf_startStartupThread();
    while (sessions.load() < 1)
        std::this_thread::yield();
    gf_startStartupThread();
    while (sessions.load() < 2)
        std::this_thread::yield();
    g_startupThread.request_stop();
    g_startupThread.join();
    const auto steps = recorded();
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "session stopped"), 2);
    // The first one ended before the second began.
    const auto firstEnd = std::find(steps.begin(), steps.end(), "session stopped");
    const auto secondBegin = std::find(std::next(steps.begin()), steps.end(), "buildParameterLists");
    EXPECT_LT(firstEnd, secondBegin);
}

} // namespace
} // namespace zyn

namespace zyn {
namespace {

TEST_F(Startup, RestartRunsTheStartUpAgainWithoutTheUpdateChecks)
{
    g_startupSteps.runSession = [this] {
        note("runSession");
        gf_requestExit(static_cast<std::int32_t>(ExitReason::SimConnectError), 0); // restarts
    };
    lf_startUpTarvo();
    ASSERT_TRUE(test::finishExit(clock));
    EXPECT_EQ(g_restartPending.load(), 1);
    EXPECT_EQ(g_exitRequested.load(), 0);
    const auto first = recorded();
    EXPECT_EQ(std::count(first.begin(), first.end(), "checkProgramVersion"), 1);
    lf_startUpTarvo(); // what WM_APP+1 starts
    ASSERT_TRUE(test::finishExit(clock));
    const auto both = recorded();
    EXPECT_EQ(std::count(both.begin(), both.end(), "checkProgramVersion"), 1);
    EXPECT_EQ(std::count(both.begin(), both.end(), "updateSimAddon"), 1);
    EXPECT_EQ(std::count(both.begin(), both.end(), "runSession"), 2);
    g_restartPending = 0;
}

} // namespace
} // namespace zyn
