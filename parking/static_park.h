#pragma once
// Static aircraft made from the stand candidates, one at a time, refusing a stand that a live or a
// static aircraft holds or touches. The collision checks that remove AI aircraft (declared with the
// main loop's other calls in parking/session_calls.h) live beside it. Main-loop thread only.
#include "engine/stand_candidates.h"

#include <cstdint>

namespace zyn {

// Takes the last stand candidate and, unless its stand or an overlapping one is held, appends a
// static aircraft with a livery to the static list and its creation request to the static
// creation queue.
void lf_parkStatic();

// The hex id a static carries for its running number: 1..10000, never a live aircraft's.
std::uint32_t gf_staticHexId(std::uint32_t number);

// Back to the start state (restart, tests): the lists of the calculation, the running number of made-up callsigns, and the cells
// of the statics that the collision check rebuilds at each tick or when the list grows, shrinks or
// moves (a list emptied and refilled within one tick needs this).
void gf_resetStaticParking();

} // namespace zyn
