#include "engine/aircraft_events.h"

#include "core/random_util.h"
#include "core/settings.h"
#include "sim/ids.h"
#include "sim/link_state.h"
#include "sim/queues.h"

#include <mutex>

namespace zyn {

void lf_parkedShutDown(AiAcRecord& a)
{
    const std::uint32_t id = a.objectId;
    if (a.lastThrottle != 0) {
        gf_queueSimEvent({id, simid::kThrottleSet, kThrottleValues[0]});
        a.lastThrottle = 0;
    }
    if (a.lastFlaps != 0 && a.category != AcCategory::Rotorcraft) {
        gf_queueSimEvent({id, simid::kFlapsSet, kFlapValues[0]});
        a.lastFlaps = 0;
    }
    gf_queueSimEvent({id, simid::kEngineAutoShutdown, 0});
    // Nine in ten parked passenger aircraft keep their cabin lit.
    const std::uint32_t cabin = a.cargoStand ? 0 : (gf_randomInt(0, 9) < 9 ? 1 : 0);
    std::lock_guard lock(g_simMutex);
    gf_queueSimEventLocked({id, simid::kNavLightsSet, param::NAV_LIGHTS_WHILE_PARKED.on() ? 1u : 0u});
    gf_queueSimEventLocked({id, simid::kBeaconLightsSet, 0});
    gf_queueSimEventLocked({id, simid::kLandingLightsSet, 0});
    gf_queueSimEventLocked({id, simid::kTaxiLightsSet, 0});
    gf_queueSimEventLocked({id, simid::kStrobesSet, 0});
    gf_queueSimEventLocked({id, simid::kLogoLightsSet, 1});
    gf_queueSimEventLocked({id, simid::kCabinLightsSet, cabin});
}

} // namespace zyn
