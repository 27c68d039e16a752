#pragma once
// Spawning live aircraft: classification at the first reports, the livery, the first position
// block and the creation request; what follows the simulator's object; respawns on a change of
// callsign or route. Main-loop thread only.
#include "engine/records.h"

#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zyn {

extern std::unordered_map<std::uint32_t, std::string_view> g_liveryByHexId;
extern std::vector<std::uint32_t> g_identityCheckIds;  // read by the per-second work

void spawnLiveAc(LiveAcRecord& aircraft);
bool lf_chooseLiveAcLivery(LiveAcRecord& aircraft);
// The aircraft's title is one the simulator failed to create since it was chosen: it is matched
// again (its hex id's cached title not taken back); without another title the aircraft ends as one
// without livery. True when it has a title the simulator has not failed on.
bool gf_rematchFailedLivery(LiveAcRecord& aircraft);
// The object of this aircraft exists: stores it and asks for its static centre of gravity.
bool lf_parks(LiveAcRecord& aircraft, std::uint32_t objectId, double heightAboveGroundFt);
void lf_createFlightPlan(LiveAcRecord& aircraft);
// End of the light sequence: lights, engines, throttle and flaps of the phase; state 2.
void lf_setLightsByPhase(LiveAcRecord& aircraft);
// False when the record must not be appended (the aircraft is created again).
bool gf_respawnLiveAc(LiveAcRecord& aircraft, const TrafficRecord& record);
void liveryRespawn(LiveAcRecord& aircraft);
// Between the removal of its old object and the creation of its new one.
bool gf_beingRespawned(const LiveAcRecord& aircraft);

// Pitch of a new airborne aircraft from its vertical rate, radians (negative: nose up).
double gf_spawnPitch(double verticalRateFpm);

} // namespace zyn
