#pragma once
// Exit requests: every way a session stops goes through one request; only the first one acts.
#include <atomic>
#include <cstdint>

namespace zyn {

extern std::atomic<std::uint8_t> g_exitRequested; // an exit is under way
extern std::atomic<std::uint8_t> g_exiting;       // the user closed the program
extern std::atomic<std::int32_t> g_exitReason;

// Callable from any thread; later requests are ignored while an exit is under way.
void gf_requestExit(std::int32_t reason, std::int32_t restartSeconds);
// The SimConnect thread lost the simulator: requests the exit with reason 1 unless one is under way.
void gf_simDisconnected();

} // namespace zyn
