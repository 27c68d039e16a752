#include "core/session.h"

#include "base/time_util.h"
#include "core/exit.h"
#include "core/main_loop.h"
#include "engine/ai_driver.h"
#include "livery/matching.h"
#include "platform/system/clock.h"
#include "platform/system/error_text.h"
#include "shown/display_state.h"
#include "shown/status_line.h"
#include "sim/client.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "sim/user_aircraft.h"
#include "traffic/client.h"
#include "traffic/intake.h"
#include "traffic/query_box.h"
#include "traffic/reader.h"
#include "traffic/reader_status.h"
#include "traffic/session.h"
#include "traffic/weather.h"
#include "ui/session_controls.h"

#include <exception>

namespace zyn {

std::jthread g_simThread;
std::atomic<std::uint8_t> g_sessionRunning{0};

namespace {

constexpr int kStartWaitSteps = 10;
constexpr auto kStartWaitStep = std::chrono::milliseconds(300);

// Clears g_sessionRunning however the session run ends.
struct SessionRunning {
    SessionRunning() { g_sessionRunning = 1; }
    ~SessionRunning() { g_sessionRunning = 0; }
    SessionRunning(const SessionRunning&) = delete;
    SessionRunning& operator=(const SessionRunning&) = delete;
};

void lf_startSimThread()
{
    if (g_simThread.joinable()) {
        g_simThread.request_stop();
        g_simThread.join();
    }
    g_simThread = std::jthread(SimClient);
}

// Up to ten waits of 0.3 s while the condition holds; ends early on an exit. Each wait is followed
// by the step given.
template <typename Condition, typename Step> void lf_waitAWhile(Condition waiting, Step afterEachWait)
{
    for (int i = 0; i < kStartWaitSteps && waiting() && !gf_exitUnderWay(); ++i) {
        gf_sleepFor(kStartWaitStep, gf_exitUnderWay);
        afterEachWait();
    }
}

void lf_showLightsOff()
{
    g_loginShown = 0;
    gf_repaintBand(Band::Counters);
}

void lf_session()
{
    lf_showLightsOff();
    g_simConnected = 0;
    gf_repaintMainWindow();
    gf_reserveAcContainers();
    gf_reserveLiveryTables();
    gf_initSimConnectQueues();
    lf_startSimThread();
    if (!gf_requestAcGndAir() || gf_exitUnderWay())
        return;
    gf_setIntakeEnabled(false);
    // The box of the buffered first fill is drawn around the user, whose position is known by now.
    gf_passUserPositionToService();
    gf_updateTrafficBox();
    gf_startSession();
    g_trafficLight = 2;
    gf_repaintMainWindow();
    g_weatherLight = 2;
    gf_repaintMainWindow();
    lf_enableTimeControls(true);
    lf_waitAWhile([] { return g_weatherClient.guid().empty(); }, [] {});
    gf_startReader(gf_weatherReader);
    lf_waitAWhile([] { return g_qnhDisplay.load() == 0; }, lf_recheckParkAirportsIfRequested);
    gf_startReader(gf_trafficReader);
    gf_passUserPositionToService();
    if (g_readerError.load() != 0) {
        gf_showErrorMessage("Reader error");
        gf_requestExit(static_cast<std::int32_t>(ExitReason::SystemError), 0);
    }
    lf_waitForFirstTraffic();
    g_nowWeekSlot = gf_weekdayAndSlot();
    mainLoop();
}

} // namespace

void lf_runSession()
{
    const SessionRunning running; // set before the exit flags are tested: the exit waits for it
    if (gf_exitUnderWay())
        return;
    try {
        lf_session();
    } catch (const std::exception& e) {
        gf_setStatusMessage(gf_exceptionText(e), true);
        lf_showLightsOff();
        gf_requestExit(static_cast<std::int32_t>(ExitReason::SystemError), 0);
    } catch (...) {
        gf_setStatusMessage("Unknown exception", true);
        lf_showLightsOff();
        gf_requestExit(static_cast<std::int32_t>(ExitReason::SystemError), 0);
    }
}

} // namespace zyn
