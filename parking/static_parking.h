#pragma once
// The static aircraft of the park airport: the calculation of the whole set when its stands are
// loaded, the adjustment that brings the set up to date with the clock, the parked traffic and the
// live aircraft, and the placing of parked traffic on stands. Both end with g_standCandidates sorted
// largest fit first (the statics are parked from its end) and the adjustment also with the statics
// that must go. Main-loop thread only.
#include "aircraft/records.h"
#include "airport/park_pos.h"
#include "base/time_util.h"
#include "engine/records.h"
#include "engine/stand_candidates.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zyn {

// A static the adjustment takes away.
struct StaticRemoval {
    std::string callsign;
    std::uint32_t standId = 0;
};
extern std::vector<StaticRemoval> g_staticRemovals;

// A static that stays.
struct StaticStayer {
    std::string callsign;  // the static's, ending in "*"
    std::string callsign1; // the callsigns of the candidate it was parked from
    std::string callsign2;
    std::string registration;
    std::string airline;
    std::string type;
    WeekSlot parked{0, 0};
    std::uint32_t standId = 0;
    bool leave = false; // its stand's options say it leaves in the next half hour
};
extern std::vector<StaticStayer> g_staticStayers;

// A live aircraft parked at a stand of the park airport.
struct LiveParked {
    std::uint32_t hexId = 0;
    std::uint32_t standId = 0;
};
extern std::vector<LiveParked> g_liveParked;

// The park airport's reserved stand and the stand the user aircraft stands at are kept free.
void lf_markReservedStands();
// The whole set of statics for the park airport whose stands were just loaded.
void lf_calculateStaticParking();
void lf_applyStaticRemovals();
// Takes over the live-traffic identities the traffic client collected.
void gf_resetParkedTrafficSets();
// Number of statics standing (or on their way out); with updateDisplay their mean time stood is shown.
std::uint32_t gf_staticParkedStats(bool updateDisplay);

// Parked traffic to stands.
void lf_findStandsForPT();
// Places one entry on the free stand at its position that fits it, unless it is a live aircraft.
void lf_findStandForPT(const ParkedTrafficRecord& entry);
bool lf_isLiveTwin(const ParkedTrafficRecord& entry, const LiveAcRecord& live);
// A parked-traffic static already on the stand an entry wants. Returns true once decided (the static
// goes, or it stays and conflict is set); false to go on with the next static.
struct PtAtStand {
    const ParkedTrafficRecord& entry;
    const ParkPos& stand;
    WeekSlot now;
    bool conflict = false;
};
bool lf_ptStaticAtStand(PtAtStand& context, AiAcRecord& parked);

// Removes the static at once and lists it among the removals, so that nothing later in the same
// adjustment counts it as standing.
void gf_removeStaticNow(AiAcRecord& parked);
// Empties the candidates, removals, stayers and live parked list (the end of parking, a restart).
void gf_clearStaticParkingLists();

} // namespace zyn
