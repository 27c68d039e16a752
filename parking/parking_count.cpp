// Static parking's answers to the engine: the parking count, the statics it weighs against it, and
// the parking of the next static, which the engine's tick paces.
#include "parking/parking_count.h"

#include "engine/parking_queries.h"
#include "engine/records.h"
#include "parking/parking_fit.h"
#include "parking/static_park.h"
#include "parking/static_parking.h"

namespace zyn {

namespace {

std::int32_t lf_parkingCount() { return g_parkCount; }

// The statics standing or being created, in the order they were parked: the last gives way first.
// Those already on their way out are not counted, or one leaving would be weighed (and chosen) again.
std::vector<AiAcRecord*> lf_parkedByStaticOrder()
{
    std::vector<AiAcRecord*> parked;
    for (AiAcRecord& a : g_staticAircraft)
        if (!a.erase && !a.removeWhenCreated && (a.inSim() || a.state == ObjectState::CreationRequested))
            parked.push_back(&a);
    return parked;
}

} // namespace

void gf_installParkingQueries()
{
    gf_setParkingQueries({lf_parkingCount, lf_parkedByStaticOrder, lf_parkStatic, gf_staticParkedStats});
}

} // namespace zyn
