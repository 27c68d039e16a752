#pragma once
// The park airport as every room reads it: static parking chooses it, loads its stands and keeps its
// list of park airports; the traffic client, the simulator link, the engine and the main loop read
// them. The park airport and the reserved stand change on the parking side while other threads read
// them, hence the copies under a lock.
#include "airport/airport_record.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zyn {

// An airport where aircraft may be parked.
struct ParkAirport {
    std::string icao;
    std::string stand;       // the user's stand there; empty when none is given
    double lat = 0.0;
    double lon = 0.0;
    double distanceNm = 0.0; // to the user aircraft
};

extern std::atomic<std::uint8_t> g_parkAirportLoaded; // the park airport's parking file has been read
extern std::atomic<std::uint8_t> g_parkingBusy;       // parking work under way

// The park-airport list.
extern std::mutex g_parkAirportsMutex;
extern std::vector<ParkAirport> g_parkAirports;

AirportRecord gf_parkAirport(); // an empty code means there is none
void gf_setParkAirport(const AirportRecord& airport);
// The park airport once its parking file has been read, with the file's elevation in feet; none
// before, and none again once parking there has ended, so that no other airport's field is used.
std::optional<AirportRecord> gf_loadedParkAirport();
std::string gf_reservedStand(); // empty means none
void gf_setReservedStand(const std::string& stand);

} // namespace zyn
