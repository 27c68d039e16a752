#pragma once
// The simulator's stock aircraft models that a livery package may build on, by folder name.
#include <string>
#include <string_view>

namespace zyn {

// The ICAO type of a stock model folder name ("Asobo_A320_NEO" -> "A20N"), exact name; empty when unknown.
std::string lf_stockModelType(std::string_view model);

} // namespace zyn
