#pragma once
// Motion in the air: timing the next situation and the rates of the leg (vertical, pitch, turn,
// bank). The configuration events by height (lights, flaps, gear, throttle) and the flare join
// with the simulator link's event queue.
#include "engine/records.h"

namespace zyn {

void nextPosAir(LiveAcRecord& aircraft);
void lf_airPhaseStep(LiveAcRecord& aircraft);
double lf_landingVerticalSpeed(const LiveAcRecord& aircraft);
// One flare check per tick below 400 ft on approach.
void lf_flare(LiveAcRecord& aircraft);

} // namespace zyn
