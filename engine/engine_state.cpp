#include "engine/engine_clock.h"
#include "engine/motion_inputs.h"

namespace zyn {

std::int32_t g_tick = 0;
MotionInputs g_motionInputs;

} // namespace zyn
