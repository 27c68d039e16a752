#include "tests/support/room_state.h"

#include "aircraft/aircraft_db.h"
#include "airport/airports.h"
#include "airport/apf_locations.h"
#include "airport/apf_read.h"
#include "airport/bgl_airports.h"
#include "airport/learned_merge.h"
#include "airport/scan_log.h"
#include "base/download.h"
#include "base/exit_flags.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/tick.h"
#include "base/time_util.h"
#include "base/workers.h"
#include "core/main_loop.h"
#include "core/session.h"
#include "core/startup.h"
#include "core/startup_steps.h"
#include "engine/ai_driver.h"
#include "engine/parking_queries.h"
#include "engine/removal.h"
#include "engine/stand_options.h"
#include "engine/stand_search.h"
#include "livery/livery_index.h"
#include "livery/matching.h"
#include "livery/regcodes.h"
#include "livery/scan_driver.h"
#include "livery/scan_reports.h"
#include "livery/similar_types.h"
#include "parking/park_airport.h"
#include "parking/parking_fit.h"
#include "parking/static_park.h"
#include "parking/static_parking.h"
#include "platform/system/clock.h"
#include "platform/system/full_disk.h"
#include "requests/destination_request.h"
#include "requests/exit_request.h"
#include "requests/main_loop_requests.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/traffic_range.h"
#include "shown/display_state.h"
#include "shown/status_line.h"
#include "shown/windows.h"
#include "sim/failed_liveries.h"
#include "sim/flight_plan.h"
#include "sim/link_state.h"
#include "traffic/client.h"
#include "traffic/intake.h"
#include "traffic/process_line.h"
#include "traffic/reader_status.h"
#include "tests/support/scoped_env.h"
#include "tests/support/win32_windows.h"
#include "traffic/service_request.h"
#include "ui/main_window.h"
#include "ui/session_controls.h"
#ifndef _WIN32
#include "platform/simconnect/emulator.h"
#include "platform/system/named_mutex.h"
#include "platform/win32/testing.h"
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#ifndef _WIN32
extern char** environ; // mingw-w64's <stdlib.h> declares it
#endif

namespace zyn::test {

namespace {

void lf_resetPlatform()
{
    gf_setClock(nullptr);
    gf_recorded().clear();
    gf_setFullDisk(std::nullopt);
#ifndef _WIN32 // the emulator and the headless window layer stand in for what Windows has
    simemu::resetToProgramScenario();
    gf_releaseNamedMutexes();
    win32test::resetWindows();
#endif
}

void lf_resetBase()
{
    if (gf_logIsOpen())
        gf_closeLog();
    g_exitRequested = 0;
    g_exiting = 0;
    g_tick = 0;
    g_timeShifted = false;
    gf_setLastReportTimeSource(nullptr);
    g_nowWeekSlot = WeekSlot{};
    gf_resetWorkers();
    gf_resetUserDataPath();
    gf_resetStayingEntries();
    g_downloadLimits.connectSeconds = 15;
    g_downloadLimits.lowSpeedBytesPerSecond = 1024;
    g_downloadLimits.lowSpeedSeconds = 30;
}

void lf_resetRequests()
{
    g_exitReason = 0;
    g_restartPending = 0;
    g_readerError = 0;
    gf_setExitSequence(nullptr);
    gf_resetCloseRequest();
    // The main loop's reset (core) clears the rest.
    for (auto* request : {&g_reReadRequest, &g_airportFileChanged, &g_userAtNewAirportRequest})
        *request = 0;
    gf_takeDestinationRequest();
}

void lf_resetSettings()
{
    gf_resetSettings();
    gf_setParametersPath({});
    gf_setTrafficRange(param::LATERAL_RANGE.defaultValue);
    g_airportRangeMode = 0;
}

void lf_resetAirportRoom()
{
    gf_resetAirports();
    gf_resetApfProbes();
    gf_resetScanLog();
    g_rtTrafficWeek = 0;
    g_handmade = false;
    g_airportsLinkedOrGenerated = false;
    g_tbloEntries = 0;
    gf_setAutoRangeAdjustment(nullptr);
}

void lf_resetTraffic()
{
    gf_resetTrafficClients();
    gf_clearIntake();
    g_blockedCallsign.clear();
    g_qnh = 1013;
    g_serviceConnectTimeoutMs = 10000;
    g_serviceTransferTimeoutMs = 30000;
}

void lf_resetLiveries()
{
    gf_resetLiveryIndex();
    gf_clearLiveryLists();
    gf_clearRegcodes();
    gf_clearSimilarModels();
    g_matchStepCounts.fill(0);
    gf_setLiveryScanStep(nullptr);
}

void lf_resetEngineAndParking()
{
    gf_clearAcContainers();
    gf_setParkingQueries({});
    g_queriedObjectId = 0;
    g_learnedStandUpdates = 0;
    g_softLearningAllowed = false;
    gf_resetParkAirports();
    gf_resetParkingFit();
    gf_resetStaticParking();
    gf_resetParkedTrafficSets();
    gf_setStandSearch(nullptr);
}

void lf_resetWindowAndCore()
{
    g_timeShiftMinutes = 0;
    g_simTimeMark = 0;
    gf_setStartupStarter(nullptr);
    gf_resetMainLoop();
    g_mainLoopCalls = gf_defaultMainLoopCalls();
    g_startupSteps = gf_defaultStartupSteps();
    g_maxLive = 0;
    g_databaseLoaded = 0;
}

std::map<std::string, std::string> lf_environment()
{
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        variables[text.substr(0, equals)] = equals == std::string::npos ? "" : text.substr(equals + 1);
    }
    return variables;
}

// Resets the rooms around each test; fails a test that leaves behind what only it can put back.
class RoomStateGuard : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        gf_resetRooms();
        m_folder = std::filesystem::current_path();
        m_environment = lf_environment();
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        if (std::filesystem::current_path() != m_folder) {
            ADD_FAILURE() << "the test left the current folder at " << std::filesystem::current_path();
            std::filesystem::current_path(m_folder);
        }
        lf_checkEnvironment();
        if (&gf_clock() != m_realClock) {
            ADD_FAILURE() << "the test left a clock of its own installed";
            gf_setClock(nullptr);
        }
        lf_checkThreads();
        gf_resetRooms();
    }
    void OnTestProgramStart(const ::testing::UnitTest&) override { m_realClock = &gf_clock(); }

    // A thread still running would go on using the state the reset is about to change.
    static void lf_checkThreads()
    {
        for (auto* thread : {&g_startupThread, &g_simThread})
            if (thread->joinable()) {
                ADD_FAILURE() << "the test left the " << (thread == &g_simThread ? "SimConnect" : "start-up")
                              << " thread running";
                thread->request_stop();
                thread->join();
            }
        if (!gf_waitForReadersToEnd(std::chrono::seconds(0)))
            ADD_FAILURE() << "the test left a traffic reader running";
        if (!lf_exitWorkerEnds())
            ADD_FAILURE() << "the test left an exit sequence running";
    }

    // An exit worker without a sequence to run ends once it sees that the test withdrew its request,
    // which it sees only when it next runs: a busy machine may keep it waiting for a while.
    static bool lf_exitWorkerEnds()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (gf_exitSequenceRunning()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    void lf_checkEnvironment()
    {
        const auto now = lf_environment();
        if (now == m_environment)
            return;
        for (const auto& [name, value] : now)
            if (!m_environment.contains(name)) {
                ADD_FAILURE() << "the test left the environment variable " << name << " set";
                setEnvironmentVariable(name, std::nullopt);
            }
        for (const auto& [name, value] : m_environment)
            if (const auto it = now.find(name); it == now.end() || it->second != value) {
                ADD_FAILURE() << "the test changed the environment variable " << name;
                setEnvironmentVariable(name, value);
            }
    }

    std::filesystem::path m_folder;
    std::map<std::string, std::string> m_environment;
    Clock* m_realClock = nullptr;
};

const bool g_installed = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new RoomStateGuard);
    return true;
}();

} // namespace

void gf_resetRooms()
{
    lf_resetPlatform();
    lf_resetBase();
    gf_resetWindows();
    gf_resetStatusLine();
    gf_resetDisplayState();
    lf_resetRequests();
    lf_resetSettings();
    gf_clearDbase();
    lf_resetAirportRoom();
    lf_resetTraffic();
    gf_resetSimLink();
    g_simNeverConnected = 1; // kept by the restart's reset, not by a fresh process
    gf_resetFailedLiveries();
    g_flightPlanFolder.clear();
    lf_resetLiveries();
    lf_resetEngineAndParking();
    lf_resetWindowAndCore();
}

} // namespace zyn::test
