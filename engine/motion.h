#pragma once
// Motion between reported positions: consuming the stream, the rates towards the next position,
// its timing, and what happens when the stream runs short. Main-loop thread only. The lf_ helpers
// here are shared by the motion files of the engine (ground and air phases, movement) alone.
#include "engine/records.h"

#include <cstdint>

namespace zyn {

// The step entry, run when the clock has reached the front's play time. May remove the aircraft.
void nextPosMain(LiveAcRecord& aircraft);
// Consumes the front situation and sets the rates towards the next one.
void nextPos(LiveAcRecord& aircraft);

bool lf_streamEnded(LiveAcRecord& aircraft);
void lf_extendStream(LiveAcRecord& aircraft, std::int32_t count);
void lf_arriveAtStand(LiveAcRecord& aircraft);

bool lf_restAirborne(const LiveAcRecord& aircraft);
double lf_turnToNextLeg(const LiveAcRecord& aircraft);
double lf_meanSpeed(const LiveAcRecord& aircraft);
void lf_limitBank(LiveAcRecord& aircraft, double turn, std::int32_t ticks);
// Next play time := now + ticks, kept within the time window.
void lf_retimeNext(LiveAcRecord& aircraft, std::int32_t ticks);
// Next play time := t, kept within the time window (unless continuations run) and not before now.
void lf_setNextPlayTime(LiveAcRecord& aircraft, std::int64_t t);
// Ticks left to the next play time, at least 25.
double lf_ticksToNext(const LiveAcRecord& aircraft);
// Lowers both time windows by 100 towards 1000.
void lf_shrinkWindows(LiveAcRecord& aircraft);
// Both windows back to their working size after a continuation (5000 ahead while taking off).
void lf_resetWindows(LiveAcRecord& aircraft);
// The steady clock in 100 ns units, as parkedSince holds it.
std::int64_t gf_steadyTicks100ns();
// Sets the phase, keeping the old one as the previous phase when it changes.
void lf_setPhase(LiveAcRecord& aircraft, MovePhase phase);

} // namespace zyn
