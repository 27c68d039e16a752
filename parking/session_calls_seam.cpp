// Static parking's calculation and adjustments are not built yet: each call says so once and changes
// nothing, and clearing the park airport only ends parking there.
#include "base/not_built.h"
#include "parking/park_airport.h"
#include "parking/session_calls.h"

namespace zyn {

void gf_parkingAdjustments(bool)
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_parkingAdjustments");
}

void gf_clearParkAirport() { gf_endParking(); }

} // namespace zyn
