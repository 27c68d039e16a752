#pragma once
// What the motion code reads of the world outside the aircraft lists: a snapshot the main loop
// refreshes before it moves the aircraft (tests set it directly). Main-loop thread only.
#include "base/geo.h"

#include <cstdint>

namespace zyn {

struct MotionInputs {
    LatLon user{};                 // the user aircraft's position; the origin box means unknown
    double rangeNm = 40.0;         // the current traffic range
    bool autoGroundRange = false;  // the automatic range is at its ground value
    bool parkingLoaded = false;    // the park airport's stands are loaded
    bool parkAirportSet = false;
    LatLon parkAirport{};
    double parkAirportAltitudeFt = 0.0;
    std::int32_t qnh = 1013;       // hectopascals
};

extern MotionInputs g_motionInputs;

// Takes the snapshot from the user aircraft data, the traffic range, the park airport and the QNH.
void gf_refreshMotionInputs();

} // namespace zyn
