#pragma once
// Every way the program stops goes through one exit request, which acts once and runs the exit
// sequence on a thread of its own.
#include "core/records.h"

#include <atomic>
#include <cstdint>
#include <string_view>

namespace zyn {

extern std::atomic<std::uint8_t> g_exitRequested;  // an exit is under way; every long loop tests it
extern std::atomic<std::uint8_t> g_exiting;        // the user closed the program
extern std::atomic<std::int32_t> g_exitReason;    // an ExitReason code
extern std::atomic<std::uint8_t> g_restartPending; // the current exit restarts; read by the start-up
extern std::atomic<std::uint8_t> g_readerError;    // a reader failed; the main loop ends the program

// An exit sequence (or its restart countdown) is running or about to run.
bool gf_exitSequenceRunning();

// g_exitRequested or g_exiting: the test between steps of long-running work.
bool gf_exitUnderWay();

// Only the first request acts until the exit sequence clears the flag. Thread-safe.
// reason is an ExitReason code.
void gf_requestExit(std::int32_t reason, std::int32_t restartSeconds);

// Inside a catch-all: shows the exception being handled in the status line and, for a standard
// exception, requests an exit with reason 7.
void gf_reportException(std::string_view functionName);

// A traffic reader ("TrafficReader", "WeatherReader") stopped for another reason than its stop flag;
// unauthorised asks for a restart.
void gf_readerStopped(std::string_view readerName, bool unauthorised);
// The simulator closed or the connection was lost.
void gf_simDisconnected();

} // namespace zyn
