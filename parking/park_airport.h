#pragma once
// Static parking's park airports: the list read at start-up and the user's stand at a new airport.
// The state other rooms read of them is airport/park_airport_state.h.
#include "airport/park_airport_state.h"
#include "base/geo.h"

#include <string>

namespace zyn {

// Reads "my_park_airports.txt" and the "my_thirdparty" folders into the park-airport list.
bool lf_readMyParkAirports();
// On a new flight: records the stand the user aircraft stands at for the first park airport.
void gf_checkUserAcAtNewAirport();
// Puts the destination airport at the front of the park-airport list. Main-loop thread.
void gf_addDestinationParkAirport(const std::string& code, LatLon position);

} // namespace zyn
