// Stand-in until the engine's stands are built: the stand list is empty, so no stand is ever close.
#include "engine/stand_search.h"

namespace zyn {

std::string gf_closestStandName(LatLon /*position*/) { return {}; }

} // namespace zyn
