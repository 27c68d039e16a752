#pragma once
// One airport of the airports database.
#include <string>

namespace zyn {

struct AirportRecord {
    std::string icao;
    std::string iata;
    double lat = 0.0;
    double lon = 0.0;
    double altitude = 0.0; // feet
};

} // namespace zyn
