// Stand-in until the live aircraft engine is built: holds its copy of MAX_LIVE.
#include "core/startup_steps.h"

namespace zyn {

std::atomic<std::int32_t> g_maxLive{0};

} // namespace zyn
