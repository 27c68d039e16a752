#pragma once
// Names of the aircraft categories.
#include "aircraft/records.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zyn {

// "Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft" for 0 to 5; other codes throw
// std::out_of_range.
std::string gf_categoryName(std::uint32_t category);

// Light, high-performance and rotorcraft traffic is shown only while its setting is on.
bool gf_categoryEnabled(AcCategory category);

// Whether a traffic target (its head and its ADS-B emitter category) is an aircraft to show.
bool gf_isAircraftTarget(const AcHead& head, std::string_view category);

} // namespace zyn
