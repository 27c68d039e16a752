#pragma once
// Counts every heap allocation of the benchmark program (global operator new is replaced).
#include <cstdint>

namespace zyn::bench {

std::uint64_t allocationCount();
// Those of the calling thread only.
std::uint64_t threadAllocationCount();

} // namespace zyn::bench
