#pragma once
// What the main window shows besides the status line: lights, counters and values that other
// threads write and the painter reads. Each writer asks for a repaint of its band afterwards.
#include "shown/repaint.h"

#include <atomic>
#include <cstdint>

namespace zyn {

// Traffic service: 1 receiving, 2 connected but no data, 3 failed (or not running).
extern std::atomic<std::uint8_t> g_loginShown; // a traffic service session exists
extern std::atomic<std::uint8_t> g_serviceBusyShown; // a request to the service is under way
extern std::atomic<std::uint8_t> g_trafficLight;
extern std::atomic<std::uint8_t> g_weatherLight;
extern std::atomic<std::int32_t> g_qnhDisplay; // hPa shown; 0 none yet

// Counters band.
extern std::atomic<std::uint64_t> g_simaddonCount;   // entries of "airports/my_simaddon"
extern std::atomic<std::uint64_t> g_thirdpartyCount; // entries of "airports/my_thirdparty"
extern std::atomic<std::uint64_t> g_liveryCount;     // installed liveries
extern std::atomic<std::uint32_t> g_liveCountShown;  // live aircraft in the simulator, not parked
extern std::atomic<std::uint32_t> g_liveParkedShown;  // live aircraft in the simulator, parked at a stand
extern std::atomic<std::uint32_t> g_staticParkedShown; // static parked aircraft in the simulator

// Settings and statistics bands.
extern std::atomic<std::int32_t> g_renewalMinutesShown; // minutes to the next parking renewal
extern std::atomic<std::uint8_t> g_timeControlsEnabled;
extern std::atomic<double> g_liveParkedMeanShown; // hours; the live "average fit"

// Stores the QNH (hPa) and repaints the counters band; a weather light at 2 becomes 1.
void gf_setQnhDisplay(std::int32_t qnh);

// Back to the state of a fresh start (restart and tests).
void gf_resetDisplayState();

} // namespace zyn
