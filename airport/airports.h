#pragma once
// The airports database and the add-on airport scan, as the start-up uses them.
#include "airport/airport_record.h"

#include <optional>
#include <string_view>

namespace zyn {

// Reads the airports database into the global airports list and logs how many were read.
void gf_readAirports();
// The airport of an ICAO code, when the database holds it.
std::optional<AirportRecord> gf_findAirport(std::string_view code);
// The add-on airport scan (run at start-up when SCAN_AIRPORTS is on).
void gf_scanAirports();

} // namespace zyn
