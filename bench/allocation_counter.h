#pragma once
// Counts every heap allocation of the benchmark program (global operator new is replaced).
#include <cstdint>

namespace zyn::bench {

std::uint64_t allocationCount();

} // namespace zyn::bench
