#include "sim/client.h"

#include "base/errors.h"
#include "base/log.h"
#include "platform/system/clock.h"
#include "platform/simconnect/simconnect_library.h"
#include "platform/system/error_text.h"
#include "platform/system/timer.h"
#include "requests/exit_request.h"
#include "requests/main_loop_requests.h"
#include "settings/settings.h"
#include "shown/sim_display.h"
#include "shown/status_line.h"
#include "sim/dispatch.h"
#include "sim/link_state.h"
#include "sim/object_match.h"
#include "sim/queues.h"
#include "sim/registration.h"

#include <chrono>
#include <string_view>

namespace zyn {

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// A dispatch that fails this many times in a row means the connection is lost.
constexpr int kFailedDispatchesGone = 10;

void lf_showWaiting()
{
    gf_setStatusMessage(std::string("Waiting for MSFS 20") + (param::MSFS_2020.on() ? "20" : "24") + " ...", true);
    gf_repaintStatusArea();
}

// The 1 ms dispatch needs a fine timer for the lifetime of the connection, also when a handler throws.
struct FineTimerPeriod {
    FineTimerPeriod() { timeBeginPeriod(1); }
    ~FineTimerPeriod() { timeEndPeriod(1); }
    FineTimerPeriod(const FineTimerPeriod&) = delete;
    FineTimerPeriod& operator=(const FineTimerPeriod&) = delete;
};

// Dispatches until a stop is requested; false when the simulator went away first: it sent QUIT, or
// the dispatch keeps failing (the connection is lost).
bool lf_pumpDispatch(HANDLE handle, const std::stop_token& stop)
{
    const FineTimerPeriod timerPeriod;
    const auto stopped = [&] { return stop.stop_requested(); };
    int failures = 0;
    while (!stopped()) {
        failures = FAILED(SimConnect_CallDispatch(handle, gf_dispatch, nullptr)) ? failures + 1 : 0;
        if (g_simQuit.load() || failures >= kFailedDispatchesGone)
            return false;
        gf_sleepFor(milliseconds(1), stopped);
    }
    return true;
}

// The simulator closed under a running session: it ends as the user's close would, with its own reason.
void lf_simClosed()
{
    g_simRunning.exchange(0);
    gf_simDisconnected();
}

// A user error ends the link until the user acts (a switch of the simulator restarts the session): no
// flight is followed and nothing more is asked of the simulator, so that the session neither fails on
// the closed connection nor restarts into the same error, which stays in the status line.
void lf_waitForUser()
{
    g_simStopped = 1;
    g_simRunning.exchange(0);
    gf_showFlightLight(false);
}

void lf_simGone(std::string_view text)
{
    gf_showErrorMessage(text);
    lf_simClosed();
}

// Without the SimConnect library no simulator can be reached: the user hears why once, and the
// program waits as it does for a simulator that is not running.
void lf_reportMissingLibrary(bool& reported)
{
    std::string why;
    if (reported || gf_simConnectLoaded(&why))
        return;
    reported = true;
    gf_logError(why);
    gf_setStatusMessage(why, true);
    gf_repaintStatusArea();
}

void lf_connectAndRun(const std::stop_token& stop)
{
    const auto giveUp = [&] { return stop.stop_requested() || gf_exitUnderWay(); };
    bool first = true;
    bool libraryReported = false;
    while (!giveUp()) {
        if (first)
            lf_showWaiting();
        first = false;
        lf_reportMissingLibrary(libraryReported);
        HANDLE handle = nullptr;
        if (FAILED(SimConnect_Open(&handle, "Tarvo", nullptr, 0, nullptr, 0))) {
            gf_sleepFor(seconds(1), giveUp);
            continue;
        }
        g_hSimConnect = handle;
        g_simNotConnected.exchange(0);
        g_simNeverConnected.exchange(0);
        gf_registerSimConnect(handle);
        if (!lf_pumpDispatch(handle, stop))
            lf_simClosed();
        break;
    }
}

void lf_closeConnection()
{
    const HANDLE handle = g_hSimConnect.exchange(nullptr);
    if (handle == nullptr)
        return;
    gf_removeUnmatchedObjects(handle);
    if (FAILED(SimConnect_Close(handle)))
        gf_logError("Closing SimConnect failed?!");
    else
        gf_log("SimConnect closed ok");
}

} // namespace

void SimClient(std::stop_token stop)
{
    try {
        lf_connectAndRun(stop);
    } catch (const UserErrorException& e) {
        gf_showErrorMessage(e.what());
        if (std::string_view(e.what()).starts_with("791")) {
            gf_sleepFor(seconds(10), [&] { return stop.stop_requested(); });
            g_simRunning.exchange(0);
            gf_simDisconnected();
        } else {
            lf_waitForUser();
        }
    } catch (const std::exception& e) {
        lf_simGone(e.what());
    } catch (...) {
        lf_simGone("Exception in SimClient");
    }
    try {
        g_userAtNewAirportRequest = 1;
        g_simConnected = 0;
        gf_repaintStatusArea();
        // Also after an exception: the handle belongs to this thread and nobody else closes it.
        lf_closeConnection();
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "SimClient", gf_exceptionText(e));
    }
}

} // namespace zyn
