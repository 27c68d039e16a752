#pragma once
// What the rooms beneath the application core ask of the main loop, as flags that the main loop
// serves and clears, and the main loop's own state that they read. The window's commands raise most
// of them; the simulator link raises the check of the user aircraft at a new airport.
#include <atomic>
#include <cstdint>

namespace zyn {

extern std::atomic<std::int32_t> g_secondsCounter;   // simulator seconds since the loop started, < 86,400
extern std::atomic<std::uint8_t> g_flightNotRunning; // the loop is paused: no flight runs

// Requests of the window commands.
extern std::atomic<std::uint8_t> g_reReadRequest;          // "Re-read"
extern std::atomic<std::uint8_t> g_removeAllRequest;       // "Flush static"
extern std::atomic<std::uint8_t> g_callsignQueryRequest;
extern std::atomic<std::uint8_t> g_blockChangedRequest;    // BLOCK_CALLSIGN was entered
extern std::atomic<std::uint8_t> g_matchDepthRequest;      // empty the list of aircraft without a livery
extern std::atomic<std::uint8_t> g_renewParkingRequest;
extern std::atomic<std::uint8_t> g_parkTrafficOnlyRequest; // the renewal's option
extern std::atomic<std::uint8_t> g_parkingRenewalPhase;    // the renewal's first phase ran
extern std::atomic<std::uint8_t> g_removeAllAircraftRequest; // a new time shift: every aircraft leaves
extern std::atomic<std::uint8_t> g_navLightsRequest;       // NAV_LIGHTS_WHILE_PARKED changed: parked aircraft follow

// What the window changed of the park airport's parking, for static parking to keep.
extern std::atomic<std::uint8_t> g_airportFileChanged; // its settings changed: its file is saved when parking ends

// A new flight, a loaded flight or the end of the simulator connection: static parking records the
// stand the user aircraft stands at. Served by the main loop, or by the exit once the loop ended.
extern std::atomic<std::uint8_t> g_userAtNewAirportRequest;

} // namespace zyn
