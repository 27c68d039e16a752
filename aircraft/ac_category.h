#pragma once
// Names of the aircraft categories.
#include <cstdint>
#include <string>

#include "aircraft/records.h"

namespace zyn {

// "Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft" for 0 to 5; other codes throw
// std::out_of_range.
std::string gf_categoryName(std::uint32_t category);

// Light, high-performance and rotorcraft traffic is shown only while its setting is on.
bool gf_categoryEnabled(AcCategory category);

} // namespace zyn
