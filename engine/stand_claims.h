#pragma once
// Stands for live aircraft: claiming a stand at spawn, parking a taxiing aircraft, and learning the
// stays at stands. Main-loop thread only.
#include "airport/park_pos.h"
#include "engine/records.h"
#include "engine/stand_search.h"

namespace zyn {

// Marks the aircraft's stand as a cargo stand when a cargo aircraft parks there.
void lf_setStandCargo(LiveAcRecord& aircraft);
// Static aircraft on the stand, and those on an overlapping stand within reach of the live aircraft,
// are removed (a creation still queued is withdrawn); marked statics leave the list at once.
void checkStandOrExcludedIsOccupiedByStaticAndRemove(const LiveAcRecord& live, const ParkPos& stand);
// The position of the last offer of a stand is forgotten: it refers to the stands of one airport.
void gf_forgetParkAttempt();
// Offers a stopped taxiing aircraft a free stand (tow: it is towed there, from farther away).
void try2Park(LiveAcRecord& aircraft, bool tow);
// After an aircraft has parked: its stay is learned as a real use of the stand.
void gf_recordStandArrival(LiveAcRecord& aircraft);
// When an aircraft leaves its stand: its stay is learned as a real use of the stand.
void gf_recordStandDeparture(LiveAcRecord& aircraft);
// Forgets where the last stand search stopped, which spares a repeat of the search at one position (restart).
void gf_resetParkAttempt();

// A new aircraft on the ground at the park airport: it stands at (claims) a stand, taxis, or waits.
// Unclaimed: it stands at the user's or the reserved stand, which it may not claim; it is created
// there as it is, its phase still new.
enum class SpawnStand { Taxi, Parked, Gone, Wait, Unclaimed };
SpawnStand gf_takeStandAtSpawn(LiveAcRecord& aircraft);

} // namespace zyn
