#include "core/exit.h"

#include "core/folders.h"
#include "core/log.h"
#include "core/time_util.h"
#include "platform/win32/constants.h"
#include "platform/win32/message_loop.h"
#include "ui/main_window.h"
#include "ui/status_line.h"

#include <exception>
#include <thread>

#include <fmt/format.h>

namespace zyn {

std::atomic<std::uint8_t> g_exitRequested{0};
std::atomic<std::uint8_t> g_exiting{0};
std::atomic<std::int32_t> g_exitReason{0};
std::atomic<std::uint8_t> g_restartPending{0};
std::atomic<std::uint8_t> g_readerError{0};

namespace {

bool lf_restarts(std::int32_t reason)
{
    return reason == 3 || reason == 5 || reason == 6;
}

std::int32_t lf_code(ExitReason reason) { return static_cast<std::int32_t>(reason); }

// The exit sequence. The session's parts (readers, simulator link, aircraft, restart) are not
// built yet, so for now every exit ends the program.
void FinalExit(std::int32_t /*restartSeconds*/)
{
    try {
        const std::int32_t reason = g_exitReason.load();
        // An unknown code throws out of range into the catch below.
        gf_logf("Exiting: {}", g_exitReasonTexts.at(static_cast<std::size_t>(reason)));
        if (lf_restarts(reason))
            gf_log("FinalExit: the in-process restart is not built yet, the program quits instead");
        g_restartPending = 0;
        if (reason == lf_code(ExitReason::UserClosedSim)) {
            gf_logf("User closed {}", kProductName);
            g_exiting = 1;
        }
    } catch (...) {
        gf_reportException("FinalExit");
    }
    g_exitRequested = 0;
    if (const HWND window = g_mainWindow.load())
        PostMessageW(window, WM_APP + 2, 0, 0);
}

} // namespace

bool gf_exitUnderWay() { return g_exitRequested.load() != 0 || g_exiting.load() != 0; }

void gf_requestExit(std::int32_t reason, std::int32_t restartSeconds)
{
    if (g_exitRequested.exchange(1) != 0)
        return;
    g_exitReason = reason;
    std::thread(FinalExit, restartSeconds).detach();
}

void gf_reportException(std::string_view functionName)
{
    try {
        throw;
    } catch (const fmt::format_error& e) {
        gf_showErrorMessage(fmt::format("std::format error: {}", e.what()));
    } catch (const std::exception& e) {
        gf_showErrorMessage(fmt::format("{}: {}", functionName, e.what()));
        gf_requestExit(lf_code(ExitReason::SystemError), 0);
    } catch (...) {
        gf_showErrorMessage("Unknown exception");
    }
}

void gf_readerStopped(bool unauthorised)
{
    gf_setStatusMessage(fmt::format("The {} has stopped with an error", "WeatherReader"), true);
    if (unauthorised)
        gf_requestExit(lf_code(ExitReason::ReaderError), 15);
    else
        g_readerError = 1;
}

void gf_simDisconnected()
{
    if (g_exitRequested.load() != 0)
        return;
    gf_logf("{} Flight Simulator no longer connected, {} will stop ...", gf_timeOfDayText(), kProductName);
    gf_requestExit(lf_code(ExitReason::SimWasClosed), 0);
}

} // namespace zyn
