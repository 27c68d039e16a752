#pragma once
// What the live aircraft engine asks of static parking about the parked aircraft.
#include "engine/records.h"

#include <cstdint>
#include <vector>

namespace zyn {

// The last computed number of aircraft to park; 0 until static parking has computed one.
std::int32_t gf_parkingCount();
// The static aircraft counted as parked, in static parking's order: the last gives way first.
std::vector<AiAcRecord*> gf_parkedByStaticOrder();

} // namespace zyn
