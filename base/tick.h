#pragma once
// The main loop's tick counter: hundredths of a second since the loop started; the time base of
// every position's play time. Written by the main loop, read by the traffic reader.
#include <atomic>
#include <cstdint>

namespace zyn {

extern std::atomic<std::int32_t> g_tick;

} // namespace zyn
