#pragma once
// What the main loop and the exit ask of static parking. Main-loop thread only.
#include "engine/records.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace zyn {

// A park airport coming into or going out of sight; first is true at the start of the main loop, where
// a park airport is chosen as at any check. Its statics are calculated at the next check, or, where
// the live identities were already collected (the main loop's start), by gf_startParkingOnAnswer.
void gf_checkForParkAirportUpdates(bool first);
// Every second: the calculation that waits for its parked traffic runs once the answer (or its bound)
// is in; it never waits for the service.
void gf_startParkingOnAnswer();
// Brings the statics up to date with the clock, the parked traffic and the live aircraft (the second
// phase of a parking renewal); full: the fitted statics are fitted anew as well.
void gf_parkingAdjustments(bool full);
// Re-reads the park airports (and the reserved stand); true when message holds something to show.
bool gf_recheckParkAirports(bool checkStand, std::string& message);
// Ends parking at the current park airport: statics and the live aircraft on its ground go, what was
// learned is saved, the airport is forgotten.
void gf_clearParkAirport();
void gf_answerCallsignQuery();
// Removes the live aircraft when it is in the path of the airborne user; true when it did.
bool gf_avoidUserCollision(LiveAcRecord& aircraft);
// Removes a parked aircraft that collides with the taxiing one (a copy).
void lf_removeForCollisionAvoidance(LiveAcRecord aircraft);
// "Callsign2ObjectId.txt": the list of live aircraft in the simulator, with their stands.
void gf_writeParkedList();
std::string gf_parkedListRow(const LiveAcRecord& aircraft);

} // namespace zyn
