#pragma once
// Window operations that the start-up, the session and the main loop call: groups of controls
// enabled together, the time shift, the destination, the wait for first traffic and the counts.
#include "base/geo.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace zyn {

inline constexpr std::int32_t kMaxTimeShiftMinutes = 40320; // four weeks

extern std::atomic<std::int32_t> g_timeShiftMinutes; // the shift in force
// The simulator time (seconds since 1970) seen at the previous per-second step; 0 none yet.
extern std::atomic<std::int64_t> g_simTimeMark;

// SIM_TIME, KEEP_SIM_TIME_PAR and the three time-shift boxes, enabled or disabled together; the
// shift boxes are not enabled while SIM_TIME is on.
void lf_enableTimeControls(bool enable);

// The three time-shift boxes, enabled or disabled together.
void gf_enableTimeShiftBoxes(bool enable);
// SIM_TIME on: the time-shift boxes are locked and the simulator time is followed from scratch.
// Off: the shift goes back to 0 and the boxes are free. Also the SIM_TIME check box's command.
void lf_applySimTimeOption();

// Splits a shift into days, hours and minutes, saves the three settings and shows them.
void lf_setTimeShiftParameters(std::int32_t minutes);
// Sets the time shift (0 to four weeks; more is cut to four weeks, less than 0 is 0) for the time
// functions and the traffic service. Unless quiet, every aircraft leaves the simulator and the
// parking is renewed, for the main loop to rebuild the scene at the shifted time.
void lf_timeShift(std::int32_t minutes, bool quiet);

// Sets the destination airport, saves DESTINATION, shows it, asks the main loop to put it at the
// front of the park airports and disables "Re-read".
void lf_setDestination(const std::string& code, LatLon position);

// Waits up to 15 seconds (150 x 0.1 s, ended early by an exit) for the first traffic data.
void lf_waitForFirstTraffic();
// The aircraft counts the window shows, from the aircraft lists (main-loop thread only).
struct AcCountsShown {
    std::uint32_t live = 0;         // in the simulator, not parked
    std::uint32_t parkedLive = 0;   // in the simulator, parked at a stand
    std::uint32_t parkedStatic = 0; // static parked aircraft in the simulator
    bool operator==(const AcCountsShown&) const = default;
};
AcCountsShown gf_countAircraftShown();
// Recounts them (and the mean parked time of the live parked aircraft) and repaints the counters
// band when the live count changed, the statistics band when a parked count changed. Main-loop
// thread only.
void lf_refreshAcCounts();

} // namespace zyn
