// Static parking's periodic work is not built yet: each call says so once and changes nothing.
#include "base/not_built.h"
#include "parking/session_calls.h"

namespace zyn {

void gf_checkForParkAirportUpdates(bool)
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_checkForParkAirportUpdates");
}

void gf_parkingAdjustments(bool)
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_parkingAdjustments");
}

bool gf_recheckParkAirports(bool, std::string&)
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_recheckParkAirports");
    return false;
}

void gf_clearParkAirport()
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_clearParkAirport");
}

void gf_answerCallsignQuery()
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_answerCallsignQuery");
}

bool gf_avoidUserCollision(LiveAcRecord&)
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_avoidUserCollision");
    return false;
}

void lf_removeForCollisionAvoidance(LiveAcRecord)
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "lf_removeForCollisionAvoidance");
}

void gf_writeParkedList()
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "gf_writeParkedList");
}

} // namespace zyn
