#pragma once
// Stands for live aircraft: what the motion code asks of the stand search and stand learning.
#include "engine/records.h"

namespace zyn {

// Learns the stand an aircraft leaves or is about to use (anyHeight: also in the air).
void lf_chooseStandForLiveAc(LiveAcRecord& aircraft, bool anyHeight);
// Takes the cargo flag of the aircraft's stand.
void lf_setStandCargo(LiveAcRecord& aircraft);
// Offers a stopped taxiing aircraft a stand (tow: it is towed there).
void try2Park(LiveAcRecord& aircraft, bool tow);
// After an aircraft has parked: its stay is learned as a real use of the stand.
void gf_recordStandArrival(LiveAcRecord& aircraft);
// When an aircraft leaves its stand: its stay is learned as a real use of the stand.
void gf_recordStandDeparture(LiveAcRecord& aircraft);

} // namespace zyn
