#pragma once
// What the main loop asks of the live aircraft engine beyond its driver, removals and identity
// checks. Main-loop thread only.
#include "base/time_util.h"
#include "engine/records.h"

namespace zyn {

// Locks the parking settings and buttons while static parking changes its statics (the busy state).
void gf_disableControls();
// Ends the busy state: the settings and buttons are free again.
void gf_enableControls();
// Looks for the aircraft that flies the same route under a coupled callsign around this time.
void lf_searchForCoupledCsAroundThisTime(WeekSlot now, LiveAcRecord& aircraft);

} // namespace zyn
