#pragma once
// The geometry and naming rules of static parking's conflicts: what lies in the user aircraft's path,
// when two aircraft touch, the callsign a static carries, and how long a static that stays has stood.
// Pure functions; the main loop applies them to its lists.
#include "base/geo.h"
#include "base/time_util.h"
#include "engine/stand_candidates.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zyn {

struct UserFlight {
    LatLon position;
    double heading = 0.0;     // true, radians
    double altitudeFt = 0.0;
    double heightAglFt = 0.0; // above the ground
};

// An aircraft on the ground within 1 NM ahead of the low user (below 500 ft) and within 50 ft of its
// heading line. Only what lies ahead counts: an aircraft behind the user is not in its path.
bool gf_inUserGroundPath(const UserFlight& user, LatLon aircraft);
// An airborne aircraft within 4 NM and 1000 ft of the user whose line of flight passes within 700 ft
// of the user.
bool gf_inUserAirPath(const UserFlight& user, LatLon aircraft, double aircraftHeading, double aircraftAltitudeFt);

// Two aircraft touch when their half wingspans (NM), with 10 % margin, reach across their distance.
bool gf_wingsTouch(double halfSpanA, double halfSpanB, double distanceNm);

// Every trailing "_" removed and "*" appended unless it already ends in one.
std::string lf_cleanCallsign(std::string_view callsign);
// The callsign a static takes from its candidate: its own (slot match) or its second one, else the
// other; empty (logged) when it has neither.
std::string lf_detcs(const StandCandidate& candidate);
// The running number of made-up callsigns, 0..9999 then 0 again.
std::uint32_t gf_nextStaticNumber(std::uint32_t number);

// How long a static parked at parked has stood at now, in half hours: the unit every candidate's fit
// is sorted by.
std::int32_t gf_stayerFit(WeekSlot parked, WeekSlot now);

} // namespace zyn
