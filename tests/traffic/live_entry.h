#pragma once
// A valid live-traffic entry (48 values) of an airborne B738 at a given position.
#include "base/geo.h"

#include <nlohmann/json.hpp>

namespace zyn::test {

nlohmann::json liveEntry(LatLon at);

} // namespace zyn::test
