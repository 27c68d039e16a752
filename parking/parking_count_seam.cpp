// Static parking does not compute a parking count yet: no count, no parked statics, so the
// parking-count rules of the live engine remove nothing.
#include "parking/parking_count.h"

#include "core/log.h"

namespace zyn {

namespace {
void lf_notBuiltYet(const char* function)
{
    static bool logged = false;
    if (!logged) {
        logged = true;
        gf_logf("{}: static parking is not built yet", function);
    }
}
} // namespace

std::int32_t gf_parkingCount()
{
    lf_notBuiltYet("gf_parkingCount");
    return 0;
}

std::vector<AiAcRecord*> gf_parkedByStaticOrder()
{
    lf_notBuiltYet("gf_parkedByStaticOrder");
    return {};
}

} // namespace zyn
