// Stand-in until the version update is built: says so in the log and changes nothing.
#include "core/log.h"
#include "core/work_folders.h"

namespace zyn {

void lf_versionUpdate() { gf_log("lf_versionUpdate: version update not built yet"); }

} // namespace zyn
