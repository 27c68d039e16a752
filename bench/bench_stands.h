#pragma once
// A large park airport for the benchmarks: 1000 stands in rows of 40, 80 m apart, with 5000 learned
// options of random days and half hours.
#include "base/geo.h"

#include <cstddef>

namespace zyn::bench {

inline constexpr std::size_t kBenchStands = 1000;
inline constexpr std::size_t kBenchOptions = 5000;
inline constexpr LatLon kBenchCentre{47.0, 8.0};

// Fills g_stands (numbered and linked) and makes the airport the park airport.
void gf_fillBenchStands();

} // namespace zyn::bench
