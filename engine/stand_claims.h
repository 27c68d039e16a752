#pragma once
// Stands for live aircraft: claiming a stand at spawn, parking a taxiing aircraft, and learning the
// stays at stands. Main-loop thread only.
#include "airport/park_pos.h"
#include "engine/records.h"
#include "engine/stand_search.h"

namespace zyn {

// Marks the aircraft's stand as a cargo stand when a cargo aircraft parks there.
void lf_setStandCargo(LiveAcRecord& aircraft);
// Offers a stopped taxiing aircraft a free stand (tow: it is towed there, from farther away).
void try2Park(LiveAcRecord& aircraft, bool tow);
// After an aircraft has parked: its stay is learned as a real use of the stand.
void gf_recordStandArrival(LiveAcRecord& aircraft);
// When an aircraft leaves its stand: its stay is learned as a real use of the stand.
void gf_recordStandDeparture(LiveAcRecord& aircraft);
// Whether another live aircraft holds the aircraft's stand.
bool gf_standHeldByOther(const LiveAcRecord& aircraft);
// Forgets where the last stand search stopped, which spares a repeat of the search at one position (restart).
void gf_resetParkAttempt();

// A new aircraft on the ground at the park airport: it stands at (claims) a stand, taxis, or waits.
enum class SpawnStand { Taxi, Parked, Gone, Wait };
SpawnStand gf_takeStandAtSpawn(LiveAcRecord& aircraft);

} // namespace zyn
