// Stand-in until the livery catalogue is built: scans nothing, and says so in the log.
#include "livery/livery_startup.h"

#include "core/log.h"

namespace zyn {

void gf_scanLiveries() { gf_log("gf_scanLiveries: the livery catalogue is not built yet, no liveries known"); }

} // namespace zyn
