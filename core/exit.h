#pragma once
// Exit requests: every way a session stops goes through one request; only the first one acts.
#include <atomic>
#include <cstdint>

namespace zyn {

extern std::atomic<std::uint8_t> g_exitRequested; // an exit is under way
extern std::atomic<std::uint8_t> g_exiting;       // the user closed the program
extern std::atomic<std::int32_t> g_exitReason;
extern std::atomic<std::uint8_t> g_readerError; // a traffic reader failed; the main loop ends the program

// Callable from any thread; later requests are ignored while an exit is under way.
void gf_requestExit(std::int32_t reason, std::int32_t restartSeconds);
// The SimConnect thread lost the simulator: requests the exit with reason 1 unless one is under way.
void gf_simDisconnected();
// A traffic reader stopped on a refused status: unauthorised asks for a restart after 15 seconds,
// anything else leaves g_readerError for the main loop.
void gf_readerStopped(bool unauthorised);

} // namespace zyn
