#include "engine/aircraft_events.h"

#include "base/log.h"
#include "base/random_util.h"
#include "settings/settings.h"
#include "platform/simconnect/simconnect.h"
#include "sim/ids.h"
#include "sim/link_state.h"
#include "sim/queues.h"

#include <mutex>

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
    std::lock_guard lock(g_simMutex);
    gf_queueSimEventLocked({id, simid::kNavLightsSet, l.nav});
    gf_queueSimEventLocked({id, simid::kBeaconLightsSet, l.beacon});
    gf_queueSimEventLocked({id, simid::kLandingLightsSet, l.landing});
    gf_queueSimEventLocked({id, simid::kTaxiLightsSet, l.taxi});
    gf_queueSimEventLocked({id, simid::kStrobesSet, l.strobes});
    gf_queueSimEventLocked({id, simid::kLogoLightsSet, l.logo});
    gf_queueSimEventLocked({id, simid::kCabinLightsSet, l.cabin});
}

void gf_setEngineLevers(const AiAcRecord& a, double spoilerPercent, double throttlePercent)
{
    if (a.category == AcCategory::Light)
        return;
    double levers[3] = {spoilerPercent, throttlePercent, throttlePercent};
    std::lock_guard lock(g_simMutex);
    const HANDLE sim = g_hSimConnect.load();
    if (sim && FAILED(SimConnect_SetDataOnSimObject(sim, simid::kDefEngineLevers, a.objectId, 0, 0, sizeof(levers),
                                                    levers)))
        gf_logf("{}: {}", "gf_setEngineLevers", "SimConnect_SetDataOnSimObject fails");
}

} // namespace zyn
