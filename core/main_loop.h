#pragma once
// The 10 ms main loop on the start-up thread: one tick of AI traffic every 10 ms, the per-second work
// on every once-per-second reply of the simulator, and the periodic steps that a counter of those
// seconds drives.
#include "requests/main_loop_requests.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace zyn {

// The calls whose moment the periodic schedule decides. The program runs the defaults; a test may
// put recorders in their place.
struct MainLoopCalls {
    std::function<void()> updateAI;
    std::function<void()> refreshConnectionState;
    std::function<void()> updateTrafficBox;
    std::function<void(bool)> checkForParkAirportUpdates;
    std::function<void()> startParkingOnAnswer;
    std::function<void()> removeAcAtStand;
    std::function<void()> disableControls;
    std::function<void()> enableControls;
    std::function<void(bool)> parkingAdjustments;
    std::function<void()> writeParkedList;
    std::function<void()> adjustTrafficRange;
    std::function<void()> logNoMatchList;
    std::function<void()> liveryMatchingSummary;
};
MainLoopCalls gf_defaultMainLoopCalls();
extern MainLoopCalls g_mainLoopCalls;

// Runs until lf_workTarvo returns false or an exception ends it; every way out requests an exit.
void mainLoop();
bool lf_workTarvo();
void lf_workSimNotRunning();
void lf_everySecond();
void lf_every5Seconds();
void lf_every15Seconds();
void lf_every30Seconds();
void lf_recheckParkAirportsIfRequested();
// Copies the user aircraft's position into the traffic service client and its requests.
void gf_passUserPositionToService();

// The main loop's state back to the start of a session (restart and tests).
void gf_resetMainLoop();

} // namespace zyn
