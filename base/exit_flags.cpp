#include "base/exit_flags.h"

namespace zyn {

std::atomic<std::uint8_t> g_exitRequested{0};
std::atomic<std::uint8_t> g_exiting{0};

bool gf_exitUnderWay() { return g_exitRequested.load() != 0 || g_exiting.load() != 0; }

} // namespace zyn
