// Temporary until the collision checks land.
#include "base/not_built.h"
#include "parking/session_calls.h"

namespace zyn {

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

} // namespace zyn
