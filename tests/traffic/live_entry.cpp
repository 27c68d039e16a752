#include "tests/traffic/live_entry.h"

#include "traffic/process_line.h"

namespace zyn::test {

nlohmann::json liveEntry(LatLon at)
{
    nlohmann::json e = nlohmann::json::array();
    for (std::size_t i = 0; i < kTrafficEntrySize; ++i) e.push_back(nullptr);
    e[0] = "4ca7b4";
    e[1] = at.lat;
    e[2] = at.lon;
    e[3] = 91.0;
    e[4] = 12000;
    e[5] = 280.0;
    e[7] = "A";
    e[8] = "B738";
    e[9] = "EI-DCL";
    e[10] = 1796601600.5;
    e[11] = "EHAM";
    e[12] = "null";
    e[13] = "RYR4TK";
    e[15] = -640;
    e[17] = "adsb_icao";
    e[20] = 300;
    e[23] = 5.0;
    e[25] = 90.0;
    e[28] = "A3";
    return e;
}

} // namespace zyn::test
