// Stand-in until the program and companion-package updates are built: no update is checked or
// installed, and the log says so.
#include "core/folders.h"
#include "core/log.h"
#include "core/startup_steps.h"

namespace zyn {

void gf_checkProgramVersion() { gf_log("gf_checkProgramVersion: the program update is not built yet"); }

bool lf_simAddonMissing() { return !std::filesystem::exists(g_mySimaddonPath); }

bool gf_updateSimAddon()
{
    gf_log("gf_updateSimAddon: the companion package update is not built yet");
    return false;
}

} // namespace zyn
