#pragma once
// Every way the program stops goes through one exit request, which acts once and runs the exit
// sequence on a thread of its own. Any room may request the exit; the application core installs the
// sequence itself at start-up, so the rooms below it never reach up to it.
#include "base/exit_flags.h"
#include "platform/win32/types.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace zyn {

enum class ExitReason : std::uint8_t {
    NotYetSet = 0,
    SimWasClosed = 1,
    NewFlight = 2,
    NewSettings = 3,
    UserClosedSim = 4,
    SimConnectError = 5,
    ReaderError = 6,
    SystemError = 7,
};

inline constexpr std::array<std::string_view, 8> g_exitReasonTexts{
    "NOT YET SET", "SIM WAS CLOSED", "NEW FLIGHT", "NEW SETTINGS",
    "USER CLOSED SIM", "SIMCONNECT ERROR", "READER ERROR", "SYSTEM ERROR"};

extern std::atomic<std::int32_t> g_exitReason;    // an ExitReason code
extern std::atomic<std::uint8_t> g_restartPending; // the current exit restarts; read by the start-up
extern std::atomic<std::uint8_t> g_readerError;    // a reader failed; the main loop ends the program

// The exit sequence: runs the exit for the pending restart delay and returns the message the main
// window then receives (WM_APP+1 restarts, WM_APP+2 quits; its wParam is the exit code, gf_exitCode of
// the reason the sequence ended with).
using ExitSequence = UINT (*)(std::int32_t restartSeconds);
// Installed once by the application core before anything can request an exit. Without one, a
// request only raises the flags.
void gf_setExitSequence(ExitSequence sequence);

// An exit sequence (or its restart countdown) is running or about to run.
bool gf_exitSequenceRunning();
// Only the first request acts until the exit sequence clears the flag. Thread-safe.
// reason is an ExitReason code.
void gf_requestExit(std::int32_t reason, std::int32_t restartSeconds);
// Whether an exit for the reason (an ExitReason code) restarts the program: new settings, a SimConnect
// error, a reader's error. The others quit.
bool gf_exitRestarts(std::int32_t reason);
// An exit that a step asks for once it is done.
struct ExitAsked {
    std::int32_t reason; // an ExitReason code
    std::int32_t restartSeconds;
};
enum class GuardedStep : std::uint8_t {
    Restarting, // an exit that restarts was under way: the step did not run
    Quitting,   // an exit that quits was under way (or the user had closed the program): the step did not run
    Failed,     // the step ran and returned false
    Done,       // the step ran; the exit it asked for is the pending one
};
// Runs step on the calling thread under the exit request's lock, unless an exit is under way. When the
// step succeeds, the exit it asks for becomes the pending request before the lock is released: a
// request from another thread meanwhile waits, then finds that exit under way and is dropped. So what
// the step saved is never undone by another exit's restart. The step may save settings, show the
// status line and log; it must neither request an exit nor set a control (setting a control waits
// for the window's thread, which may be waiting for this lock).
GuardedStep gf_runUnlessExiting(const std::function<bool()>& step, std::optional<ExitAsked> exit);
// The user closed the window (reason 4, no restart). Stronger than a restart under way: the program
// then ends as the close asks and does not start again. Thread-safe.
void gf_requestClose();
// For the exit sequence, while it prepares a restart: a close that came meanwhile makes this exit the
// close's (the reason becomes 4). True when it did.
bool gf_closeTakesOver();
// For the exit sequence, once the restart's reset is done: clears the exit flags and the reason, so
// that a request during the countdown starts afresh, and returns true. A close that came after
// gf_closeTakesOver instead becomes the pending request (false): no countdown, no restart.
bool gf_endExitForRestart();
// Forgets a close that no exit took over (tests start afresh with it).
void gf_resetCloseRequest();
// The program's exit code after an exit for the reason: 1 after an error it could not go on with
// (reason 7, a refused start among them), so that whoever started it sees the failure; 0 otherwise.
int gf_exitCode(std::int32_t reason);
// Inside a catch-all: shows the exception being handled in the status line and, for a standard
// exception, requests an exit with reason 7.
void gf_reportException(std::string_view functionName);
// A traffic reader ("TrafficReader", "WeatherReader") stopped for another reason than its stop flag;
// unauthorised asks for a restart.
void gf_readerStopped(std::string_view readerName, bool unauthorised);
// The simulator closed or the connection was lost.
void gf_simDisconnected();

} // namespace zyn
