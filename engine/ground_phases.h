#pragma once
// Motion on the ground: shaping and timing the next leg (turns, curves, pushback end), and the
// ground phase machine with its throttle, flap, spoiler and light events.
#include "engine/records.h"

namespace zyn {

void nextPosGround(LiveAcRecord& aircraft);
void lf_groundPhaseStep(LiveAcRecord& aircraft);
void adjustTimeGround(LiveAcRecord& aircraft);
void lf_insertMidpoint(LiveAcRecord& aircraft);
void lf_splitSpeedChange(LiveAcRecord& aircraft);
void lf_startTakeoffRun(LiveAcRecord& aircraft);
// Lined up for take-off: throttle closed, spoilers in, take-off flaps and lights, stand learned.
void lf_prepareTakeoff(LiveAcRecord& aircraft);
// Taking off: the throttle step and spoiler value given, take-off flaps and lights, wide windows.
void lf_takeoffConfiguration(LiveAcRecord& aircraft, std::uint32_t throttleStep, std::uint32_t spoilers);

// Leaving a stand forwards (one wingspan ahead) or backwards (a pushback, straight or turned).
void lf_pullOut(LiveAcRecord& aircraft);
void lf_pushBack(LiveAcRecord& aircraft);

// Where a stand lies and which way it faces (radians).
struct StandTarget {
    double lat = 0.0;
    double lon = 0.0;
    double heading = 0.0;
};
// Appends the drive to the stand and the stop on it.
void drive2Stand(LiveAcRecord& aircraft, const StandTarget& target);
// One tick of the take-off run (phase 3): rotation, lift-off and the first climb.
void lf_takeoffRunTick(LiveAcRecord& aircraft);

} // namespace zyn
