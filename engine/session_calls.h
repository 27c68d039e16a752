#pragma once
// What the main loop asks of the live aircraft engine beyond its driver, removals and identity
// checks. Main-loop thread only.
#include "base/time_util.h"
#include "engine/records.h"

namespace zyn {

// Disables the parking controls while a parking renewal runs.
void gf_disableControls();
// Looks for the aircraft that flies the same route under a coupled callsign around this time.
void lf_searchForCoupledCsAroundThisTime(WeekSlot now, LiveAcRecord& aircraft);

} // namespace zyn
