#pragma once
// Generated traffic for whole sessions at one park airport: 48 stands in two rows beside a taxi lane,
// and a few hundred aircraft over hours - arrivals that taxi to stands and stay or leave again,
// departures that push back (straight or turned) or pull out and fly out of range, reports that stop
// in every ground phase, an arrival that turns away from a stand it stopped at, callsign and route
// changes (also while parked and while taxiing to the stand), ghosts, blocked callsigns, statics on part
// of the stands, arrivals that contest the stand of a parked aircraft gone silent (or, of a pair of
// overlapping stands, the other one), and the moments of a flush of the statics, of the end of parking
// and of a restart. Planned so that no two live aircraft are meant for one stand, or for two overlapping
// ones, at one time, but for those contests. The same seed gives the same traffic.
#include "aircraft/records.h"
#include "base/geo.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zyn::test {

inline constexpr LatLon kSessionField{47.0, 8.0};
inline constexpr double kSessionFieldFt = 1400.0;
inline constexpr double kSessionRangeNm = 15.0;

struct SessionStand {
    std::string name;
    LatLon at;
    double headingDeg = 0.0;
};
// The stands in list order; two of each pair overlap, neighbouring pairs do not. The user's aircraft
// stands at the last one.
std::vector<SessionStand> gf_sessionStands();

struct SessionReport {
    std::int32_t playTick = 0;
    TrafficRecord record;
};
// An arrival whose reports reach its stand, free for it, and stay there until it leaves again.
struct SessionArrival {
    std::uint32_t hexId = 0;
    std::size_t stand = 0;
    std::int32_t reachTick = 0;
};
struct SessionStatics {
    std::int32_t tick = 0;
    std::vector<std::size_t> stands;
};
// From tick on the callsign is blocked in the window (empty: no longer).
struct SessionBlock {
    std::int32_t tick = 0;
    std::string callsign;
};

struct SessionTraffic {
    std::vector<SessionReport> reports; // by play time
    std::vector<SessionArrival> arrivals;
    std::vector<SessionStatics> statics;
    std::vector<SessionBlock> blocks;
    std::int32_t flushTick = 0;      // "Flush static"
    SessionStatics beforeFlush;      // statics still being created as the flush comes
    std::int32_t endParkingTick = 0; // the park airport goes out of sight, and comes back shortly after
    std::int32_t restartTick = 0;
    std::int32_t endTick = 0;
    int aircraft = 0; // distinct hex ids
};

// The traffic of one session from firstTick (the play time of its first moment) over minutes.
SessionTraffic gf_sessionTraffic(std::uint32_t seed, int minutes, std::int32_t firstTick);

} // namespace zyn::test
