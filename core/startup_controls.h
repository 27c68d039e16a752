#pragma once
// The start state of the main window's controls, set once per start-up, and the SIM_TIME option.
#include <atomic>
#include <cstdint>

namespace zyn {

// The simulator time (seconds since 1970) seen at the previous per-second step; 0 none yet.
extern std::atomic<std::int64_t> g_simTimeMark;

void lf_enableStartupControls();

// SIM_TIME on: the time-shift boxes are locked and the simulator time is followed from scratch.
// Off: the shift goes back to 0 and the boxes are free. Also the SIM_TIME check box's command.
void lf_applySimTimeOption();

} // namespace zyn
