#pragma once
// Removals of live aircraft by rule: ghosts (a provisional callsign ending in "_" once the real one
// flies), the farthest aircraft when the live limit is reached, and everything on request.
// Main-loop thread only.
#include "engine/records.h"

#include <string>
#include <string_view>
#include <vector>

namespace zyn {

extern std::vector<std::string> g_ghostCallsigns; // ghosts already removed: never spawned again

// Removes the live aircraft flying as callsign + "_" (not already on its way out).
void gf_removeGhost(std::string_view callsign);
// For a callsign ending in "_": another live aircraft not being removed flies without the "_".
bool lf_ghostBaseFlies(std::string_view callsign);
// Removes the live aircraft in the simulator farthest from the user beyond distanceNm + 0.1
// (-1: any). True when there was none.
bool gf_removeFarthestLiveAc(double distanceNm);

// Removes every live (static) aircraft: those in the simulator are removed, those whose creation
// waits are withdrawn or removed once created. Marked records leave the list.
void gf_removeAllLiveAc();
void gf_removeAllStaticAc();

// Erases the live records whose gone flag is set, keeping the order of the others.
void gf_compactLiveList();

} // namespace zyn
