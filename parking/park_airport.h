#pragma once
// Static parking's park airports: the list ("my_park_airports.txt" and the "my_thirdparty" folders),
// the choice of the park airport and the loading of its stands. The list belongs to the main loop
// (the window and the simulator link ask for changes through requests); the state other rooms read
// of it is airport/park_airport_state.h.
#include "airport/apf_read.h"
#include "airport/park_airport_state.h"
#include "base/geo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zyn {

// Reads "my_park_airports.txt" and the "my_thirdparty" folders into the park-airport list; true
// when every line of the file named a known airport.
bool lf_readMyParkAirports();
// Writes the list's first entry into "my_park_airports.txt" (its line replaced or added).
void gf_addParkAirport();
// On a new flight: records the stand the user aircraft stands at for the first park airport.
void gf_checkUserAcAtNewAirport();
// Puts the destination airport at the front of the park-airport list. Main-loop thread.
void gf_addDestinationParkAirport(const std::string& code, LatLon position);
// A copy of the list (any thread).
std::vector<ParkAirport> gf_parkAirportsCopy();

// The park airport's file as read, and its quality pair.
extern ApfFileInfo g_parkedFileInfo;
extern std::uint64_t g_qualityFactors;
extern bool g_recalculateParking;
extern LatLon g_lastUserPosition;

// Loads the park airport's stands; empty on success, else the message for the status line; nothing
// while its file is on its way from the server (a later check loads them).
std::optional<std::string> lf_readParkedFile();
// Ends parking at the park airport: statics go, stands and claims are emptied, no park airport.
void gf_endParking();
// Back to the start (restart and tests).
void gf_resetParkAirports();

} // namespace zyn
