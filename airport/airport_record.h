#pragma once
// One airport of the airports database.
#include <string>

namespace zyn {

// The elevations an airport can have; a value beyond them is a broken entry.
inline constexpr double kLowestAirportFt = -2000.0;
inline constexpr double kHighestAirportFt = 30000.0;

struct AirportRecord {
    std::string icao;
    std::string iata;
    double lat = 0.0;
    double lon = 0.0;
    double altitude = 0.0; // feet
};

} // namespace zyn
