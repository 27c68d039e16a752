#pragma once
// A destination airport the user typed, waiting for the main loop to put it at the front of the
// park-airport list (the list belongs to the main loop). A newer destination replaces one that
// still waits.
#include "base/geo.h"

#include <optional>
#include <string>

namespace zyn {

struct DestinationRequest {
    std::string code;
    LatLon position;
};

void gf_requestDestination(DestinationRequest destination); // any thread
std::optional<DestinationRequest> gf_takeDestinationRequest(); // the main loop

} // namespace zyn
