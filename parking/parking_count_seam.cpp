// Static parking does not compute a parking count yet: no count and no parked statics, so the
// parking-count rules of the live engine remove nothing. Said once in the log.
#include "parking/parking_count.h"

#include "base/log.h"

#include <mutex>

namespace zyn {

namespace {
std::once_flag g_seamLogged;
} // namespace

std::int32_t gf_parkingCount()
{
    std::call_once(g_seamLogged, [] { gf_log("parking count: static parking is not built yet"); });
    return 0;
}

std::vector<AiAcRecord*> gf_parkedByStaticOrder()
{
    std::call_once(g_seamLogged, [] { gf_log("parking count: static parking is not built yet"); });
    return {};
}

} // namespace zyn
