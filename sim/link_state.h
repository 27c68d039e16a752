#pragma once
// State of the connection to the simulator, shared by the SimConnect thread, the main loop and the
// window. Flags other threads read are atomics.
#include "platform/simconnect/simconnect.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace zyn {

inline constexpr std::uint32_t kInitialUserAcObjectId = 2;

extern std::atomic<HANDLE> g_hSimConnect;           // null until SimConnect_Open succeeds
extern std::mutex g_simMutex;                       // every SimConnect call outside the dispatch, and the queues
extern std::atomic<std::uint8_t> g_simRunning;      // a flight runs ("Sim" event)
extern std::atomic<std::uint8_t> g_simQuit;         // the simulator sent QUIT: the connection is over
extern std::atomic<std::uint8_t> g_simNotConnected; // no connection opened yet in this session
// No connection opened since the program started; a restart keeps what it knows.
extern std::atomic<std::uint8_t> g_simNeverConnected;
extern std::atomic<std::uint8_t> g_simConnected;    // the OPEN reply identified the simulator
extern std::atomic<std::uint8_t> g_oneSecondFlag;   // a once-per-second reply arrived; the main loop consumes it
// Object id of the user aircraft; every AI object id the program handles is greater.
extern std::atomic<std::uint32_t> g_userAcObjectId;
extern std::atomic<float> g_frameRate;              // measured every 30 frames
extern std::atomic<std::int64_t> g_simEpoch;        // Unix time of the simulator's Zulu date and time

// The restart reset of the whole simulator link (also used by tests to start clean).
void gf_resetSimLink();

} // namespace zyn
