// Static parking does not compute a parking count yet: no count and no parked statics, so the
// parking-count rules of the live engine remove nothing. Said once in the log.
#include "parking/parking_count.h"

#include "base/log.h"
#include "engine/parking_queries.h"

#include <mutex>

namespace zyn {

namespace {

std::once_flag g_seamLogged;

void lf_sayNotBuilt()
{
    std::call_once(g_seamLogged, [] { gf_log("parking count: static parking is not built yet"); });
}

std::int32_t lf_parkingCount()
{
    lf_sayNotBuilt();
    return 0;
}

std::vector<AiAcRecord*> lf_parkedByStaticOrder()
{
    lf_sayNotBuilt();
    return {};
}

} // namespace

void gf_installParkingQueries() { gf_setParkingQueries({lf_parkingCount, lf_parkedByStaticOrder}); }

} // namespace zyn
