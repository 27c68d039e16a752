#pragma once
// Motion on the ground: shaping and timing the next leg (turns, curves, pushback end), and the
// ground phase machine. The events of these phases (throttle, flaps, lights) join with the
// simulator link's event queue.
#include "engine/records.h"

namespace zyn {

void nextPosGround(LiveAcRecord& aircraft);
void lf_groundPhaseStep(LiveAcRecord& aircraft);
void adjustTimeGround(LiveAcRecord& aircraft);
void lf_insertMidpoint(LiveAcRecord& aircraft);
void lf_splitSpeedChange(LiveAcRecord& aircraft);
void lf_startTakeoffRun(LiveAcRecord& aircraft);
// One tick of the take-off run (phase 3): rotation, lift-off and the first climb.
void lf_takeoffRunTick(LiveAcRecord& aircraft);

} // namespace zyn
