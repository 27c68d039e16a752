#pragma once
// The stand search of the live aircraft engine, as other subsystems ask it.
#include "base/geo.h"

#include <string>

namespace zyn {

// The name of the closest stand of the current stand list within 55 m, or the empty text.
std::string gf_closestStandName(LatLon position);

} // namespace zyn
