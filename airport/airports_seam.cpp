// Stand-in until the airport data is built: reads no database, finds no airport, scans nothing,
// and says so in the log.
#include "airport/airports.h"

#include "base/log.h"

namespace zyn {

void gf_readAirports() { gf_log("gf_readAirports: the airports database is not built yet, 0 airports read"); }

std::optional<AirportRecord> gf_findAirport(std::string_view) { return std::nullopt; }

void gf_scanAirports() { gf_log("gf_scanAirports: the add-on airport scan is not built yet"); }

} // namespace zyn
