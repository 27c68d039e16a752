#include "requests/exit_request.h"

#include "base/folders.h"
#include "base/log.h"
#include "base/time_util.h"
#include "platform/system/error_text.h"
#include "platform/win32/message_loop.h"
#include "shown/status_line.h"
#include "shown/windows.h"

#include <mutex>
#include <thread>

#include <fmt/format.h>

namespace zyn {

std::atomic<std::int32_t> g_exitReason{0};
std::atomic<std::uint8_t> g_restartPending{0};
std::atomic<std::uint8_t> g_readerError{0};

namespace {

// The exit sequences run one after the other on one worker thread: a request that arrives while a
// restart counts down is taken over by that worker once the current sequence is done.
std::mutex g_exitWorkerMutex;
bool g_exitWorkerRunning = false;        // under g_exitWorkerMutex
std::int32_t g_pendingRestartSeconds = 0; // under g_exitWorkerMutex
bool g_closeWaiting = false;              // under g_exitWorkerMutex: closed while an exit was under way
std::atomic<ExitSequence> g_exitSequence{nullptr};

std::int32_t lf_code(ExitReason reason) { return static_cast<std::int32_t>(reason); }

void lf_exitWorker()
{
    for (;;) {
        std::int32_t restartSeconds = 0;
        {
            std::lock_guard lock(g_exitWorkerMutex);
            restartSeconds = g_pendingRestartSeconds;
        }
        const ExitSequence sequence = g_exitSequence.load();
        const UINT message = sequence ? sequence(restartSeconds) : 0;
        std::lock_guard lock(g_exitWorkerMutex);
        // A request that came while this sequence ended decides how the program goes on. Without a
        // sequence nothing withdraws the first request, so going round again would only spin.
        if (sequence && g_exitRequested.load() != 0)
            continue;
        g_closeWaiting = false; // the program quits: a close that came meanwhile asks nothing more
        // Posted before the worker counts as ended: once no sequence runs, its message is on its way.
        if (const HWND window = g_mainWindow.load(); window && message != 0)
            PostMessageW(window, message, static_cast<WPARAM>(gf_exitCode(g_exitReason.load())), 0);
        g_exitWorkerRunning = false;
        return;
    }
}

} // namespace

void gf_setExitSequence(ExitSequence sequence) { g_exitSequence.store(sequence); }

bool gf_exitSequenceRunning()
{
    std::lock_guard lock(g_exitWorkerMutex);
    return g_exitWorkerRunning;
}

// Under the lock, with no exit under way: the request becomes the pending one and a worker runs it.
void lf_request(std::unique_lock<std::mutex>& lock, std::int32_t reason, std::int32_t restartSeconds)
{
    g_exitRequested = 1;
    g_exitReason = reason;
    g_pendingRestartSeconds = restartSeconds;
    if (g_exitWorkerRunning)
        return;
    g_exitWorkerRunning = true;
    lock.unlock();
    try {
        std::thread(lf_exitWorker).detach();
    } catch (...) {
        lock.lock();
        g_exitWorkerRunning = false;
        g_exitRequested = 0;
        throw;
    }
}

void gf_requestExit(std::int32_t reason, std::int32_t restartSeconds)
{
    std::unique_lock lock(g_exitWorkerMutex);
    if (g_exitRequested.load() != 0)
        return;
    lf_request(lock, reason, restartSeconds);
}

bool gf_exitRestarts(std::int32_t reason)
{
    return reason == lf_code(ExitReason::NewSettings) || reason == lf_code(ExitReason::SimConnectError) ||
           reason == lf_code(ExitReason::ReaderError);
}

GuardedStep gf_runUnlessExiting(const std::function<bool()>& step, std::optional<ExitAsked> exit)
{
    std::unique_lock lock(g_exitWorkerMutex);
    if (gf_exitUnderWay()) {
        // A close that came meanwhile ends the exit under way without its restart.
        const bool restarts = g_exiting.load() == 0 && !g_closeWaiting && gf_exitRestarts(g_exitReason.load());
        return restarts ? GuardedStep::Restarting : GuardedStep::Quitting;
    }
    if (!step())
        return GuardedStep::Failed;
    if (exit)
        lf_request(lock, exit->reason, exit->restartSeconds);
    return GuardedStep::Done;
}

void gf_requestClose()
{
    std::unique_lock lock(g_exitWorkerMutex);
    if (g_exitRequested.load() != 0) {
        g_closeWaiting = true; // the exit under way takes it over, or runs it next
        return;
    }
    lf_request(lock, lf_code(ExitReason::UserClosedSim), 0);
}

bool gf_closeTakesOver()
{
    std::lock_guard lock(g_exitWorkerMutex);
    if (!g_closeWaiting)
        return false;
    g_closeWaiting = false;
    g_exitReason = lf_code(ExitReason::UserClosedSim);
    return true;
}

bool gf_endExitForRestart()
{
    std::lock_guard lock(g_exitWorkerMutex);
    g_exiting = 0;
    if (g_closeWaiting) {
        g_closeWaiting = false;
        g_exitReason = lf_code(ExitReason::UserClosedSim);
        g_pendingRestartSeconds = 0;
        return false; // still requested: the worker runs the close's exit next
    }
    g_exitReason = 0;
    g_exitRequested = 0;
    return true;
}

void gf_resetCloseRequest()
{
    std::lock_guard lock(g_exitWorkerMutex);
    g_closeWaiting = false;
}

int gf_exitCode(std::int32_t reason) { return reason == lf_code(ExitReason::SystemError) ? 1 : 0; }

void gf_reportException(std::string_view functionName)
{
    try {
        throw;
    } catch (const fmt::format_error& e) {
        gf_showErrorMessage(fmt::format("std::format error: {}", e.what()));
    } catch (const std::exception& e) {
        gf_showErrorMessage(fmt::format("{}: {}", functionName, gf_exceptionText(e)));
        gf_requestExit(lf_code(ExitReason::SystemError), 0);
    } catch (...) {
        gf_showErrorMessage("Unknown exception");
    }
}

void gf_readerStopped(std::string_view readerName, bool unauthorised)
{
    // The reader that stopped is named: the user looks at the service that refused.
    gf_setStatusMessage(fmt::format("The {} has stopped with an error", readerName), true);
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
