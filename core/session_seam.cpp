// Stand-in until the session run is built: says so and waits until the program ends.
#include "core/clock.h"
#include "core/exit.h"
#include "core/log.h"
#include "core/startup.h"
#include "core/startup_steps.h"

namespace zyn {

void lf_runSession()
{
    gf_log("lf_runSession: the session run is not built yet; waiting for the exit");
    gf_sleepUntil(SteadyTime::max(), [] { return gf_exitUnderWay() || gf_startupStopRequested(); });
}

} // namespace zyn
