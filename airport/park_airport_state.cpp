#include "airport/park_airport_state.h"

namespace zyn {

std::atomic<std::uint8_t> g_parkAirportLoaded{0};
std::atomic<std::uint8_t> g_parkingBusy{0};
std::mutex g_parkAirportsMutex;
std::vector<ParkAirport> g_parkAirports;

namespace {
std::mutex g_parkAirportMutex;
AirportRecord g_parkAirport;  // under g_parkAirportMutex
std::string g_reservedStand; // under g_parkAirportMutex
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

std::optional<AirportRecord> gf_loadedParkAirport()
{
    // The airport first: the reader of its file sets its altitude before it raises the flag, and the
    // end of parking lowers the flag before it clears the airport.
    const AirportRecord park = gf_parkAirport();
    if (park.icao.empty() || g_parkAirportLoaded.load() == 0)
        return std::nullopt;
    return park;
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

} // namespace zyn
