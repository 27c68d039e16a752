// Stand-in until the add-on airport scan is built: scans nothing and says so in the log.
#include "airport/airports.h"

#include "base/log.h"

namespace zyn {

void gf_scanAirports() { gf_log("gf_scanAirports: the add-on airport scan is not built yet"); }

} // namespace zyn
