// Stand-in until the start-up controls are built: says so and changes nothing.
#include "core/log.h"
#include "core/startup_steps.h"

namespace zyn {

void lf_enableStartupControls() { gf_log("lf_enableStartupControls: not built yet"); }

} // namespace zyn
