#include "engine/motion_inputs.h"

namespace zyn {

MotionInputs g_motionInputs;

} // namespace zyn
