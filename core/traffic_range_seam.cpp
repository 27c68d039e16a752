// Stand-in until the automatic traffic range is built: the range stays as set.
#include "core/log.h"
#include "core/startup_steps.h"

namespace zyn {

void gf_adjustTrafficRange() { gf_log("gf_adjustTrafficRange: the automatic range is not built yet"); }

} // namespace zyn
