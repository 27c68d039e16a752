#pragma once
// Light, engine, throttle, flap, gear and spoiler events of an AI aircraft, queued for the
// simulator link.
#include "engine/records.h"

namespace zyn {

// Throttle steps 0..4 and flap steps 0..3 as event values; a record remembers the last step sent.
inline constexpr std::uint32_t kThrottleValues[] = {0, 4914, 8191, 11468, 16383};
inline constexpr std::uint32_t kFlapValues[] = {0, 3072, 10240, 16383};
inline constexpr std::uint32_t kEventFull = 16383;

// The seven light switches, sent together as one block.
struct AcLights {
    std::uint32_t nav, beacon, landing, taxi, strobes, logo, cabin;
};
inline constexpr AcLights kTaxiLights{1, 1, 0, 1, 0, 1, 0};
inline constexpr AcLights kTakeoffLights{1, 1, 1, 1, 1, 1, 0};

// Engines off, lights as a parked aircraft shows them.
void lf_parkedShutDown(AiAcRecord& aircraft);

// The throttle step, sent only when it differs from the last one sent.
void gf_sendThrottleStep(AiAcRecord& aircraft, std::uint32_t step);
// The flap step, sent only when it changes; rotorcraft have no flaps.
void gf_sendFlapStep(AiAcRecord& aircraft, std::uint32_t step);
// Gear (1 down) and spoilers; rotorcraft get neither.
void gf_sendGear(const AiAcRecord& aircraft, std::uint32_t down);
void gf_sendSpoilers(const AiAcRecord& aircraft, std::uint32_t value);
void gf_sendEngineStart(const AiAcRecord& aircraft);
// All seven lights in one block under the SimConnect mutex.
void gf_sendLights(const AiAcRecord& aircraft, const AcLights& lights);
// Spoiler handle and both throttle levers in percent (data definition 401); light aircraft have none.
void gf_setEngineLevers(const AiAcRecord& aircraft, double spoilerPercent, double throttlePercent);

} // namespace zyn
