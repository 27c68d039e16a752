#include "engine/aircraft_events.h"

#include "base/log.h"
#include "base/random_util.h"
#include "settings/settings.h"
#include "sim/event_ids.h"
#include "sim/queues.h"

#include <array>

namespace zyn {

void lf_parkedShutDown(AiAcRecord& a)
{
    gf_sendThrottleStep(a, 0);
    gf_sendFlapStep(a, 0);
    gf_queueSimEvent({a.objectId, simid::kEngineAutoShutdown, 0});
    // Nine in ten parked passenger aircraft keep their cabin lit.
    const std::uint32_t cabin = a.cargoStand ? 0 : (gf_randomInt(0, 9) < 9 ? 1 : 0);
    gf_sendLights(a, {param::NAV_LIGHTS_WHILE_PARKED.on() ? 1u : 0u, 0, 0, 0, 0, 1, cabin});
}

void gf_sendThrottleStep(AiAcRecord& a, std::uint32_t step)
{
    if (a.lastThrottle == step || step > 4)
        return;
    gf_queueSimEvent({a.objectId, simid::kThrottleSet, kThrottleValues[step]});
    a.lastThrottle = step;
}

void gf_sendFlapStep(AiAcRecord& a, std::uint32_t step)
{
    if (a.lastFlaps == step || step > 3 || a.rotorcraft())
        return;
    gf_queueSimEvent({a.objectId, simid::kFlapsSet, kFlapValues[step]});
    a.lastFlaps = step;
}

void gf_sendGear(const AiAcRecord& a, std::uint32_t down)
{
    if (!a.rotorcraft())
        gf_queueSimEvent({a.objectId, simid::kGearSet, down});
}

void gf_sendSpoilers(const AiAcRecord& a, std::uint32_t value)
{
    if (!a.rotorcraft())
        gf_queueSimEvent({a.objectId, simid::kSpoilersSet, value});
}

void gf_sendEngineStart(const AiAcRecord& a) { gf_queueSimEvent({a.objectId, simid::kEngineAutoStart, 0}); }

void gf_sendLights(const AiAcRecord& a, const AcLights& l)
{
    const std::uint32_t id = a.objectId;
    const std::array<SimEventRequest, 7> events{{{id, simid::kNavLightsSet, l.nav},
                                                 {id, simid::kBeaconLightsSet, l.beacon},
                                                 {id, simid::kLandingLightsSet, l.landing},
                                                 {id, simid::kTaxiLightsSet, l.taxi},
                                                 {id, simid::kStrobesSet, l.strobes},
                                                 {id, simid::kLogoLightsSet, l.logo},
                                                 {id, simid::kCabinLightsSet, l.cabin}}};
    gf_queueSimEvents(events);
}

void gf_setEngineLevers(const AiAcRecord& a, double spoilerPercent, double throttlePercent)
{
    if (a.category == AcCategory::Light)
        return;
    gf_sendEngineLevers(a.objectId, spoilerPercent, throttlePercent);
}

} // namespace zyn
