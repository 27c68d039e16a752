// Stand-in until the working folders and start-up controls are built: says so and changes nothing.
#include "core/log.h"
#include "core/startup_steps.h"

namespace zyn {

void lf_checkCommunityPath(StringParameter& parameter)
{
    gf_logf("lf_checkCommunityPath: not built yet ({} not checked)", parameter.key);
}

void lf_createFolders() { gf_log("lf_createFolders: the working folders are not built yet"); }

void lf_enableStartupControls() { gf_log("lf_enableStartupControls: not built yet"); }

} // namespace zyn
