#pragma once
// Light, engine, throttle and flap events of an AI aircraft, queued for the simulator link.
#include "engine/records.h"

namespace zyn {

// Engines off, lights as a parked aircraft shows them.
void lf_parkedShutDown(AiAcRecord& aircraft);

} // namespace zyn
