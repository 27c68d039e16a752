#pragma once
// Static parking's park airports and what other subsystems read of its state. The park airport
// and the reserved stand change on the parking side while other threads read them, hence the
// copies under a lock.
#include "airport/airport_record.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
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

// The park-airport list; the SimConnect thread may update the first entry's stand.
extern std::mutex g_parkAirportsMutex;
extern std::vector<ParkAirport> g_parkAirports;

AirportRecord gf_parkAirport(); // an empty code means there is none
void gf_setParkAirport(const AirportRecord& airport);
std::string gf_reservedStand(); // empty means none
void gf_setReservedStand(const std::string& stand);

// Live identities taken over from the traffic client before static parking recalculates.
extern std::mutex g_liveIdentityMutex;
extern std::set<std::string> g_liveCallsigns;
extern std::set<std::uint32_t> g_liveHexIds;

// Reads "my_park_airports.txt" and the "my_thirdparty" folders into the park-airport list.
bool lf_readMyParkAirports();
// On a new flight: records the stand the user aircraft stands at for the first park airport.
void gf_checkUserAcAtNewAirport();

} // namespace zyn
