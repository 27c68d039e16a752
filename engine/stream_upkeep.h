#pragma once
// Appending a merged report to a known live aircraft's position stream, after deciding what the
// report means in the aircraft's phase: still standing or leaving a stand, the side of a pushback
// turn, a stop, a report behind a landing aircraft, a short stop while taxiing. Main-loop thread only.
#include "engine/records.h"

#include <cstddef>

namespace zyn {

// More waiting situations than this remove the aircraft: a stalled one never gathers reports.
inline constexpr std::size_t kMaxWaitingSituations = 200;

void decodeExisting(LiveAcRecord& aircraft, Situation situation);

// Each returns true when the report is taken; a taken report may have been changed (into a stop).
bool lf_checkSituation(LiveAcRecord& aircraft, Situation& situation);
bool lf_checkStandDeparture(LiveAcRecord& aircraft, Situation& situation);
bool checkExtendingSituations(LiveAcRecord& aircraft, const Situation& situation);
bool checkNewPosDuringLanding(LiveAcRecord& aircraft, Situation& situation);
// The aircraft leaves its stand: working time windows, the stay learned (the stand goes as it moves off).
void lf_leaveStand(LiveAcRecord& aircraft);
// Removes a short stop (the newest situations, standing) when the aircraft moves on at once.
void removeSmallStop(LiveAcRecord& aircraft, const Situation& situation);
// The stop is the newest stopCount situations; removed when short or left by less than 22 m.
void checkStops(LiveAcRecord& aircraft, std::size_t stopCount, const Situation& situation);

} // namespace zyn
