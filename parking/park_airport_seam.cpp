// Stand-in until static parking is built: holds its shared state, reads no park airports and
// records no stand, and says so in the log.
#include "parking/park_airport.h"

#include "base/log.h"

namespace zyn {

std::atomic<std::uint8_t> g_parkAirportLoaded{0};
std::atomic<std::uint8_t> g_parkingBusy{0};
std::mutex g_parkAirportsMutex;
std::vector<ParkAirport> g_parkAirports;
std::mutex g_liveIdentityMutex;
std::set<std::string> g_liveCallsigns;
std::set<std::uint32_t> g_liveHexIds;

namespace {
std::mutex g_parkAirportMutex;
AirportRecord g_parkAirport;
std::string g_reservedStand;
} // namespace

AirportRecord gf_parkAirport()
{
    std::lock_guard lock(g_parkAirportMutex);
    return g_parkAirport;
}

void gf_setParkAirport(const AirportRecord& airport)
{
    std::lock_guard lock(g_parkAirportMutex);
    g_parkAirport = airport;
}

std::string gf_reservedStand()
{
    std::lock_guard lock(g_parkAirportMutex);
    return g_reservedStand;
}

void gf_setReservedStand(const std::string& stand)
{
    std::lock_guard lock(g_parkAirportMutex);
    g_reservedStand = stand;
}

bool lf_readMyParkAirports()
{
    gf_log("lf_readMyParkAirports: static parking is not built yet, no park airports read");
    return false;
}

void gf_checkUserAcAtNewAirport() { gf_log("gf_checkUserAcAtNewAirport: static parking is not built yet"); }

} // namespace zyn
