#pragma once
// Who holds a stand of the park airport, in one place. A live aircraft holds the stand it claimed (at
// its spawn there, or by try2Park) while it taxis to it or stands parked at it: from the claim until it
// leaves (the pushback or the pull-out begins, it taxis away, it gives the approach to the stand up) or
// until it is removed or its record ends. At most one live aircraft holds a stand at a time. A stand's
// liveOccupied flag tells whether one does, and nothing but this module writes it: every change of an
// aircraft's stand, phase or life ends here. Main-loop thread only.
#include "airport/park_pos.h"
#include "engine/records.h"

#include <cstdint>

namespace zyn {

// The aircraft holds the stand its standId names.
bool gf_holdsStand(const LiveAcRecord& aircraft);
// The live aircraft that holds the stand; nullptr when none does.
LiveAcRecord* gf_standHolder(std::uint32_t sid);
// Another live aircraft holds the stand the aircraft's standId names.
bool gf_standHeldByOther(const LiveAcRecord& aircraft);
// The stand search may offer the stand: nobody holds it, or its holder stands parked in the simulator,
// where a newcomer contests it (try2Park removes it; lf_claimStand decides at a spawn).
bool gf_standOpen(const ParkPos& stand);

// The aircraft claims the stand: its position, heading and cargo flag become the aircraft's, and it
// enters phase (taxi to the stand, or parked at it). False, and nothing changes, while another aircraft
// holds the stand.
bool gf_holdStand(LiveAcRecord& aircraft, ParkPos& stand, MovePhase phase);
// The aircraft has no stand any more: its stand fields are cleared; the stand is free unless another
// aircraft holds it.
void gf_dropStand(LiveAcRecord& aircraft);
// The phase setter calls it after each change: a pushback or engine start keeps the stand number of
// the stand the aircraft leaves, but not the stand; taxiing, the take-off and flight drop it.
void gf_followPhase(LiveAcRecord& aircraft);
// The stand's flag follows its holder again, after an aircraft there changed its phase or its life.
void gf_updateStandFlag(std::uint32_t sid);
// The record ends without anything to remove in the simulator: it is marked gone and lets its stand go.
void gf_endLiveRecord(LiveAcRecord& aircraft);
// The stands are replaced (another airport, a re-read): no live aircraft keeps a stand number, no stand
// a holder, and those parked at a stand or taxiing to one are removed, whatever their state.
void gf_forgetStandHolds();

} // namespace zyn
