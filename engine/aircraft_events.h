#pragma once
// Light, engine, throttle and flap events of an AI aircraft, queued for the simulator link.
#include "engine/records.h"

namespace zyn {

// Throttle steps 0..4 and flap steps 0..3 as event values; a record remembers the last step sent.
inline constexpr std::uint32_t kThrottleValues[] = {0, 4914, 8191, 11468, 16383};
inline constexpr std::uint32_t kFlapValues[] = {0, 3072, 10240, 16383};

// Engines off, lights as a parked aircraft shows them.
void lf_parkedShutDown(AiAcRecord& aircraft);

} // namespace zyn
