#pragma once
// Names of the aircraft categories.
#include <cstdint>
#include <string>

namespace zyn {

// "Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft" for 0 to 5; other codes throw
// std::out_of_range.
std::string gf_categoryName(std::uint32_t category);

} // namespace zyn
