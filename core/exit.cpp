#include "core/exit.h"

#include "airport/airport_asks.h"
#include "airport/apf_locations.h"
#include "airport/park_airport_state.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/text_util.h"
#include "base/time_util.h"
#include "core/main_loop.h"
#include "core/session.h"
#include "core/startup.h"
#include "engine/ai_driver.h"
#include "engine/commands.h"
#include "engine/live_removals.h"
#include "engine/queues.h"
#include "engine/session_calls.h"
#include "engine/spawn.h"
#include "livery/matching_summary.h"
#include "parking/park_airport.h"
#include "parking/parking_fit.h"
#include "parking/session_calls.h"
#include "parking/static_parking.h"
#include "parking/static_park.h"
#include "platform/system/clock.h"
#include "platform/win32/constants.h"
#include "platform/win32/message_loop.h"
#include "requests/main_loop_requests.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/traffic_range.h"
#include "shown/display_state.h"
#include "shown/sim_display.h"
#include "shown/status_line.h"
#include "sim/failed_liveries.h"
#include "sim/flight_plan.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "traffic/client.h"
#include "traffic/reader_status.h"
#include "traffic/session.h"
#include "ui/main_window.h"

#include <exception>
#include <mutex>
#include <thread>

#include <fmt/format.h>

namespace zyn {

namespace {

// How long the exit waits for the session thread to stop touching the aircraft lists.
constexpr auto kSessionEndWait = std::chrono::seconds(15);

std::int32_t lf_code(ExitReason reason) { return static_cast<std::int32_t>(reason); }

void lf_pause(std::chrono::milliseconds duration) { gf_sleepFor(duration); }

// The readers run detached and use the two global clients: the quit must not tear those down under them.
void lf_waitForReaders()
{
    if (!gf_waitForReadersToEnd(std::chrono::seconds(10)))
        gf_logError("FinalExit: a reader did not stop within 10 seconds");
}

void lf_stopTrafficService()
{
    if (g_weatherClient.guid().empty()) {
        g_trafficClient.stop = 1;
        g_weatherClient.stop = 1;
        lf_pause(std::chrono::milliseconds(500));
        lf_waitForReaders();
        return;
    }
    g_trafficClient.stop = 1;
    g_weatherClient.stop = 1;
    lf_pause(std::chrono::seconds(3));
    lf_waitForReaders();
    deauthenticate();
}

// The main loop touches the aircraft lists without locks; they are ours only once it has ended.
bool lf_sessionEnded()
{
    gf_sleepFor(kSessionEndWait, [] { return g_sessionRunning.load() == 0; });
    if (g_sessionRunning.load() == 0)
        return true;
    gf_logError("FinalExit: the session did not end, its aircraft are left as they are");
    return false;
}

void lf_removeAllAircraft()
{
    gf_SimCommands(); // creations answered since the last tick: their objects are to be removed too
    gf_removeAllLiveAc();
    gf_removeAllStaticAc();
    gf_removeStaticsBeingLit();
    while (!g_removalQueue.empty()) {
        gf_queueRemoveAc(g_removalQueue.front());
        g_removalQueue.pop_front();
    }
    g_removeUnmatchedRequest = true;
}

void lf_stopSimThread()
{
    if (!g_simThread.joinable())
        return;
    g_simThread.request_stop(); // SimClient closes the connection itself
    g_simThread.join();
}

// What the exit changes of the settings goes to "parameters.xml" only when this process read the file:
// before that the values in memory are the defaults, which must never replace the user's settings
// (a start that ended early, outside a program folder or without a log).
bool lf_settingsWereRead() { return g_settingsRead.load() != 0; }

void lf_saveIfRead(const StringParameter& parameter)
{
    if (lf_settingsWereRead())
        saveParameter(parameter);
}

void lf_saveIfRead(const IntParameter& parameter)
{
    if (lf_settingsWereRead())
        saveIntParameter(parameter);
}

void lf_saveIfRead(const BoolParameter& parameter)
{
    if (lf_settingsWereRead())
        gf_writeParametersXml(parameter);
}

void lf_resetTimeShift()
{
    for (IntParameter* part : {&param::TIME_SHIFT_DAYS, &param::TIME_SHIFT_HOURS, &param::TIME_SHIFT_MINS}) {
        part->value = part->clamp(0);
        lf_saveIfRead(*part);
    }
}

void lf_settingsAfterQuit()
{
    param::DESTINATION.setValue("");
    lf_saveIfRead(param::DESTINATION);
    param::BLOCK_CALLSIGN.setValue("");
    lf_saveIfRead(param::BLOCK_CALLSIGN);
    g_timeShifted = false;
    if (!param::KEEP_SIM_TIME_PAR.on()) {
        param::SIM_TIME.value = 0;
        lf_saveIfRead(param::SIM_TIME);
        lf_resetTimeShift();
    } else if (param::SIM_TIME.on()) {
        lf_resetTimeShift();
    }
    gf_liveryMatchingSummary();
    gf_logNoMatchList();
}

void lf_restartCountdown(std::int32_t seconds)
{
    if (seconds <= 0)
        return;
    gf_log(fmt::format("Restarting after {} seconds\n\n\n\n", seconds));
    for (std::int32_t i = 0; i < seconds && !gf_exitUnderWay(); ++i) {
        gf_setStatusMessage(fmt::format("Restarting after {} second{}", seconds - i, gf_plural(seconds - i)), false);
        gf_sleepFor(std::chrono::seconds(1), gf_exitUnderWay);
    }
}

// The start-up thread of the ending session must be over before a new one may start; joined here,
// off the user-interface thread, so that the window never blocks on it.
void lf_joinStartupThread()
{
    if (!g_startupThread.joinable())
        return;
    g_startupThread.request_stop();
    g_startupThread.join();
}

void lf_restartReset(std::int32_t reason, std::int32_t restartSeconds)
{
    gf_clearStatusMessage();
    gf_resetTrafficClients();
    if (reason != lf_code(ExitReason::NewSettings)) { // a rescan the user has just asked for is kept
        param::SCAN_LIVERIES.value = 0;
        lf_saveIfRead(param::SCAN_LIVERIES);
        param::SCAN_AIRPORTS.value = 0;
        lf_saveIfRead(param::SCAN_AIRPORTS);
    } else {
        gf_forgetNotCreatableTitles(); // what failed was for the simulator or catalogue just replaced
    }
    lf_joinStartupThread();
    // Everything is reset before the flags clear: a request made during the countdown must find
    // its reason and flags untouched by this restart.
    gf_resetSimLink();
    gf_resetApfProbes();
    gf_clearAcContainers();
    gf_resetParkingFit();
    gf_resetStaticParking();
    if (g_parkingBusy.load() != 0) // a renewal the exit cut short: its parking settings are free again
        gf_enableControls();
    gf_resetParkedTrafficSets(); // the ended session's live identities and parked traffic
    gf_resetStatusLine();
    gf_resetDisplayState();
    gf_resetSimDisplay();
    g_readerError = 0;
    gf_resetMainLoop();
    gf_setTrafficRange(param::LATERAL_RANGE.value.load());
    // A close that came since the restart was decided is the next exit: no countdown, no restart.
    if (gf_endExitForRestart())
        lf_restartCountdown(restartSeconds);
}

// An unknown code throws out of range.
void lf_logExitReason(std::int32_t reason)
{
    gf_logf("Exiting: {}", g_exitReasonTexts.at(static_cast<std::size_t>(reason)));
}

// The exit sequence; returns the window message that ends it: WM_APP+1 restarts, WM_APP+2 quits.
// Whatever fails on the way, the program still quits.
UINT FinalExit(std::int32_t restartSeconds)
{
    try {
        std::int32_t reason = g_exitReason.load();
        lf_logExitReason(reason);
        bool restart = gf_exitRestarts(reason);
        g_restartPending = restart ? 1 : 0;
        if (restart)
            gf_setStatusMessage("Prepare for a restart ...", true);
        lf_stopTrafficService();
        const bool aircraftOurs = lf_sessionEnded();
        if (aircraftOurs)
            lf_removeAllAircraft();
        lf_pause(std::chrono::seconds(1)); // the SimConnect thread drains its queues meanwhile
        // The user closed the window while the restart was prepared: the program ends as the close asks.
        if (restart && gf_closeTakesOver()) {
            reason = lf_code(ExitReason::UserClosedSim);
            restart = false;
            g_restartPending = 0;
            lf_logExitReason(reason);
        }
        if (reason == lf_code(ExitReason::SystemError))
            lf_pause(std::chrono::seconds(5)); // the error stays readable a little longer
        if (reason == lf_code(ExitReason::UserClosedSim)) {
            gf_logf("User closed {}", kProductName);
            g_exiting = 1;
        }
        lf_stopSimThread();
        gf_endAirportAsks(); // the airport files on their way end with the session, and what they brought
        // The simulator link asks for it as its connection ends; the main loop no longer runs.
        if (g_userAtNewAirportRequest.exchange(0) != 0 && aircraftOurs)
            gf_checkUserAcAtNewAirport();
        if (aircraftOurs)
            g_liveryByHexId.clear();
        gf_removeFlightPlanFolder();
        if (restart) {
            if (param::SIM_TIME.on())
                lf_resetTimeShift();
        } else {
            lf_settingsAfterQuit();
        }
        if (aircraftOurs && !gf_parkAirport().icao.empty())
            gf_clearParkAirport();
        if (restart) {
            lf_restartReset(reason, restartSeconds);
            return WM_APP + 1;
        }
        g_ghostCallsigns.clear();
        if (reason == lf_code(ExitReason::NewFlight)) {
            gf_setStatusMessage(
                fmt::format("New flight detected, {} will close, please restart manually ...", kProductName), true);
            lf_pause(std::chrono::seconds(10));
        }
    } catch (...) {
        gf_reportException("FinalExit");
    }
    g_exitRequested = 0;
    return WM_APP + 2;
}

} // namespace

void gf_installExitSequence() { gf_setExitSequence(FinalExit); }

} // namespace zyn
