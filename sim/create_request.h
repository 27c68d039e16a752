#pragma once
// One AI creation as the engine and static parking queue it for the simulator link.
#include "platform/simconnect/simconnect.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zyn {

struct CreateAcRequest {
    SIMCONNECT_DATA_INITPOSITION position; // degrees, feet; on-ground and airspeed as the creator sets them
    std::string name;                      // the callsign, passed as tail number and reported back as "ATC ID"
    std::string_view title;                // livery title, a view into the livery catalogue (which outlives it)
    std::uint32_t hexId = 0;               // live aircraft above 10000, static ones 10000 or below
};

} // namespace zyn
