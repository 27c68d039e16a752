// Stand-in until the stands are built: the stand list is empty, so no stand is ever close.
#include "airport/stand_lookup.h"

namespace zyn {

std::string gf_closestStandName(LatLon /*position*/) { return {}; }

} // namespace zyn
