#pragma once
// The session run: the SimConnect thread, the wait for the simulator and the user aircraft, the
// login and the two reader threads, then the main loop on the start-up thread.
#include <atomic>
#include <cstdint>
#include <thread>

namespace zyn {

extern std::jthread g_simThread; // SimClient; stopped by the exit, replaced by the next session
// Set while the session run (and its main loop) may touch the aircraft lists; the exit removes the
// aircraft only once it is clear.
extern std::atomic<std::uint8_t> g_sessionRunning;

// Returns when the main loop ends or the session is abandoned; every failure requests an exit.
void lf_runSession();

} // namespace zyn
