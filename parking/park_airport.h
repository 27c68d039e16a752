#pragma once
// Static parking's park airports: the list read at start-up and the user's stand at a new airport.
// The state other rooms read of them is airport/park_airport_state.h.
#include "airport/park_airport_state.h"

namespace zyn {

// Reads "my_park_airports.txt" and the "my_thirdparty" folders into the park-airport list.
bool lf_readMyParkAirports();
// On a new flight: records the stand the user aircraft stands at for the first park airport.
void gf_checkUserAcAtNewAirport();

} // namespace zyn
