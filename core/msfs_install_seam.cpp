// Stand-in until the simulator install detection is built: detects nothing.
#include "core/log.h"
#include "core/startup_steps.h"

namespace zyn {

std::filesystem::path gf_detectMsfsInstall()
{
    gf_log("gf_detectMsfsInstall: the install detection is not built yet, no packages folder found");
    return {};
}

} // namespace zyn
