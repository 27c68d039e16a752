#pragma once
// The two flags every long-running loop of the program tests between its steps: an exit has been
// requested, or the user closed the program. The exit request itself lives with the requests.
#include <atomic>
#include <cstdint>

namespace zyn {

extern std::atomic<std::uint8_t> g_exitRequested; // an exit is under way; every long loop tests it
extern std::atomic<std::uint8_t> g_exiting;       // the user closed the program

// g_exitRequested or g_exiting: the test between steps of long-running work.
bool gf_exitUnderWay();

} // namespace zyn
