#pragma once
// The engine clock: 10 ms main-loop ticks since the main loop started. Play times of reported
// positions count on it. Main-loop thread only; the per-tick driver alone advances it.
#include <cstdint>

namespace zyn {

extern std::int32_t g_tick;

} // namespace zyn
