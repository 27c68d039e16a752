#pragma once
// What the session run, the main loop and the exit ask of the live aircraft engine. Main-loop thread
// only; the exit sequence calls the removals once the main loop has ended.
#include "core/time_util.h"
#include "engine/records.h"

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace zyn {

extern std::vector<std::string> g_ghostNames;                             // removed as ghosts; emptied on quit
extern std::unordered_map<std::string, std::string> g_liveryChoiceCache; // emptied once a day and at exit
extern std::set<std::string> g_noMatchAircraft;                          // live aircraft without a livery

// Room for 512 live and 256 parked aircraft, so that the lists do not move during a session.
void gf_reserveAcContainers();
// Empties the aircraft lists and the engine's queues (restart).
void gf_clearAcContainers();
// Takes every live or parked aircraft out of the simulator.
void gf_removeAllLiveAc();
void gf_removeAllStaticAc();

// One 10 ms tick of the live traffic; advances the engine clock g_tick.
void gf_updateAI();
// Applies the commands that the SimConnect thread passed back.
void gf_SimCommands();
// Removes the aircraft standing on the stand the user reserved.
void gf_removeAcAtStand();
// Disables the parking controls while a parking renewal runs.
void gf_disableControls();

void lf_searchForCoupledCsAroundThisTime(WeekSlot now, LiveAcRecord& aircraft);
struct IdentityQuery {
    const LiveAcRecord& aircraft;
    std::string callsign; // without its last character
    bool onGround = false;
};
// Whether the parked aircraft is the live one under another name.
bool gf_checkSameIdentity(const IdentityQuery& live, const AiAcRecord& parked);

} // namespace zyn
