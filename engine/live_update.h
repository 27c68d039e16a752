#pragma once
// The tick of one live aircraft: an aircraft not yet in the simulator waits for its first report
// and is spawned when the rules allow it; one in the simulator moves a step and hands its position
// set to the simulator link. Main-loop thread only.
#include "engine/records.h"
#include "sim/data_blocks.h"

namespace zyn {

// Ticks a record may wait for its object once its creation was sent (the simulator link forgets a
// creation 60 s after sending it) and for the removal report; beyond them it is given up instead of
// staying in the list forever.
inline constexpr std::int32_t kCreationWaitTicks = 6500;
inline constexpr std::int32_t kRemovalWaitTicks = 12000; // beyond a full removal queue at 10 per second

// The user aircraft as the live aircraft see it this tick (the main loop's once-per-second copy).
extern UserAcData g_userOfTick;

// Returns the aircraft's gone flag after the tick.
bool updateLiveAc(LiveAcRecord& aircraft);
void updateBufferAc(LiveAcRecord& aircraft);

// True for a callsign that names a flight: not empty, not the placeholder "@@@@@@@@", below 9 characters.
bool lf_isRealCallsign(std::string_view callsign);

} // namespace zyn
