#include "base/tick.h"

namespace zyn {

std::atomic<std::int32_t> g_tick{0};

} // namespace zyn
