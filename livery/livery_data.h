#pragma once
// One installed livery, as the scan finds it in an aircraft.cfg section.
#include <cstdint>
#include <string>

namespace zyn {

struct LiveryData {
    std::string airl;  // ICAO airline code; "PVT" private, "ZZZ" airline-neutral
    std::string type;  // ICAO type designator
    std::string title; // the name by which the simulator creates the livery; unique over one scan
    std::string atcid; // one registration or empty
    std::uint32_t folderIndex = 0; // priority of the scanned folder; smaller is higher
    bool cargo = false;
};

} // namespace zyn
