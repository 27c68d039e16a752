// Stand-in until static parking is built: reads no park airports and records no stand, and says so
// in the log.
#include "parking/park_airport.h"

#include "base/log.h"

namespace zyn {

bool lf_readMyParkAirports()
{
    gf_log("lf_readMyParkAirports: static parking is not built yet, no park airports read");
    return false;
}

void gf_checkUserAcAtNewAirport() { gf_log("gf_checkUserAcAtNewAirport: static parking is not built yet"); }

void gf_addDestinationParkAirport(const std::string& code, LatLon)
{
    gf_logf("gf_addDestinationParkAirport: static parking is not built yet, {} is not added", code);
}

} // namespace zyn
