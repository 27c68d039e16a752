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

// SIM_TIME, KEEP_SIM_TIME_PAR and the three time-shift boxes, enabled or disabled together.
void lf_enableTimeControls(bool enable);
// The percentage and fit boxes and the INITIAL_LOAD_ONLY, PARK_SOFT, PARK_FAKE and WEEK check boxes are
// enabled exactly while RT_PARKTRAFFIC_ONLY is off; the two boxes show their values then, else nothing.
void gf_applyParkTrafficOnly();

// Splits a shift into days, hours and minutes, saves the three settings and shows them.
void lf_setTimeShiftParameters(std::int32_t minutes);
// Sets the time shift (0 to four weeks; more is cut to four weeks, less than 0 is 0).
void lf_timeShift(std::int32_t minutes, bool quiet);

// Sets the destination airport, saves DESTINATION, shows it and disables "Re-read".
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
// Recounts them and repaints the counters band when the live count changed, the statistics band
// when a parked count changed. Main-loop thread only.
void lf_refreshAcCounts();

} // namespace zyn
